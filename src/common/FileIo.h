// Small POSIX file helpers. Every failure comes back as a Status that names the file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "common/Status.h"

namespace tarvex {

// Reads the whole file into *out. A missing file gives kNotFound.
Status readWholeFile(const std::string& path, std::string* out);

// Replaces the file's content with data so that a failure (read-only folder, full disk) leaves
// the old content whole: the data goes to a temporary file beside it, is flushed to disk, and
// is renamed over the original. The original's permission bits are kept.
Status replaceFileContent(const std::string& path, std::string_view data);

bool fileExists(const std::string& path);      // a regular file (or a link to one)
bool directoryExists(const std::string& path);  // a directory (or a link to one)

// A file opened for reading at arbitrary offsets.
class ReadOnlyFile {
 public:
  ReadOnlyFile() = default;
  ~ReadOnlyFile();
  ReadOnlyFile(const ReadOnlyFile&) = delete;
  ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

  // Opens a regular file. A folder, a missing file or one without read permission is an
  // error that names the path.
  Status open(const std::string& path);
  void close();
  bool isOpen() const { return fd_ >= 0; }
  const std::string& path() const { return path_; }
  // Size in bytes, taken at open.
  uint64_t size() const { return size_; }

  // Reads up to n bytes at offset into buf; *got is how many were read (fewer at the end of
  // the file). Interrupted and short reads are retried until n bytes or the end.
  Status readAt(uint64_t offset, void* buf, size_t n, size_t* got) const;

 private:
  int fd_ = -1;
  uint64_t size_ = 0;
  std::string path_;
};

}  // namespace tarvex
