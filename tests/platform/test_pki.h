#pragma once
// A certificate authority made for one test run, and a server certificate
// it signed for 127.0.0.1 and localhost.
#include "support/mock_http_server.h"

#include <string>

namespace gw::test {

struct TestPki {
    std::string ca_certificate_pem;
    TlsIdentity server;
};

// Throws when OpenSSL fails.
TestPki make_test_pki(const std::string& ca_name = "Gateway Test CA");

} // namespace gw::test
