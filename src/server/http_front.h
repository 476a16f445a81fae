#pragma once

#include <cstdio>
#include <memory>
#include <string>

class Api;
class TlsContext;

// The HTTP side of fiscal-server: a listening socket in front of an Api.
//
// One thread reads every connection without blocking, so any number of slow
// or idle clients costs only their sockets: a request must arrive whole
// (headers and body) within kRequestSeconds of the connection being ready
// for it, or the connection is closed. A complete request goes to a handler
// thread; there are more handler threads than all printers' queues can hold,
// so a printer that is overloaded answers 503 at once, and when every handler
// is busy a new request gets 503 at once too, never a wait.
//
// Each response is written in one piece with Nagle off; connections are kept
// alive unless the client asks otherwise. With SetTls every connection is
// https: the reading thread drives each TLS handshake without blocking, so a
// handshake is bound by the same whole-request time as the request itself.
class HttpFront {
 public:
  static constexpr int kRequestSeconds = 10;
  static constexpr int kWriteSeconds = 5;
  // Connections open at once; beyond it the connection waiting longest for
  // its request is closed to make room.
  static constexpr size_t kMaxConnections = 512;

  explicit HttpFront(Api& api);
  ~HttpFront();

  // Binds `host`:`port` (0: any free port) exclusively. False when the address
  // cannot be bound (BindError says why, e.g. another server holds it).
  bool Bind(const std::string& host, int port);
  const std::string& BindError() const;
  int Port() const;  // the bound port
  // Serves until Stop (from another thread or a signal handler's thread).
  void Serve();
  void Stop();

  // Serves https only, with `tls`'s certificate (set before Serve). The TLS
  // handshake counts into the time a request has to arrive.
  void SetTls(std::unique_ptr<TlsContext> tls);
  // Where one line per request is written (nullptr: no log). Set before Serve.
  void SetLog(std::FILE* log);
  // Tests only: the time a request has to arrive whole, in milliseconds.
  void SetRequestDeadlineForTesting(int ms);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};
