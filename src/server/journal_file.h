#pragma once

#include <cstdint>
#include <functional>
#include <string>

// The sale journal's file on the disk: append-only text lines, each on the
// disk before Append returns, used by one server at a time.
//
//  - Open refuses anything that is not a regular file (a device such as
//    /dev/full, a FIFO, a folder): the journal must be read to its end and
//    must keep what is written to it. A new file is created readable and
//    writable by its owner only, and its folder is synced so the file itself
//    survives a power cut.
//  - While open, the journal is locked: a side file PATH.lock holds the lock
//    (flock; LockFileEx on Windows) and the holder's process id, so a second
//    server on the same journal is refused with that id. The side file is
//    never replaced, so the lock holds across Replace.
//  - A write that fails (a full disk) is cut back off the file before the
//    call returns, so the next line never glues itself to a torn one; when
//    even that fails, every later Append repairs first or refuses.
//  - Replace writes PATH.new, syncs it, renames it over PATH and syncs the
//    folder; on any failure PATH stays as it was and stays in use.
//
// Paths are UTF-8 (wide-character calls on Windows). Not thread-safe: the
// journal holds its own lock around every call. Errors name the path and the
// system's reason.
class JournalFile {
 public:
  JournalFile() = default;
  ~JournalFile();
  JournalFile(const JournalFile&) = delete;
  JournalFile& operator=(const JournalFile&) = delete;

  // Opens (or creates) `path`, making its folder when missing, and takes the
  // lock. False with `error` when it cannot.
  bool Open(const std::string& path, std::string& error);
  bool IsOpen() const;

  // Calls `line` for every complete line (without its '\n') from the start,
  // in order, with its number (from 1). A line longer than `maxLine` bytes is
  // passed as empty (it cannot be a line of ours). Bytes after the last '\n'
  // (a line torn by a crash or a full disk) are cut off the file; `tornBytes`
  // says how many. False with `error` when the file cannot be read or cut.
  bool ReadLines(size_t maxLine, const std::function<void(const std::string&, size_t)>& line,
                 uint64_t& tornBytes, std::string& error);

  // Appends `text` (whole lines) and pushes it to the disk.
  bool Append(const std::string& text, std::string& error);

  // Replaces the whole file with `text` (see above).
  bool Replace(const std::string& text, std::string& error);

  const std::string& Path() const { return path_; }
  // The file's size as far as it is known good (what the lines written hold).
  uint64_t Size() const { return size_; }

  // Tests only: the lock file's name for `path`.
  static std::string LockPath(const std::string& path) { return path + ".lock"; }

 private:
  bool Lock(std::string& error);
  bool Repair(std::string& error);
  void Close();

  std::string path_;
  uint64_t size_ = 0;   // bytes known good on the disk
  bool dirty_ = false;  // a failed write may have left bytes after size_
#ifdef _WIN32
  void* file_ = nullptr;  // HANDLE
  void* lock_ = nullptr;  // HANDLE
#else
  int file_ = -1;
  int lock_ = -1;
#endif
};
