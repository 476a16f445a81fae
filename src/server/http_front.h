#pragma once

#include <cstdio>
#include <memory>
#include <string>

class Api;
class RequestLog;
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
// alive unless the client asks otherwise. HEAD is answered as GET without the
// body; "Expect: 100-continue" gets its "100 Continue".
//
// Room: at most kMaxConnections wait for a request. A new one beyond that,
// or running out of file descriptors, closes an idle connection (one that
// has sent nothing of a request, the longest idle first); one part-way
// through its request only when none is idle; one whose request was read
// never (it is with a handler). Out of file descriptors the server keeps
// fewer from then on, leaving some for the printers and the journal, and
// says so once in the log.
//
// A client gone: a printer job waiting for its turn is dropped when its
// client has gone (Api's clientGone). A reset or broken connection is gone.
// An end of stream is not enough over plain HTTP/1.1: a client may end only
// its sending side after its request and wait for the answer. Then the
// server writes an interim "100 Continue" (which every HTTP/1.1 client must
// take), and a client that closed wholly answers it with a reset: gone. No
// reset within kProbeMs: it waits, and the job runs. An HTTP/1.0 client (no
// interim answers) and a TLS client (whose goodbye is close_notify) that
// end their stream are gone. With SetTls every connection is
// https: the reading thread drives each TLS handshake without blocking, so a
// handshake is bound by the same whole-request time as the request itself.
class HttpFront {
 public:
  static constexpr int kRequestSeconds = 10;
  static constexpr int kWriteSeconds = 5;
  // Connections waiting for a request at once (see "Room").
  static constexpr size_t kMaxConnections = 512;
  // How long a half-closed client has to answer the probe with a reset.
  static constexpr int kProbeMs = 100;

  explicit HttpFront(Api& api);
  ~HttpFront();

  // Binds `host`:`port` (0: any free port) exclusively. False when the address
  // cannot be bound (BindError says why, e.g. another server holds it).
  // Loopback ("127.0.0.1", "localhost", "::1") is bound on both 127.0.0.1 and
  // [::1] (IPv6 only), so that no other program can take the same port on the
  // other address family and receive the requests (and tokens) of clients
  // that try it first; a computer without ::1 is served on 127.0.0.1 alone.
  bool Bind(const std::string& host, int port);
  const std::string& BindError() const;
  int Port() const;  // the bound port
  // Where it listens, for people: "127.0.0.1:8001 and [::1]:8001".
  std::string Addresses() const;
  // Serves until Stop (from another thread or a signal handler's thread).
  void Serve();
  void Stop();

  // Serves https only, with `tls`'s certificate (set before Serve). The TLS
  // handshake counts into the time a request has to arrive.
  void SetTls(std::unique_ptr<TlsContext> tls);
  // Where one line per request is written (nullptr: no log), and a line per
  // async task when it has run. Set before Serve.
  void SetRequestLog(std::shared_ptr<RequestLog> log);
  // The same on a file of the caller's (no cap).
  void SetLog(std::FILE* log);
  // Tests only: the time a request has to arrive whole, in milliseconds.
  void SetRequestDeadlineForTesting(int ms);
  // Tests only: kMaxConnections.
  void SetMaxConnectionsForTesting(size_t connections);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};
