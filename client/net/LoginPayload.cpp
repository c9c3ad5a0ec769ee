// Building and encoding the login payload.
#include "client/net/LoginPayload.h"

#include "common/fields.h"
#include "common/numbers.h"

using common::toBase36;

std::string buildLoginPayload(const std::string& login, const std::string& password,
                              const std::string& language, std::uint64_t machineId,
                              const ClientIdentity& identity)
{
    const std::string version = toBase36(kClientVersionCode);
    const std::uint64_t osCode = 0x10000u | (std::uint64_t(identity.osMajor) << 8) | identity.osMinor;
    std::string payload = common::joinFields({
        login,
        password,
        language,
        version,
        toBase36(machineId),
        version,
        toBase36(osCode),
        toBase36(identity.screenReader),
        toBase36(identity.volumeSerial),
        identity.userName,
        identity.is64BitSystem ? "64" : "32",
    });
    if (payload.size() > 1023) payload.resize(1023);
    return payload;
}

std::string encodeLogin(const std::string& payload)
{
    static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
    std::string out;
    out.reserve((payload.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 3 <= payload.size(); i += 3) {
        const std::uint32_t v = (std::uint32_t(static_cast<unsigned char>(payload[i])) << 16)
                                | (std::uint32_t(static_cast<unsigned char>(payload[i + 1])) << 8)
                                | static_cast<unsigned char>(payload[i + 2]);
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += kAlphabet[(v >> 6) & 63];
        out += kAlphabet[v & 63];
    }
    const std::size_t rest = payload.size() - i;
    if (rest == 1) {
        const std::uint32_t v = std::uint32_t(static_cast<unsigned char>(payload[i])) << 16;
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += "..";
    } else if (rest == 2) {
        const std::uint32_t v = (std::uint32_t(static_cast<unsigned char>(payload[i])) << 16)
                                | (std::uint32_t(static_cast<unsigned char>(payload[i + 1])) << 8);
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += kAlphabet[(v >> 6) & 63];
        out += '.';
    }
    return out;
}
