#include "server/journal_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#ifdef _WIN32
#include <windows.h>

#include "driver/system_error.h"
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// Read in pieces this large: a 200 MB journal is read in a few hundred calls.
constexpr size_t kReadChunk = 1 << 20;
// The longest process id text read back from another server's lock file.
constexpr size_t kHolderBytes = 32;

std::string InUse(const std::string& path, const std::string& holder) {
  return "the sale journal " + path + " is in use by another fiscal-server" +
         (holder.empty() ? "" : " (process " + holder + ")") +
         ": two servers on one journal could print one sale twice; give each server its own "
         "--journal, or stop the other one";
}

// The digits of a lock file's text: the holder's process id.
std::string HolderOf(const char* text, size_t n) {
  std::string digits;
  for (size_t i = 0; i < n && text[i] >= '0' && text[i] <= '9'; ++i) digits += text[i];
  return digits;
}

// Splits what was read into lines; keeps the unfinished one in `line`.
class LineSplitter {
 public:
  LineSplitter(size_t maxLine, const std::function<void(const std::string&, size_t)>& each)
      : maxLine_(maxLine), each_(each) {}
  void Feed(const char* data, size_t n) {
    for (size_t i = 0; i < n;) {
      const char* nl = static_cast<const char*>(std::memchr(data + i, '\n', n - i));
      const size_t end = nl ? static_cast<size_t>(nl - data) : n;
      if (!tooLong_) {
        if (line_.size() + (end - i) > maxLine_) {
          tooLong_ = true;
          line_.clear();
        } else {
          line_.append(data + i, end - i);
        }
      }
      pending_ += end - i;
      if (!nl) break;
      each_(tooLong_ ? std::string() : line_, ++number_);
      line_.clear();
      tooLong_ = false;
      complete_ += pending_ + 1;
      pending_ = 0;
      i = end + 1;
    }
  }
  // Bytes up to the end of the last complete line.
  uint64_t Complete() const { return complete_; }

 private:
  size_t maxLine_;
  const std::function<void(const std::string&, size_t)>& each_;
  std::string line_;
  bool tooLong_ = false;
  size_t number_ = 0;
  uint64_t complete_ = 0;
  uint64_t pending_ = 0;
};

#ifdef _WIN32

HANDLE H(void* h) {
  return static_cast<HANDLE>(h);
}

std::wstring Wide(const std::string& utf8) {
  if (utf8.empty()) return L"";
  const int n =
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(n > 0 ? n : 0), L'\0');
  if (n > 0)
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), n);
  return wide;
}

// The system's own words for the last error (UTF-8), as on Linux.
std::string Reason() {
  return SystemErrorText(static_cast<int>(GetLastError()));
}

// The lock is on one byte far past the process id, so that another server can
// still read the id.
constexpr DWORD kLockOffset = 0x40000000;

void MakeFolders(const std::string& path) {
  for (size_t at = path.find_first_of("/\\", 1); at != std::string::npos;
       at = path.find_first_of("/\\", at + 1)) {
    const std::string folder = path.substr(0, at);
    if (folder.size() == 2 && folder[1] == ':') continue;
    CreateDirectoryW(Wide(folder).c_str(), nullptr);
  }
}

HANDLE OpenData(const std::string& path, DWORD disposition) {
  const HANDLE h = CreateFileW(Wide(path).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                               nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  return h == INVALID_HANDLE_VALUE ? nullptr : h;
}

bool WriteAt(HANDLE h, uint64_t at, const std::string& text) {
  LARGE_INTEGER pos;
  pos.QuadPart = static_cast<LONGLONG>(at);
  if (!SetFilePointerEx(h, pos, nullptr, FILE_BEGIN)) return false;
  for (size_t done = 0; done < text.size();) {
    DWORD wrote = 0;
    const DWORD part = static_cast<DWORD>(std::min<size_t>(text.size() - done, kReadChunk));
    if (!WriteFile(h, text.data() + done, part, &wrote, nullptr) || wrote == 0) return false;
    done += wrote;
  }
  return FlushFileBuffers(h) != 0;
}

bool CutAt(HANDLE h, uint64_t size) {
  LARGE_INTEGER pos;
  pos.QuadPart = static_cast<LONGLONG>(size);
  return SetFilePointerEx(h, pos, nullptr, FILE_BEGIN) && SetEndOfFile(h) && FlushFileBuffers(h);
}

#else

std::string Reason() {
  return std::strerror(errno);
}

const char* KindOf(mode_t mode) {
  if (S_ISDIR(mode)) return "a folder";
  if (S_ISFIFO(mode)) return "a FIFO";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
  if (S_ISSOCK(mode)) return "a socket";
  return "not a plain file";
}

void MakeFolders(const std::string& path) {
  for (size_t at = path.find('/', 1); at != std::string::npos; at = path.find('/', at + 1))
    ::mkdir(path.substr(0, at).c_str(), 0700);
}

bool WriteAll(int fd, const std::string& text) {
  for (size_t done = 0; done < text.size();) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = EIO;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

std::string Folder(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? path.substr(0, 1) : path.substr(0, slash);
}

// A new or renamed file's name is on the disk only once its folder is.
// Best effort: some file systems cannot sync a folder, and nothing else can
// be done then.
void SyncFolder(const std::string& path) {
  const int fd = ::open(Folder(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

#endif

}  // namespace

JournalFile::~JournalFile() {
  Close();
}

#ifdef _WIN32

bool JournalFile::IsOpen() const {
  return file_ != nullptr;
}

void JournalFile::Close() {
  if (file_) CloseHandle(H(file_));
  if (lock_) CloseHandle(H(lock_));  // closing the handle lets the lock go
  file_ = lock_ = nullptr;
}

bool JournalFile::Lock(std::string& error) {
  const std::string lockPath = LockPath(path_);
  const HANDLE h = CreateFileW(Wide(lockPath).c_str(), GENERIC_READ | GENERIC_WRITE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    error =
        "cannot write the sale journal " + path_ + ": its lock file " + lockPath + ": " + Reason();
    return false;
  }
  OVERLAPPED at{};
  at.Offset = kLockOffset;
  if (!LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
    char text[kHolderBytes] = {};
    DWORD n = 0;
    ReadFile(h, text, sizeof text, &n, nullptr);
    error = InUse(path_, HolderOf(text, n));
    CloseHandle(h);
    return false;
  }
  const std::string pid = std::to_string(GetCurrentProcessId()) + "\r\n";
  CutAt(h, 0);
  WriteAt(h, 0, pid);
  lock_ = h;
  return true;
}

bool JournalFile::Open(const std::string& path, std::string& error) {
  Close();
  path_ = path;
  dirty_ = false;
  const DWORD attributes = GetFileAttributesW(Wide(path).c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    error = "the sale journal " + path + " is a folder, not a file";
    return false;
  }
  MakeFolders(path);
  if (!Lock(error)) return false;
  const HANDLE h = OpenData(path, OPEN_ALWAYS);
  if (!h) {
    error = "cannot write the sale journal " + path + ": " + Reason();
    Close();
    return false;
  }
  file_ = h;
  if (GetFileType(h) != FILE_TYPE_DISK) {
    error = "the sale journal " + path + " is not a regular file (a device or a pipe)";
    Close();
    return false;
  }
  LARGE_INTEGER size{};
  GetFileSizeEx(h, &size);
  size_ = static_cast<uint64_t>(size.QuadPart);
  return true;
}

bool JournalFile::ReadLines(size_t maxLine,
                            const std::function<void(const std::string&, size_t)>& line,
                            uint64_t& tornBytes, std::string& error) {
  tornBytes = 0;
  LARGE_INTEGER start{};
  if (!file_ || !SetFilePointerEx(H(file_), start, nullptr, FILE_BEGIN)) {
    error = "cannot read the sale journal " + path_ + ": " + Reason();
    return false;
  }
  LineSplitter split(maxLine, line);
  std::vector<char> buffer(kReadChunk);
  uint64_t total = 0;
  while (true) {
    DWORD n = 0;
    if (!ReadFile(H(file_), buffer.data(), static_cast<DWORD>(buffer.size()), &n, nullptr)) {
      error = "cannot read the sale journal " + path_ + ": " + Reason();
      return false;
    }
    if (n == 0) break;
    total += n;
    split.Feed(buffer.data(), n);
  }
  size_ = split.Complete();
  tornBytes = total - size_;
  if (tornBytes > 0 && !CutAt(H(file_), size_)) {
    error = "cannot cut the torn last line off the sale journal " + path_ + ": " + Reason();
    return false;
  }
  return true;
}

bool JournalFile::Repair(std::string& error) {
  if (!CutAt(H(file_), size_)) {
    error = "cannot repair the sale journal " + path_ + " after a failed write: " + Reason();
    return false;
  }
  dirty_ = false;
  return true;
}

bool JournalFile::Append(const std::string& text, std::string& error) {
  if (!file_ && lock_) file_ = OpenData(path_, OPEN_ALWAYS);  // after a failed Replace
  if (!file_) {
    error = "the sale journal " + path_ + " is not open: " + Reason();
    return false;
  }
  if (dirty_ && !Repair(error)) return false;
  if (!WriteAt(H(file_), size_, text)) {
    error = "cannot write the sale journal " + path_ + ": " + Reason();
    dirty_ = true;
    std::string ignored;
    Repair(ignored);
    return false;
  }
  size_ += text.size();
  return true;
}

bool JournalFile::Replace(const std::string& text, std::string& error) {
  const std::string temp = path_ + ".new";
  const HANDLE out = OpenData(temp, CREATE_ALWAYS);
  if (!out) {
    error = "cannot rewrite the sale journal " + temp + ": " + Reason();
    return false;
  }
  const bool written = WriteAt(out, 0, text);
  if (!written) error = "cannot rewrite the sale journal " + temp + ": " + Reason();
  CloseHandle(out);
  if (!written) {
    DeleteFileW(Wide(temp).c_str());
    return false;
  }
  // Windows renames over a file only when nobody has it open.
  CloseHandle(H(file_));
  file_ = nullptr;
  const bool moved = MoveFileExW(Wide(temp).c_str(), Wide(path_).c_str(),
                                 MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
  if (!moved) {
    error = "cannot replace the sale journal " + path_ + ": " + Reason();
    DeleteFileW(Wide(temp).c_str());
  }
  file_ = OpenData(path_, OPEN_ALWAYS);
  if (moved) {
    size_ = text.size();
    dirty_ = false;
  }
  return moved;
}

#else

bool JournalFile::IsOpen() const {
  return file_ >= 0;
}

void JournalFile::Close() {
  if (file_ >= 0) ::close(file_);
  if (lock_ >= 0) ::close(lock_);  // closing the descriptor lets the lock go
  file_ = lock_ = -1;
}

bool JournalFile::Lock(std::string& error) {
  const std::string lockPath = LockPath(path_);
  const int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOCTTY, 0600);
  if (fd < 0) {
    error =
        "cannot write the sale journal " + path_ + ": its lock file " + lockPath + ": " + Reason();
    return false;
  }
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int why = errno;
    char text[kHolderBytes] = {};
    const ssize_t n = ::pread(fd, text, sizeof text, 0);
    errno = why;
    error = why == EWOULDBLOCK ? InUse(path_, HolderOf(text, n > 0 ? static_cast<size_t>(n) : 0))
                               : "cannot lock the sale journal " + path_ + ": " + Reason();
    ::close(fd);
    return false;
  }
  const std::string pid = std::to_string(::getpid()) + "\n";
  if (::ftruncate(fd, 0) != 0 || ::pwrite(fd, pid.data(), pid.size(), 0) < 0) {
    // The lock holds all the same; only the id another server would name is missing.
  }
  lock_ = fd;
  return true;
}

bool JournalFile::Open(const std::string& path, std::string& error) {
  Close();
  path_ = path;
  dirty_ = false;
  if (path.empty() || path.find('\0') != std::string::npos) {
    error = "the sale journal needs a file name";
    return false;
  }
  struct stat st {};
  const bool existed = ::stat(path.c_str(), &st) == 0;
  if (existed && !S_ISREG(st.st_mode)) {
    error = "the sale journal " + path + " is " + KindOf(st.st_mode) +
            ", not a regular file: give --journal a file";
    return false;
  }
  MakeFolders(path);
  if (!Lock(error)) return false;
  // Not blocking: a FIFO put there meanwhile must not hold the start.
  file_ =
      ::open(path.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0600);
  if (file_ < 0) {
    error = "cannot write the sale journal " + path + ": " + Reason();
    Close();
    return false;
  }
  if (::fstat(file_, &st) != 0 || !S_ISREG(st.st_mode)) {
    error = "the sale journal " + path + " is " + KindOf(st.st_mode) +
            ", not a regular file: give --journal a file";
    Close();
    return false;
  }
  ::fcntl(file_, F_SETFL, ::fcntl(file_, F_GETFL) & ~O_NONBLOCK);
  // It holds what the tills sold: an existing file of ours is narrowed to its owner.
  if ((st.st_mode & 0077) != 0 && st.st_uid == ::geteuid()) ::fchmod(file_, S_IRUSR | S_IWUSR);
  size_ = static_cast<uint64_t>(st.st_size);
  if (!existed) SyncFolder(path);
  return true;
}

bool JournalFile::ReadLines(size_t maxLine,
                            const std::function<void(const std::string&, size_t)>& line,
                            uint64_t& tornBytes, std::string& error) {
  tornBytes = 0;
  LineSplitter split(maxLine, line);
  std::vector<char> buffer(kReadChunk);
  uint64_t total = 0;
  while (true) {
    const ssize_t n = ::pread(file_, buffer.data(), buffer.size(), static_cast<off_t>(total));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      error = "cannot read the sale journal " + path_ + ": " + Reason();
      return false;
    }
    if (n == 0) break;
    total += static_cast<uint64_t>(n);
    split.Feed(buffer.data(), static_cast<size_t>(n));
  }
  size_ = split.Complete();
  tornBytes = total - size_;
  if (tornBytes > 0 &&
      (::ftruncate(file_, static_cast<off_t>(size_)) != 0 || ::fsync(file_) != 0)) {
    error = "cannot cut the torn last line off the sale journal " + path_ + ": " + Reason();
    return false;
  }
  return true;
}

bool JournalFile::Repair(std::string& error) {
  if (::ftruncate(file_, static_cast<off_t>(size_)) != 0 || ::fsync(file_) != 0) {
    error = "cannot repair the sale journal " + path_ + " after a failed write: " + Reason();
    return false;
  }
  dirty_ = false;
  return true;
}

bool JournalFile::Append(const std::string& text, std::string& error) {
  if (file_ < 0) {
    error = "the sale journal " + path_ + " is not open";
    return false;
  }
  if (dirty_ && !Repair(error)) return false;
  if (!WriteAll(file_, text) || ::fsync(file_) != 0) {
    error = "cannot write the sale journal " + path_ + ": " + Reason();
    dirty_ = true;
    std::string ignored;
    Repair(ignored);
    return false;
  }
  size_ += text.size();
  return true;
}

bool JournalFile::Replace(const std::string& text, std::string& error) {
  const std::string temp = path_ + ".new";
  const int fd =
      ::open(temp.c_str(),
             O_RDWR | O_APPEND | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0600);
  struct stat st {};
  bool ok = fd >= 0 && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  ok = ok && WriteAll(fd, text) && ::fsync(fd) == 0;
  // From the rename on, the new file is the journal, and `fd` is open on it.
  ok = ok && ::rename(temp.c_str(), path_.c_str()) == 0;
  if (!ok) {
    error = "cannot rewrite the sale journal " + path_ + " (through " + temp + "): " + Reason();
    if (fd >= 0) ::close(fd);
    ::unlink(temp.c_str());
    return false;
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  ::close(file_);
  file_ = fd;
  size_ = text.size();
  dirty_ = false;
  SyncFolder(path_);
  return true;
}

#endif
