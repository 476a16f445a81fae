// fiscal-sim: the simulated fiscal printer on a pseudo-terminal.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "link/line_recording.h"
#include "sim/session_replay.h"
#include "sim/sim_server.h"

namespace {
const char* kUsage =
    "Usage: fiscal-sim [options]\n"
    "\n"
    "A simulated fiscal receipt printer on a pseudo-terminal. The first line of\n"
    "standard output is the path of the line (e.g. /dev/pts/7): open it as the\n"
    "printer's serial port. Everything the printer prints follows on standard\n"
    "output (or goes to --paper FILE). Control commands are read from standard\n"
    "input (and from --control SOCKET); their answers go to standard error.\n"
    "Stop it with Ctrl+C.\n"
    "\n"
    "Options:\n"
    "  --baud N          the printer's line speed (1200..115200, default 9600); a host\n"
    "                    that opens the line at another speed gets garbled bytes\n"
    "  --factory         start as a new printer: no factory numbers, not fiscalized,\n"
    "                    clock not set (to practise the whole fiscalization)\n"
    "  --state FILE      keep the printer's memory in FILE across runs (read at start\n"
    "                    when it exists, rewritten safely after every change); a\n"
    "                    printer read from FILE keeps its own width, groups and state\n"
    "  --paper FILE      append the printed paper to FILE instead of standard output\n"
    "  --link PATH       also make PATH a symbolic link to the line (removed at exit)\n"
    "  --width 42|38     characters per printed line (default 42)\n"
    "  --groups N        tax groups the printer has, 3..8 (default 8)\n"
    "  --decimals 2|0    amounts with two decimals (default) or in whole numbers\n"
    "  --busy-ms MS      how long printing a report keeps the printer busy (default 1500)\n"
    "  --resend-ms MS    how long after a reply the same frame again is the host's\n"
    "                    resend of it, answered without running it twice (default\n"
    "                    10000; a host that opens the line anew is never resending)\n"
    "  --instant         no per-byte transfer delay (default: real timing at --baud)\n"
    "  --fault COMMAND   run a control command at start, e.g. --fault paper-out or\n"
    "                    --fault 'repeat 3'; may be given more than once\n"
    "  --control SOCKET  also accept control commands on a Unix socket at SOCKET\n"
    "                    (e.g. socat - UNIX-CONNECT:SOCKET)\n"
    "  --replay FILE     play the printer's side of a session recorded with\n"
    "                    fiscal-cli --record FILE (or fiscal-service --record) back\n"
    "                    to the host: its frames must be the same (block numbers\n"
    "                    aside); ends after the last frame, exit status 0, or at the\n"
    "                    first difference, reported on standard error, exit status 1.\n"
    "                    Replies wait their recorded time unless --instant is given.\n"
    "  --help            this text\n"
    "\n"
    "Starting state (without --factory): a fiscalized printer in working order,\n"
    "clock set, sample header lines, two decimals, tax groups А 0%, Б 20%, В 20%,\n"
    "Г 9% (Д..З switched off), operators 1..9 named \"Оператор N\" with password N,\n"
    "service password 000000, payment types В БРОЙ, КАРТА, ЧЕК, ВАУЧЕР, ВАЛУТА,\n"
    "articles 1..7, departments 1..6, invoice numbers 1..1000, and three daily\n"
    "reports in the fiscal memory.\n"
    "\n";

volatile sig_atomic_t gStop = 0;
std::atomic<bool> gReplayStop{false};  // lock-free, so a signal handler may set it
void OnSignal(int) {
  gStop = 1;
  gReplayStop = true;
}

bool ParseInt(const char* s, int& out) {
  char* end = nullptr;
  errno = 0;
  const long v = std::strtol(s, &end, 10);
  if (!*s || *end || errno || v < 0 || v > 100000000) return false;
  out = static_cast<int>(v);
  return true;
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "fiscal-sim: %s\n", message.c_str());
  return 2;
}

int OpenControlSocket(const std::string& path) {
  sockaddr_un addr{};
  if (path.size() >= sizeof addr.sun_path) return -1;
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  addr.sun_family = AF_UNIX;
  std::strncpy(addr.sun_path, path.c_str(), sizeof addr.sun_path - 1);
  struct stat st {};
  if (::lstat(path.c_str(), &st) == 0 && S_ISSOCK(st.st_mode)) ::unlink(path.c_str());
  if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 4) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

void WriteAll(int fd, const std::string& s) {
  size_t done = 0;
  while (done < s.size()) {
    const ssize_t n = ::write(fd, s.data() + done, s.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    done += static_cast<size_t>(n);
  }
}

// Splits input into lines and runs each as a control command.
struct LineReader {
  std::string pending;
  template <class F>
  void Feed(const char* data, size_t n, F onLine) {
    pending.append(data, n);
    if (pending.size() > 65536) pending.clear();  // a runaway line is dropped
    size_t p;
    while ((p = pending.find('\n')) != std::string::npos) {
      std::string line = pending.substr(0, p);
      pending.erase(0, p + 1);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      onLine(line);
    }
  }
};
void InstallSignalHandlers() {
  struct sigaction sa {};
  sa.sa_handler = OnSignal;
  ::sigaction(SIGINT, &sa, nullptr);
  ::sigaction(SIGTERM, &sa, nullptr);
  ::signal(SIGPIPE, SIG_IGN);
}

bool MakeLink(const std::string& link, const std::string& target) {
  struct stat st {};
  if (::lstat(link.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) ::unlink(link.c_str());
  return ::symlink(target.c_str(), link.c_str()) == 0;
}

// fiscal-sim --replay: the printer's side of a recorded session.
int RunReplay(const std::string& file, const std::string& link, bool realTiming) {
  std::FILE* f = std::fopen(file.c_str(), "rb");
  if (!f) return Fail("--replay: cannot read " + file + ": " + std::strerror(errno));
  std::string text;
  char buf[4096];
  for (size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) text.append(buf, n);
  std::fclose(f);
  std::vector<RecordedChunk> chunks;
  std::vector<ReplayStep> steps;
  std::string error;
  if (!ParseRecording(text, chunks, error) || !BuildReplaySteps(chunks, steps, error))
    return Fail("--replay: " + file + ": " + error);
  ReplayOptions options;
  options.realTiming = realTiming;
  std::unique_ptr<SessionReplay> replay;
  try {
    replay = std::make_unique<SessionReplay>(std::move(steps), options);
  } catch (const std::exception& e) {
    return Fail(e.what());
  }
  if (!link.empty() && !MakeLink(link, replay->Path()))
    return Fail("cannot make the link " + link + ": " + std::strerror(errno));
  InstallSignalHandlers();
  std::printf("%s\n", replay->Path().c_str());
  std::fflush(stdout);
  const ReplayResult result = replay->Run(gReplayStop);
  if (!link.empty()) ::unlink(link.c_str());
  std::fprintf(stderr, "%s\n", result.message.c_str());
  return result.ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  // A closed standard descriptor would be handed out again to the
  // pseudo-terminal, and its bytes would then be read as control commands or
  // the paper written onto the line: fill any gap with /dev/null first.
  for (int fd = 0; fd <= 2; ++fd)
    if (::fcntl(fd, F_GETFD) == -1) {
      const int null = ::open("/dev/null", O_RDWR);
      if (null >= 0 && null != fd) {
        ::dup2(null, fd);
        ::close(null);
      }
    }
  SimOptions opt;
  opt.realTiming = true;
  opt.busyMs = 1500;
  opt.paperToStdout = true;
  std::string link, control, replay;
  std::vector<std::string> faults;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto value = [&](const char* what) -> const char* {
      if (i + 1 >= argc) return nullptr;
      (void)what;
      return argv[++i];
    };
    if (a == "--help" || a == "-h") {
      std::fputs(kUsage, stdout);
      std::fputs(SimServer::ControlHelp().c_str(), stdout);
      return 0;
    } else if (a == "--factory") {
      opt.factory = true;
    } else if (a == "--instant") {
      opt.realTiming = false;
    } else if (a == "--baud") {
      const char* v = value("--baud");
      static const int kSpeeds[] = {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};
      int b = 0;
      bool known = false;
      if (v && ParseInt(v, b))
        for (int s : kSpeeds) known = known || s == b;
      if (!known) return Fail("--baud takes one of 1200 2400 4800 9600 19200 38400 57600 115200");
      opt.baud = b;
    } else if (a == "--width") {
      const char* v = value("--width");
      int w = 0;
      if (!v || !ParseInt(v, w) || (w != 38 && w != 42)) return Fail("--width takes 38 or 42");
      opt.headerWidth = w;
    } else if (a == "--groups") {
      const char* v = value("--groups");
      int g = 0;
      if (!v || !ParseInt(v, g) || g < 3 || g > 8) return Fail("--groups takes 3..8");
      opt.taxGroups = g;
    } else if (a == "--decimals") {
      const char* v = value("--decimals");
      const std::string d = v ? v : "";
      if (d != "0" && d != "2") return Fail("--decimals takes 2 or 0");
      opt.decimals = d[0];
    } else if (a == "--busy-ms") {
      const char* v = value("--busy-ms");
      int ms = 0;
      if (!v || !ParseInt(v, ms) || ms > 600000) return Fail("--busy-ms takes 0..600000");
      opt.busyMs = ms;
    } else if (a == "--resend-ms") {
      const char* v = value("--resend-ms");
      int ms = 0;
      if (!v || !ParseInt(v, ms) || ms > 600000) return Fail("--resend-ms takes 0..600000");
      opt.resendWindowMs = ms;
    } else if (a == "--state" || a == "--paper" || a == "--link" || a == "--control" ||
               a == "--fault" || a == "--replay") {
      const char* v = value(a.c_str());
      if (!v || !*v) return Fail(a + " needs a value");
      if (a == "--state") opt.stateFile = v;
      if (a == "--paper") {
        opt.paperFile = v;
        opt.paperToStdout = false;
      }
      if (a == "--link") link = v;
      if (a == "--control") control = v;
      if (a == "--fault") faults.push_back(v);
      if (a == "--replay") replay = v;
    } else {
      return Fail("unknown option " + a + " (see --help)");
    }
  }

  if (!replay.empty()) return RunReplay(replay, link, opt.realTiming);

  std::unique_ptr<SimServer> sim;
  try {
    sim = std::make_unique<SimServer>(opt);
  } catch (const std::exception& e) {
    return Fail(e.what());
  }
  for (const auto& f : faults) {
    const std::string answer = sim->Control(f);
    if (answer.rfind("error", 0) == 0) return Fail("--fault " + f + ": " + answer);
  }
  if (!link.empty() && !MakeLink(link, sim->Path()))
    return Fail("cannot make the link " + link + ": " + std::strerror(errno));
  int listenFd = -1;
  if (!control.empty()) {
    listenFd = OpenControlSocket(control);
    if (listenFd < 0) return Fail("cannot listen on " + control + ": " + std::strerror(errno));
  }
  // Before the line is announced: whoever reads it may stop us at once.
  InstallSignalHandlers();
  std::printf("%s\n", sim->Path().c_str());
  std::fflush(stdout);

  bool stdinOpen = true;
  int clientFd = -1;
  LineReader stdinLines, clientLines;
  std::string lastStateError;
  while (!gStop) {
    std::vector<pollfd> fds;
    if (stdinOpen) fds.push_back({0, POLLIN, 0});
    if (listenFd >= 0) fds.push_back({listenFd, POLLIN, 0});
    if (clientFd >= 0) fds.push_back({clientFd, POLLIN, 0});
    const int ready = ::poll(fds.data(), fds.size(), 500);
    const std::string stateError = sim->StateError();
    if (stateError != lastStateError && !stateError.empty())
      std::fprintf(stderr, "fiscal-sim: %s\n", stateError.c_str());
    lastStateError = stateError;
    if (ready <= 0) continue;
    char buf[1024];
    for (const pollfd& p : fds) {
      if (!p.revents) continue;
      if (p.fd == 0) {
        const ssize_t n = ::read(0, buf, sizeof buf);
        if (n <= 0) {
          stdinOpen = false;  // keep serving without a console
          continue;
        }
        stdinLines.Feed(buf, static_cast<size_t>(n), [&](const std::string& line) {
          std::fputs(sim->Control(line).c_str(), stderr);
        });
      } else if (p.fd == listenFd) {
        const int c = ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (c >= 0) {
          if (clientFd >= 0) ::close(clientFd);
          clientFd = c;
          clientLines.pending.clear();
        }
      } else if (p.fd == clientFd) {
        const ssize_t n = ::read(clientFd, buf, sizeof buf);
        if (n <= 0) {
          ::close(clientFd);
          clientFd = -1;
          continue;
        }
        clientLines.Feed(buf, static_cast<size_t>(n),
                         [&](const std::string& line) { WriteAll(clientFd, sim->Control(line)); });
      }
    }
  }
  if (clientFd >= 0) ::close(clientFd);
  if (listenFd >= 0) {
    ::close(listenFd);
    ::unlink(control.c_str());
  }
  if (!link.empty()) ::unlink(link.c_str());
  sim.reset();
  return 0;
}
