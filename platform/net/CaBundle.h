// The certificate authorities that secure connections trust: the program's
// own bundle, plus the per-user file of a player whose server has a private
// authority. The game connection and the sound streams trust the same ones.
#pragma once

#include <string>

namespace net {

// The PEM text of the built-in CA bundle (the program's "cacerts.pem"
// resource); empty when it cannot be found.
std::string builtInCaBundle();

// The built-in bundle followed by the certificates of extraCaPath when that
// names a readable file (an empty path names none); *extraLoaded tells
// whether it did. Empty when the built-in bundle is missing: nothing is then
// trusted, not even the extra file.
std::string trustedCaBundle(const std::string& extraCaPath, bool* extraLoaded = nullptr);

} // namespace net
