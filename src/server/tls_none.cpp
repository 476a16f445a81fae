// A build without a TLS library (the Windows build): plain http only.
#include "server/tls.h"

bool TlsAvailable() {
  return false;
}

struct TlsContext::Impl {};
struct TlsSession::Impl {};

TlsContext::TlsContext(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
TlsContext::~TlsContext() = default;

std::unique_ptr<TlsContext> TlsContext::Load(const std::string&, const std::string&,
                                             std::string& error, std::vector<std::string>&) {
  error = kNoTlsInThisBuild;
  return nullptr;
}

std::unique_ptr<TlsSession> TlsContext::Start(NetSocket) {
  return nullptr;
}

TlsSession::TlsSession(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
TlsSession::~TlsSession() = default;

IoResult TlsSession::Read(char*, size_t) {
  return {IoStatus::kError};
}
bool TlsSession::WantsWrite() const {
  return false;
}
bool TlsSession::HasBuffered() const {
  return false;
}
bool TlsSession::SpokePlainHttp() const {
  return false;
}
const std::string& TlsSession::HandshakeFailure() const {
  static const std::string none;
  return none;
}
bool TlsSession::WriteAll(const std::string&, int) {
  return false;
}
void TlsSession::Shutdown() {}
