#include "link/private_file.h"

#include <cerrno>
#include <cstring>

#include "link/utf8_file.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#ifdef _WIN32

std::FILE* OpenPrivateFileUtf8(const std::string& path, const char* mode) {
  return OpenFileUtf8(path, mode);
}

#else

namespace {

constexpr mode_t kOwnerOnly = S_IRUSR | S_IWUSR;

}  // namespace

std::FILE* OpenPrivateFileUtf8(const std::string& path, const char* mode) {
  const std::string m = mode ? mode : "";
  int flags = O_CREAT | O_CLOEXEC | O_NOCTTY;
  if (m.find('+') != std::string::npos)
    flags |= O_RDWR;
  else
    flags |= O_WRONLY;
  if (!m.empty() && m[0] == 'w') {
    flags |= O_TRUNC;
  } else if (!m.empty() && m[0] == 'a') {
    flags |= O_APPEND;
  } else {
    errno = EINVAL;
    return nullptr;
  }
  if (path.find('\0') != std::string::npos) {
    errno = EINVAL;
    return nullptr;
  }
  const int fd = ::open(path.c_str(), flags, kOwnerOnly);
  if (fd < 0) return nullptr;
  // An existing file keeps its permissions through open(): narrow them, unless
  // the file is not ours (then the system refuses, and the file is left as
  // its owner made it: not ours to decide).
  struct stat st {};
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & 0077) != 0 &&
      st.st_uid == ::geteuid())
    ::fchmod(fd, kOwnerOnly);
  std::FILE* f = ::fdopen(fd, mode);
  if (!f) {
    const int e = errno;
    ::close(fd);
    errno = e;
  }
  return f;
}

#endif
