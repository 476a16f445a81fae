// TLS with the system's OpenSSL (1.1.1 or newer).
#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <mutex>

#include "server/tls.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace {

// TLS 1.2: forward-secret key exchange (ECDHE) with an AEAD cipher only; no
// static RSA key exchange, no CBC with SHA-1. TLS 1.3 keeps OpenSSL's own
// suites (AES-GCM, ChaCha20-Poly1305; all forward-secret).
constexpr const char* kTls12Ciphers =
    "ECDHE-ECDSA-AES128-GCM-SHA256:ECDHE-RSA-AES128-GCM-SHA256:"
    "ECDHE-ECDSA-AES256-GCM-SHA384:ECDHE-RSA-AES256-GCM-SHA384:"
    "ECDHE-ECDSA-CHACHA20-POLY1305:ECDHE-RSA-CHACHA20-POLY1305";

// What OpenSSL last said went wrong, in its own words ("no start line").
std::string OpenSslReason() {
  const unsigned long e = ERR_peek_last_error();
  const char* reason = e ? ERR_reason_error_string(e) : nullptr;
  std::string text = reason ? reason : "unknown OpenSSL error";
  ERR_clear_error();
  return text;
}

// Why OpenSSL refused a certificate (`certificate`) or key file, in words for
// the person who made the file.
std::string FileProblem(bool certificate) {
  bool pem = false;
  bool weak = false;
  std::string said = "unknown error";
  for (unsigned long e = ERR_get_error(); e != 0; e = ERR_get_error()) {
    const int reason = ERR_GET_REASON(e);
    pem = pem || ERR_GET_LIB(e) == ERR_LIB_PEM;
    weak = weak || (ERR_GET_LIB(e) == ERR_LIB_SSL &&
                    (reason == SSL_R_EE_KEY_TOO_SMALL || reason == SSL_R_CA_KEY_TOO_SMALL ||
                     reason == SSL_R_CA_MD_TOO_WEAK));
    if (const char* text = ERR_reason_error_string(e)) said = text;
  }
  if (weak)
    return "its key or signature is too weak for TLS today (use RSA of 2048 bits or more, or EC "
           "P-256, signed with SHA-256)";
  if (!certificate)
    return "it is not a private key in PEM form, or it is protected by a passphrase (the server "
           "cannot ask for one) (OpenSSL: " +
           said + ")";
  if (pem)
    return "it holds no certificate in PEM form (a text that begins \"-----BEGIN "
           "CERTIFICATE-----\")";
  return "OpenSSL: " + said;
}

// A failed handshake in OpenSSL's words, with what the shop can do about the
// usual ones.
std::string HandshakeProblem(unsigned long e) {
  const char* said = ERR_reason_error_string(e);
  std::string text = said ? said : "unknown OpenSSL error";
  switch (ERR_GET_REASON(e)) {
    case SSL_R_TLSV1_ALERT_UNKNOWN_CA:
    case SSL_R_SSLV3_ALERT_BAD_CERTIFICATE:
    case SSL_R_SSLV3_ALERT_CERTIFICATE_UNKNOWN:
      return text + " (the client does not trust this server's certificate: install it there)";
    case SSL_R_UNSUPPORTED_PROTOCOL:
    case SSL_R_VERSION_TOO_LOW:
      return text + " (the client offers nothing newer than TLS 1.1)";
    case SSL_R_NO_SHARED_CIPHER:
      return text +
             " (the client offers no forward-secret cipher: ECDHE with AES-GCM or "
             "ChaCha20-Poly1305)";
    default:
      return text;
  }
}

bool Readable(const std::string& path, const char* what, std::string& error) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) {
    error = std::string("cannot read the ") + what + " " + path + ": " + std::strerror(errno);
    return false;
  }
  std::fclose(f);
  return true;
}

// The key is never typed in: an encrypted one is refused instead of asked for.
int NoPassphrase(char*, int, int, void*) {
  return -1;
}

std::string DateOf(const ASN1_TIME* time) {
  std::tm tm{};
  char text[16] = "?";
  if (ASN1_TIME_to_tm(time, &tm) == 1) std::strftime(text, sizeof text, "%Y-%m-%d", &tm);
  return text;
}

void CheckValidity(SSL_CTX* ctx, const std::string& certFile, std::vector<std::string>& warnings) {
  X509* leaf = SSL_CTX_get0_certificate(ctx);
  if (!leaf) return;
  if (X509_cmp_current_time(X509_get0_notAfter(leaf)) < 0)
    warnings.push_back("the certificate " + certFile + " expired on " +
                       DateOf(X509_get0_notAfter(leaf)) + ": clients will refuse it");
  if (X509_cmp_current_time(X509_get0_notBefore(leaf)) > 0)
    warnings.push_back("the certificate " + certFile + " is valid only from " +
                       DateOf(X509_get0_notBefore(leaf)) + ": clients will refuse it until then");
}

void CheckKeyPermissions(const std::string& keyFile, std::vector<std::string>& warnings) {
#ifndef _WIN32
  struct stat st {};
  if (stat(keyFile.c_str(), &st) == 0 && (st.st_mode & S_IROTH) != 0)
    warnings.push_back("the private key " + keyFile +
                       " can be read by every user of this computer: make it readable by the "
                       "server's user only (chmod 600)");
#else
  (void)keyFile;
  (void)warnings;
#endif
}

// OpenSSL reaches the socket through our own calls: they never raise SIGPIPE
// and never block.
NetSocket SocketOf(BIO* bio) {
  return static_cast<NetSocket>(reinterpret_cast<intptr_t>(BIO_get_data(bio)));
}

int BioWrite(BIO* bio, const char* data, int size) {
  BIO_clear_retry_flags(bio);
  const IoResult r = NetWrite(SocketOf(bio), data, static_cast<size_t>(size));
  if (r.status == IoStatus::kWouldBlock) BIO_set_retry_write(bio);
  return r.status == IoStatus::kData ? static_cast<int>(r.bytes) : -1;
}

int BioRead(BIO* bio, char* buffer, int size) {
  BIO_clear_retry_flags(bio);
  const IoResult r = NetRead(SocketOf(bio), buffer, static_cast<size_t>(size));
  if (r.status == IoStatus::kWouldBlock) BIO_set_retry_read(bio);
  if (r.status == IoStatus::kData) return static_cast<int>(r.bytes);
  return r.status == IoStatus::kClosed ? 0 : -1;
}

long BioControl(BIO*, int command, long, void*) {
  return command == BIO_CTRL_FLUSH ? 1 : 0;
}

int BioCreate(BIO* bio) {
  BIO_set_init(bio, 1);
  return 1;
}

BIO_METHOD* SocketMethod() {
  static BIO_METHOD* method = nullptr;
  static std::once_flag once;
  std::call_once(once, [] {
    method = BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK, "fiscal-server socket");
    if (!method) return;
    BIO_meth_set_write(method, BioWrite);
    BIO_meth_set_read(method, BioRead);
    BIO_meth_set_ctrl(method, BioControl);
    BIO_meth_set_create(method, BioCreate);
  });
  return method;
}

}  // namespace

bool TlsAvailable() {
  return true;
}

struct TlsContext::Impl {
  SSL_CTX* ctx = nullptr;
  ~Impl() { SSL_CTX_free(ctx); }
};

struct TlsSession::Impl {
  SSL* ssl = nullptr;
  NetSocket socket = kNoSocket;
  bool handshaken = false;
  bool broken = false;
  bool wantWrite = false;
  bool plainHttp = false;
  std::string failure;
  ~Impl() { SSL_free(ssl); }

  // What a failed call of OpenSSL returning `result` means for Read.
  IoResult Failure(int result) {
    switch (SSL_get_error(ssl, result)) {
      case SSL_ERROR_WANT_READ:
        return {IoStatus::kWouldBlock};
      case SSL_ERROR_WANT_WRITE:
        wantWrite = true;
        return {IoStatus::kWouldBlock};
      case SSL_ERROR_ZERO_RETURN:
        return {IoStatus::kClosed};
      default: {
        broken = true;
        const unsigned long e = ERR_peek_error();
        const int reason = ERR_GET_REASON(e);
        const bool ssl = ERR_GET_LIB(e) == ERR_LIB_SSL;
        plainHttp = ssl && (reason == SSL_R_HTTP_REQUEST || reason == SSL_R_HTTPS_PROXY_REQUEST);
        // A client that connects and leaves (a port check) is no failure worth a line.
        if (!handshaken && !plainHttp && e != 0 && reason != SSL_R_UNEXPECTED_EOF_WHILE_READING)
          failure = HandshakeProblem(e);
        ERR_clear_error();
        return {IoStatus::kError};
      }
    }
  }
};

TlsContext::TlsContext(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
TlsContext::~TlsContext() = default;

std::unique_ptr<TlsContext> TlsContext::Load(const std::string& certFile,
                                             const std::string& keyFile, std::string& error,
                                             std::vector<std::string>& warnings) {
  if (!Readable(certFile, "certificate", error) || !Readable(keyFile, "private key", error))
    return nullptr;
  auto impl = std::make_unique<Impl>();
  ERR_clear_error();
  impl->ctx = SSL_CTX_new(TLS_server_method());
  if (!impl->ctx || !SocketMethod()) {
    error = "cannot set up TLS: " + OpenSslReason();
    return nullptr;
  }
  SSL_CTX* ctx = impl->ctx;
  SSL_CTX_set_min_proto_version(ctx, TLS1_2_VERSION);
  SSL_CTX_set_options(ctx, SSL_OP_NO_RENEGOTIATION | SSL_OP_CIPHER_SERVER_PREFERENCE);
  if (SSL_CTX_set_cipher_list(ctx, kTls12Ciphers) != 1) {
    error = "cannot set up TLS: " + OpenSslReason();
    return nullptr;
  }
  // Idle connections (up to HttpFront::kMaxConnections) keep no buffers.
  SSL_CTX_set_mode(ctx, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER |
                            SSL_MODE_RELEASE_BUFFERS);
  if (SSL_CTX_use_certificate_chain_file(ctx, certFile.c_str()) != 1) {
    error = "the certificate " + certFile + " cannot be used: " + FileProblem(true);
    return nullptr;
  }
  // Read here rather than by SSL_CTX_use_PrivateKey_file, which would call a
  // key of another certificate unusable instead of saying whose it is.
  BIO* in = BIO_new_file(keyFile.c_str(), "rb");
  EVP_PKEY* key = in ? PEM_read_bio_PrivateKey(in, nullptr, NoPassphrase, nullptr) : nullptr;
  BIO_free(in);
  if (!key) {
    error = "the private key " + keyFile + " cannot be used: " + FileProblem(false);
    return nullptr;
  }
  const bool belongs = X509_check_private_key(SSL_CTX_get0_certificate(ctx), key) == 1;
  ERR_clear_error();
  const bool used = belongs && SSL_CTX_use_PrivateKey(ctx, key) == 1;
  EVP_PKEY_free(key);
  if (!belongs) {
    error = "the private key " + keyFile + " does not belong to the certificate " + certFile;
    return nullptr;
  }
  if (!used) {
    error = "the private key " + keyFile + " cannot be used: OpenSSL: " + OpenSslReason();
    return nullptr;
  }
  CheckValidity(ctx, certFile, warnings);
  CheckKeyPermissions(keyFile, warnings);
  return std::unique_ptr<TlsContext>(new TlsContext(std::move(impl)));
}

std::unique_ptr<TlsSession> TlsContext::Start(NetSocket socket) {
  auto session = std::make_unique<TlsSession::Impl>();
  session->socket = socket;
  session->ssl = SSL_new(impl_->ctx);
  BIO* bio = session->ssl ? BIO_new(SocketMethod()) : nullptr;
  if (!bio) {
    ERR_clear_error();
    return nullptr;
  }
  BIO_set_data(bio, reinterpret_cast<void*>(static_cast<intptr_t>(socket)));
  SSL_set_bio(session->ssl, bio, bio);
  return std::make_unique<TlsSession>(std::move(session));
}

TlsSession::TlsSession(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
TlsSession::~TlsSession() = default;

IoResult TlsSession::Read(char* buffer, size_t size) {
  Impl& m = *impl_;
  m.wantWrite = false;
  if (m.broken) return {IoStatus::kError};
  ERR_clear_error();
  if (!m.handshaken) {
    const int r = SSL_accept(m.ssl);
    if (r != 1) return m.Failure(r);
    m.handshaken = true;
  }
  size_t got = 0;
  const int r = SSL_read_ex(m.ssl, buffer, size, &got);
  if (r == 1) return {IoStatus::kData, got};
  return m.Failure(r);
}

bool TlsSession::WantsWrite() const {
  return impl_->wantWrite;
}

bool TlsSession::HasBuffered() const {
  return impl_->handshaken && !impl_->broken && SSL_pending(impl_->ssl) > 0;
}

bool TlsSession::SpokePlainHttp() const {
  return impl_->plainHttp;
}

const std::string& TlsSession::HandshakeFailure() const {
  return impl_->failure;
}

bool TlsSession::WriteAll(const std::string& data, int timeoutMs) {
  Impl& m = *impl_;
  if (m.broken || !m.handshaken) return false;
  return NetWriteAllWith(m.socket, data, timeoutMs,
                         [&m](const char* bytes, size_t size, bool& writable) -> IoResult {
                           ERR_clear_error();
                           size_t n = 0;
                           const int r = SSL_write_ex(m.ssl, bytes, size, &n);
                           if (r == 1) return {IoStatus::kData, n};
                           const int e = SSL_get_error(m.ssl, r);
                           if (e != SSL_ERROR_WANT_READ && e != SSL_ERROR_WANT_WRITE) {
                             m.broken = true;
                             ERR_clear_error();
                             return {IoStatus::kError};
                           }
                           writable = e == SSL_ERROR_WANT_WRITE;
                           return {IoStatus::kWouldBlock};
                         });
}

void TlsSession::Shutdown() {
  if (!impl_->handshaken || impl_->broken) return;
  ERR_clear_error();
  SSL_shutdown(impl_->ssl);
  ERR_clear_error();
}
