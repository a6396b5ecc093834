// A file written through a reused buffer. Every failure (a folder that is missing or read-only,
// a full disk) comes back as a Status that names the file; nothing is reported as written that
// did not reach the file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "common/Status.h"

namespace tarvex {

class OutputFile {
 public:
  OutputFile() = default;
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Creates the file (replacing an existing one). capacity is the usual buffer size; a single
  // append larger than that still goes through whole.
  Status create(const std::string& path, size_t capacity = 64000);
  bool isOpen() const { return fd_ >= 0; }
  const std::string& path() const { return path_; }

  // The buffer itself, for callers that build their bytes in place. Bytes appended here are
  // written by the next flush.
  std::string& buffer() { return buf_; }
  void append(std::string_view bytes) { buf_.append(bytes); }
  // Writes the buffer out.
  Status flush();
  // Writes bytes at an offset of the file (after flushing), leaving the end where it is.
  Status writeAt(uint64_t offset, std::string_view bytes);
  // Flushes and closes. Closing a file that is not open is ok.
  Status close();
  // Bytes written to the file so far (not counting the buffer).
  uint64_t written() const { return written_; }

 private:
  int fd_ = -1;
  std::string path_;
  std::string buf_;
  uint64_t written_ = 0;
};

}  // namespace tarvex
