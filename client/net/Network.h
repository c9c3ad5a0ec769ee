// Process-wide network set-up: the socket runtime and the one TLS
// configuration shared by every secure connection, trusting the client's own
// certificate-authority bundle.
#pragma once

#include <string>

struct tls_config;

// Loads the CA bundle, starts the socket runtime and the TLS library and
// builds the TLS configuration. When extraCaPath names an existing file, its
// certificates are trusted too (servers with a private authority) and a line
// says so in the diagnostic log. On a failing step the rest are skipped, the
// computer beeps and "Config error ! %s\n" goes to the standard output. True
// when the configuration exists, even if it refused the bundle.
bool initNetwork(const std::string& extraCaPath = {});

// Frees the TLS configuration and stops the socket runtime.
void closeNetwork();

// The shared configuration; null before initNetwork or when it failed.
tls_config* tlsConfig();
