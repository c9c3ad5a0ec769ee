// An OpenSSL BIO that reads and writes a connected TCP socket directly, so
// that the layer sees each socket error itself on Windows and on POSIX.
#pragma once

#include <cstdint>
#include <string>

#include <openssl/bio.h>

namespace orvc_tls {

// What the BIO of one connection works on and reports back.
struct SocketIo {
    std::intptr_t socket = -1; // a SOCKET on Windows, a file descriptor elsewhere
    int lastError = 0;         // the system error of the last failed recv/send, 0 = none
    bool sawEof = false;       // a recv returned 0: the peer closed its side
};

// Creates the method table once; false if OpenSSL could not.
bool initSocketBioMethod();
// A BIO over io->socket; io must outlive it. Null when out of memory.
BIO* newSocketBio(SocketIo* io);

// The text for a socket error: "Broken pipe" for every error that means the
// transport is gone (reset, aborted, pipe closed, timed out), otherwise the
// system's description.
std::string socketErrorText(int error);

} // namespace orvc_tls
