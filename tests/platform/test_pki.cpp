#include "test_pki.h"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <memory>
#include <stdexcept>

namespace gw::test {
namespace {

struct PkeyFree {
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct X509Free {
    void operator()(X509* cert) const { X509_free(cert); }
};
struct BioFree {
    void operator()(BIO* bio) const { BIO_free(bio); }
};
using Key = std::unique_ptr<EVP_PKEY, PkeyFree>;
using Cert = std::unique_ptr<X509, X509Free>;

void check(bool ok, const char* what) {
    if (!ok) throw std::runtime_error(std::string("OpenSSL: ") + what);
}

Key new_key() {
    Key key(EVP_EC_gen("P-256"));
    check(key != nullptr, "EVP_EC_gen");
    return key;
}

void add_extension(X509* cert, X509* issuer, int nid, const char* value) {
    X509V3_CTX ctx;
    X509V3_set_ctx_nodb(&ctx);
    X509V3_set_ctx(&ctx, issuer, cert, nullptr, nullptr, 0);
    X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value);
    check(ext != nullptr, "X509V3_EXT_conf_nid");
    int added = X509_add_ext(cert, ext, -1);
    X509_EXTENSION_free(ext);
    check(added == 1, "X509_add_ext");
}

Cert new_certificate(EVP_PKEY* key, const std::string& common_name, long serial) {
    Cert cert(X509_new());
    check(cert != nullptr, "X509_new");
    check(X509_set_version(cert.get(), X509_VERSION_3) == 1, "X509_set_version");
    check(ASN1_INTEGER_set(X509_get_serialNumber(cert.get()), serial) == 1, "serial");
    check(X509_gmtime_adj(X509_getm_notBefore(cert.get()), -3600) != nullptr, "notBefore");
    check(X509_gmtime_adj(X509_getm_notAfter(cert.get()), 7L * 24 * 3600) != nullptr, "notAfter");
    check(X509_set_pubkey(cert.get(), key) == 1, "X509_set_pubkey");
    X509_NAME* name = X509_get_subject_name(cert.get());
    check(X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                                     reinterpret_cast<const unsigned char*>(common_name.c_str()), -1, -1, 0) == 1,
          "subject");
    return cert;
}

std::string to_pem(X509* cert) {
    std::unique_ptr<BIO, BioFree> bio(BIO_new(BIO_s_mem()));
    check(bio && PEM_write_bio_X509(bio.get(), cert) == 1, "PEM_write_bio_X509");
    char* data = nullptr;
    long size = BIO_get_mem_data(bio.get(), &data);
    return std::string(data, static_cast<size_t>(size));
}

std::string to_pem(EVP_PKEY* key) {
    std::unique_ptr<BIO, BioFree> bio(BIO_new(BIO_s_mem()));
    check(bio && PEM_write_bio_PrivateKey(bio.get(), key, nullptr, nullptr, 0, nullptr, nullptr) == 1,
          "PEM_write_bio_PrivateKey");
    char* data = nullptr;
    long size = BIO_get_mem_data(bio.get(), &data);
    return std::string(data, static_cast<size_t>(size));
}

} // namespace

TestPki make_test_pki(const std::string& ca_name) {
    static long serial = 1;
    Key ca_key = new_key();
    Cert ca = new_certificate(ca_key.get(), ca_name, serial++);
    check(X509_set_issuer_name(ca.get(), X509_get_subject_name(ca.get())) == 1, "issuer");
    add_extension(ca.get(), ca.get(), NID_basic_constraints, "critical,CA:TRUE");
    add_extension(ca.get(), ca.get(), NID_key_usage, "critical,keyCertSign,cRLSign");
    add_extension(ca.get(), ca.get(), NID_subject_key_identifier, "hash");
    check(X509_sign(ca.get(), ca_key.get(), EVP_sha256()) > 0, "sign CA");

    Key server_key = new_key();
    Cert server = new_certificate(server_key.get(), "127.0.0.1", serial++);
    check(X509_set_issuer_name(server.get(), X509_get_subject_name(ca.get())) == 1, "issuer");
    add_extension(server.get(), ca.get(), NID_basic_constraints, "critical,CA:FALSE");
    add_extension(server.get(), ca.get(), NID_key_usage, "critical,digitalSignature");
    add_extension(server.get(), ca.get(), NID_ext_key_usage, "serverAuth");
    add_extension(server.get(), ca.get(), NID_subject_alt_name, "IP:127.0.0.1,DNS:localhost");
    add_extension(server.get(), ca.get(), NID_authority_key_identifier, "keyid:always");
    check(X509_sign(server.get(), ca_key.get(), EVP_sha256()) > 0, "sign server");

    return {to_pem(ca.get()), {to_pem(server.get()), to_pem(server_key.get())}};
}

} // namespace gw::test
