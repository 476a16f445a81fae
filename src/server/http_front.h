#pragma once

#include <memory>
#include <string>

class Api;

// The HTTP side of fiscal-server: a listening socket in front of an Api.
// Reads and writes time out after a few seconds, so a slow or stuck client
// only ever holds its own connection thread, never a printer.
class HttpFront {
 public:
  explicit HttpFront(Api& api);
  ~HttpFront();

  // Binds `host`:`port` (0: any free port). False when the address cannot be bound.
  bool Bind(const std::string& host, int port);
  int Port() const;  // the bound port
  // Serves until Stop (from another thread or a signal handler's thread).
  void Serve();
  void Stop();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};
