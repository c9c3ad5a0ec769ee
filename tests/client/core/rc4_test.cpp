// RC4 against published test vectors, and the stored-password encoding built
// on it.
#include "client/core/Rc4.h"
#include "client/core/StoredPassword.h"

#include <cctype>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

std::string fromHex(const std::string& hex)
{
    std::string out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) out.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return out;
}

std::string toHex(const std::string& bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out.push_back(digits[c >> 4]);
        out.push_back(digits[c & 15]);
    }
    return out;
}

struct Vector {
    std::string key;      // hex
    std::size_t offset;   // keystream position of the expected bytes
    std::string expected; // keystream bytes (or ciphertext of `plain`) in hex
    std::string plain;    // empty: keystream (zeros encrypted)
};

} // namespace

TEST(Rc4, PublishedVectors)
{
    const std::vector<Vector> vectors = {
        // The classic examples: key, plaintext, ciphertext.
        {toHex("Key"), 0, "bbf316e8d940af0ad3", "Plaintext"},
        {toHex("Wiki"), 0, "1021bf0420", "pedia"},
        {toHex("Secret"), 0, "45a01f645fc35b383552544b9bf5", "Attack at dawn"},
        // RFC 6229, 40-bit and 64-bit keys.
        {"0102030405", 0, "b2396305f03dc027ccc3524a0a1118a8", ""},
        {"0102030405", 16, "6982944f18fc82d589c403a47a0d0919", ""},
        {"0102030405", 4096, "ff25b58995996707e51fbdf08b34d875", ""},
        {"0102030405060708", 0, "97ab8a1bf0afb96132f2f67258da15a8", ""},
    };
    for (const Vector& v : vectors) {
        SCOPED_TRACE(v.key + " @" + std::to_string(v.offset));
        const std::string key = fromHex(v.key);
        if (!v.plain.empty()) {
            EXPECT_EQ(toHex(rc4Transform(key, v.plain)), v.expected);
            EXPECT_EQ(rc4Transform(key, fromHex(v.expected)), v.plain);
        } else {
            const std::string stream = rc4Transform(key, std::string(v.offset + 16, '\0'));
            EXPECT_EQ(toHex(stream.substr(v.offset)), v.expected);
        }
    }
}

TEST(Rc4, PiecewiseEqualsWhole)
{
    const std::string key = "\x01\x02\x03\x04\x05\x06\x07\x08";
    std::string data(1000, '\0');
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7);
    const std::string whole = rc4Transform(key, data);
    Rc4 cipher(key);
    std::string pieces = data;
    std::size_t pos = 0;
    for (std::size_t step : {1u, 2u, 3u, 250u, 744u}) {
        cipher.apply(reinterpret_cast<std::uint8_t*>(pieces.data()) + pos, step);
        pos += step;
    }
    ASSERT_EQ(pos, data.size());
    EXPECT_EQ(pieces, whole);
}

TEST(StoredPassword, KeyIsTheIdentifierLittleEndian)
{
    EXPECT_EQ(passwordKey(0x0807060504030201ull), std::string("\x01\x02\x03\x04\x05\x06\x07\x08", 8));
    EXPECT_EQ(passwordKey(0), std::string(8, '\0'));
}

TEST(StoredPassword, LowercaseHexTwiceAsLongAndBack)
{
    const std::uint64_t id = 0x00005A3C96E1F00Dull;
    const std::vector<std::string> passwords = {"", "a", "secret", "pässwörd", std::string("nul\0inside", 10),
                                                std::string(63, 'x')};
    for (const std::string& p : passwords) {
        SCOPED_TRACE(p);
        const std::string stored = encodeStoredPassword(p, id);
        EXPECT_EQ(stored.size(), p.size() * 2);
        EXPECT_EQ(stored.find_first_not_of("0123456789abcdef"), std::string::npos);
        EXPECT_EQ(stored, toHex(rc4Transform(passwordKey(id), p)));
        EXPECT_EQ(decodeStoredPassword(stored, id), p);
    }
    EXPECT_EQ(encodeStoredPassword("", id), "");
}

TEST(StoredPassword, AnotherMachineReadsOtherBytes)
{
    const std::string stored = encodeStoredPassword("hunter22", 0x1111222233334444ull);
    const std::string elsewhere = decodeStoredPassword(stored, 0x1111222233334445ull);
    EXPECT_EQ(elsewhere.size(), 8u);
    EXPECT_NE(elsewhere, "hunter22");
}

TEST(StoredPassword, EditedTextGivesNoPassword)
{
    const std::uint64_t id = 42;
    const std::string good = encodeStoredPassword("abc", id);
    EXPECT_EQ(decodeStoredPassword(good, id), "abc");
    // Upper-case digits are still hexadecimal.
    std::string upper = good;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_EQ(decodeStoredPassword(upper, id), "abc");
    for (const std::string& bad : {good.substr(1), good + "0", std::string("zz") + good.substr(2), std::string("0x"),
                                  std::string(" 1"), std::string("-1")}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(decodeStoredPassword(bad, id), "");
    }
}
