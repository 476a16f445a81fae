#pragma once

#include <memory>
#include <string>
#include <vector>

#include "server/net_socket.h"

// https for fiscal-server's connections, with the system's OpenSSL where the
// build has it (tls_openssl.cpp) and none where it has not (tls_none.cpp:
// the Windows build). Everything here is non-blocking: a connection's
// handshake advances only when its socket has bytes, so a client that never
// finishes it costs a socket until its time-out, never a thread.

// False in a build without a TLS library: then TlsContext::Load always fails.
bool TlsAvailable();

// What such a build says when asked for https.
constexpr const char* kNoTlsInThisBuild =
    "https is not available in this build (it has no TLS library): serve plain http on "
    "loopback, or put a TLS proxy in front of the server (see docs/fiscal-server.md)";

class TlsSession;

// The server's certificate and key, shared by every connection (TLS 1.2 or
// newer, no renegotiation).
class TlsContext {
 public:
  ~TlsContext();

  // Reads the certificate (PEM; the intermediate certificates may follow it
  // in the same file, leaf first) and its private key (PEM, without a
  // passphrase: nobody is there to type one). nullptr with `error` set, in
  // words for the person starting the server, when a file cannot be read,
  // holds no certificate or key, or the key is not the certificate's.
  // `warnings` (also on success): a key every user can read, a certificate
  // outside its validity.
  static std::unique_ptr<TlsContext> Load(const std::string& certFile, const std::string& keyFile,
                                          std::string& error, std::vector<std::string>& warnings);

  // A session for a newly accepted connection; nullptr when OpenSSL cannot
  // make one (out of memory): the connection is then closed.
  std::unique_ptr<TlsSession> Start(NetSocket socket);

  struct Impl;

 private:
  explicit TlsContext(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

// One connection's TLS. Used by one thread at a time; it never closes the
// socket (its owner does).
class TlsSession {
 public:
  ~TlsSession();

  // As NetRead, the handshake first: kData with bytes of the request,
  // kClosed when the peer has closed, kError when the connection failed (bad
  // handshake), kWouldBlock when nothing can be read yet (see WantsWrite).
  IoResult Read(char* buffer, size_t size);
  // The last Read waits for the socket to take bytes, not to bring them.
  bool WantsWrite() const;
  // Decrypted bytes wait inside the session: the socket will not say so.
  bool HasBuffered() const;
  // The handshake failed because the client sent plain HTTP.
  bool SpokePlainHttp() const;
  // Why the handshake failed otherwise, for the log ("the client does not
  // trust this server's certificate"); "" when the client simply left.
  const std::string& HandshakeFailure() const;

  // Writes all of `data`, waiting at most `timeoutMs` in all.
  bool WriteAll(const std::string& data, int timeoutMs);
  // Says goodbye to the peer (close_notify) when the connection is sound,
  // without waiting for an answer.
  void Shutdown();

  struct Impl;
  explicit TlsSession(std::unique_ptr<Impl> impl);

 private:
  std::unique_ptr<Impl> impl_;
};
