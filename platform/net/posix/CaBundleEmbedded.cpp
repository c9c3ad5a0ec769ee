// The built-in CA bundle, compiled into the program where there are no
// Windows resources.
#include "platform/net/CaBundle.h"

#include "cacerts_pem.inc"

std::string net::builtInCaBundle() { return std::string(kCaCertsPem); }
