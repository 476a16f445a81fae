#include "app/simulator_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace {

bool IsExecutable(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

long MillisSince(std::chrono::steady_clock::time_point start) {
  return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                               std::chrono::steady_clock::now() - start)
                               .count());
}

}  // namespace

SimulatorProcess::~SimulatorProcess() {
  Stop();
}

bool SimulatorProcess::Start(const std::string& program, const std::vector<std::string>& args,
                             int timeoutMs, std::string& error) {
  Stop();
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) {
    error = std::string("cannot create a pipe: ") + std::strerror(errno);
    return false;
  }
  // Everything the child needs is prepared before fork: after it, the child
  // only calls async-signal-safe functions.
  std::vector<std::string> argvStore;
  argvStore.push_back(program);
  argvStore.insert(argvStore.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : argvStore) argv.push_back(a.data());
  argv.push_back(nullptr);
  const pid_t parent = ::getpid();

  const pid_t pid = ::fork();
  if (pid < 0) {
    error = std::string("cannot start the simulator: ") + std::strerror(errno);
    ::close(fds[0]);
    ::close(fds[1]);
    return false;
  }
  if (pid == 0) {
    // The simulator must not outlive the program, even when it crashes.
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (::getppid() != parent) ::_exit(127);
    ::dup2(fds[1], STDOUT_FILENO);
    // Its control commands would otherwise read the program's terminal.
    const int null = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (null >= 0) ::dup2(null, STDIN_FILENO);
    if (program.find('/') != std::string::npos) {
      ::execv(argv[0], argv.data());
    } else {
      ::execvp(argv[0], argv.data());
    }
    ::_exit(127);
  }
  ::close(fds[1]);
  pid_ = pid;
  out_ = fds[0];
  ::fcntl(out_, F_SETFL, ::fcntl(out_, F_GETFL) | O_NONBLOCK);

  // The first line names the device.
  const auto start = std::chrono::steady_clock::now();
  std::string got;
  while (true) {
    const auto newline = got.find('\n');
    if (newline != std::string::npos) {
      devicePath_ = got.substr(0, newline);
      if (!devicePath_.empty() && devicePath_.back() == '\r') devicePath_.pop_back();
      pending_ = got.substr(newline + 1);
      if (!devicePath_.empty()) return true;
      error = "the simulator named no device";
      break;
    }
    const long left = timeoutMs - MillisSince(start);
    if (left <= 0) {
      error = "the simulator named no device within " + std::to_string(timeoutMs) + " ms";
      break;
    }
    pollfd p{out_, POLLIN, 0};
    const int ready = ::poll(&p, 1, static_cast<int>(left));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) continue;
    char buffer[512];
    const ssize_t n = ::read(out_, buffer, sizeof buffer);
    if (n > 0) {
      got.append(buffer, static_cast<size_t>(n));
    } else if (n == 0) {
      error = "the simulator (" + program + ") ended at once; is it built?";
      break;
    }
  }
  Stop();
  return false;
}

std::string SimulatorProcess::ReadOutput() {
  std::string out;
  out.swap(pending_);
  if (out_ < 0) return out;
  char buffer[4096];
  while (true) {
    const ssize_t n = ::read(out_, buffer, sizeof buffer);
    if (n > 0) {
      out.append(buffer, static_cast<size_t>(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    break;  // nothing more now (EAGAIN) or the child closed its output
  }
  return out;
}

void SimulatorProcess::Stop() {
  if (pid_ > 0) {
    ::kill(pid_, SIGTERM);
    const auto start = std::chrono::steady_clock::now();
    bool reaped = false;
    while (MillisSince(start) < 2000) {
      const pid_t r = ::waitpid(pid_, nullptr, WNOHANG);
      if (r == pid_ || (r < 0 && errno == ECHILD)) {
        reaped = true;
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (!reaped) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
    pid_ = -1;
  }
  if (out_ >= 0) {
    ::close(out_);
    out_ = -1;
  }
}

std::string FindSimulator(const std::string& selfPath) {
  if (const char* env = std::getenv("FISCAL_SIM"); env && *env) return env;
  const auto slash = selfPath.rfind('/');
  if (slash != std::string::npos) {
    const std::string dir = selfPath.substr(0, slash);
    for (const std::string& candidate : {dir + "/fiscal-sim", dir + "/../sim/fiscal-sim"}) {
      if (IsExecutable(candidate)) return candidate;
    }
  }
  return "fiscal-sim";
}
