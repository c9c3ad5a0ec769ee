// The built-in CA bundle, compiled into the program where there are no
// Windows resources.
#include "client/net/Network.h"

#include "cacerts_pem.inc"

std::string builtInCaBundle() { return std::string(kCaCertsPem); }
