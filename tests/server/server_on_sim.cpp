#include "server_on_sim.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

using nlohmann::json;

int CountOf(const std::string& text, const std::string& what) {
  int n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

RawClient::RawClient(int port) {
  fd_ = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) Close();
}

RawClient::~RawClient() {
  Close();
}

void RawClient::Close() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
}

bool RawClient::Send(const std::string& bytes) {
  return fd_ >= 0 &&
         send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(bytes.size());
}

std::string RawClient::ReadAll(int ms) {
  std::string out = pending_;
  pending_.clear();
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (fd_ >= 0) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                          end - std::chrono::steady_clock::now())
                          .count();
    if (left <= 0) break;
    pollfd p{fd_, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(left)) <= 0) break;
    char buf[4096];
    const ssize_t n = recv(fd_, buf, sizeof buf, 0);
    if (n <= 0) break;
    out.append(buf, static_cast<size_t>(n));
  }
  return out;
}

std::string RawClient::ReadResponse(int ms) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  std::string& got = pending_;
  while (true) {
    const size_t head = got.find("\r\n\r\n");
    if (head != std::string::npos) {
      size_t length = 0;
      const size_t at = got.find("Content-Length: ");
      if (at != std::string::npos && at < head) length = std::stoul(got.substr(at + 16));
      if (got.size() >= head + 4 + length) {
        std::string one = got.substr(0, head + 4 + length);
        got.erase(0, head + 4 + length);
        return one;
      }
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                          end - std::chrono::steady_clock::now())
                          .count();
    if (left <= 0 || fd_ < 0) return "";
    pollfd p{fd_, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(left)) <= 0) return "";
    char buf[4096];
    const ssize_t n = recv(fd_, buf, sizeof buf, 0);
    if (n <= 0) return "";
    got.append(buf, static_cast<size_t>(n));
  }
}

int StatusOf(const std::string& response) {
  if (response.rfind("HTTP/1.1 ", 0) != 0 || response.size() < 12) return 0;
  return std::stoi(response.substr(9, 3));
}

std::string LogOnceItHolds(std::FILE* log, const std::string& part) {
  std::string text;
  for (int i = 0; i < 100 && text.find(part) == std::string::npos; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    std::rewind(log);
    text.assign(16384, '\0');
    text.resize(std::fread(&text[0], 1, text.size(), log));
  }
  return text;
}

void ServerOnSimBase::Start(ServerConfig config) {
  config.printers.insert(config.printers.begin(), ServedPrinter{"1", 201, sim.Path(), 9600});
  StartServing(config);
}

std::string ServerOnSimBase::ScanLog() {
  std::lock_guard<std::mutex> lock(scanLogLock_);
  return scanLog_;
}

void ServerOnSimBase::StartServing(ServerConfig config) {
  config.defaultOperator = OperatorRecord{1, "", "1"};
  config_ = config;
  api = std::make_unique<Api>(config);
  std::string error;
  if (!config.journalPath.empty()) {
    ASSERT_TRUE(api->OpenJournal(config.journalPath, error)) << error;
  }
  LinkTimeouts fast;
  fast.checkLink = 300;
  fast.linkSeries = 400;
  fast.reply = 400;
  api->SetTimeoutsForTesting(fast);
  api->SetDiscoveryForTesting(discovery);
  api->StartFinding([this](const std::string& line) {
    std::lock_guard<std::mutex> lock(scanLogLock_);
    scanLog_ += line + "\n";
  });
  front = std::make_unique<HttpFront>(*api);
  ASSERT_TRUE(front->Bind("127.0.0.1", 0)) << front->BindError();
  const bool https = tls != nullptr;
  if (https) front->SetTls(std::move(tls));
  if (requestLog) front->SetLog(requestLog);
  serving = std::thread([this] { front->Serve(); });
  client = std::make_unique<httplib::Client>((https ? "https://127.0.0.1:" : "http://127.0.0.1:") +
                                             std::to_string(front->Port()));
#ifdef CPPHTTPLIB_OPENSSL_SUPPORT
  if (https) {
    client->set_ca_cert_path(tlsCa.c_str());
    client->enable_server_certificate_verification(true);
  }
#endif
  client->set_read_timeout(60, 0);
  for (int i = 0; i < 100 && !client->Get("/printers/none"); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

void ServerOnSimBase::Stop() {
  if (!front) return;
  client.reset();
  front->Stop();
  serving.join();
  front.reset();
  api.reset();
}

std::pair<int, json> ServerOnSimBase::Post(const std::string& path, const std::string& body,
                                           const httplib::Headers& headers, const char* type) {
  auto res = client->Post(path.c_str(), headers, body, type);
  if (!res) return {0, json()};
  return {res->status, json::parse(res->body, nullptr, false)};
}

std::pair<int, json> ServerOnSimBase::Get(const std::string& path,
                                          const httplib::Headers& headers) {
  auto res = client->Get(path.c_str(), headers);
  if (!res) return {0, json()};
  return {res->status, json::parse(res->body, nullptr, false)};
}
