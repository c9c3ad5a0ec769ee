// The RC4 key schedule and keystream.
#include "client/core/Rc4.h"

#include <utility>

namespace {
constexpr std::uint8_t kEmptyKey[1] = {0};
}

Rc4::Rc4(const std::uint8_t* key, std::size_t length)
{
    if (length == 0) {
        key = kEmptyKey;
        length = 1;
    }
    for (std::size_t n = 0; n < state_.size(); ++n) state_[n] = static_cast<std::uint8_t>(n);
    std::uint8_t j = 0;
    for (std::size_t n = 0; n < state_.size(); ++n) {
        j = static_cast<std::uint8_t>(j + state_[n] + key[n % length]);
        std::swap(state_[n], state_[j]);
    }
}

Rc4::Rc4(std::string_view key)
    : Rc4(reinterpret_cast<const std::uint8_t*>(key.data()), key.size())
{
}

void Rc4::apply(std::uint8_t* data, std::size_t length)
{
    for (std::size_t n = 0; n < length; ++n) {
        i_ = static_cast<std::uint8_t>(i_ + 1);
        j_ = static_cast<std::uint8_t>(j_ + state_[i_]);
        std::swap(state_[i_], state_[j_]);
        data[n] ^= state_[static_cast<std::uint8_t>(state_[i_] + state_[j_])];
    }
}

void Rc4::apply(std::string& data)
{
    apply(reinterpret_cast<std::uint8_t*>(data.data()), data.size());
}

std::string rc4Transform(std::string_view key, std::string_view data)
{
    std::string out(data);
    Rc4 cipher(key);
    cipher.apply(out);
    return out;
}
