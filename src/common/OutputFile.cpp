#include "common/OutputFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace tarvex {

OutputFile::~OutputFile() {
  if (fd_ >= 0) ::close(fd_);
}

Status OutputFile::create(const std::string& path, size_t capacity) {
  if (fd_ >= 0) ::close(fd_);
  path_ = path;
  written_ = 0;
  buf_.clear();
  buf_.reserve(capacity);
  fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd_ < 0) return Status::fromErrno("cannot create " + path, errno);
  return Status::ok();
}

Status OutputFile::flush() {
  if (fd_ < 0) return Status::ioError("cannot write " + path_ + ": the file is not open");
  size_t done = 0;
  while (done < buf_.size()) {
    ssize_t n = ::write(fd_, buf_.data() + done, buf_.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      int err = errno;
      buf_.erase(0, done);
      return Status::fromErrno("cannot write " + path_, err);
    }
    done += static_cast<size_t>(n);
    written_ += static_cast<uint64_t>(n);
  }
  buf_.clear();
  return Status::ok();
}

Status OutputFile::writeAt(uint64_t offset, std::string_view bytes) {
  Status s = flush();
  if (!s.isOk()) return s;
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::pwrite(fd_, bytes.data() + done, bytes.size() - done,
                         static_cast<off_t>(offset + done));
    if (n < 0) {
      if (errno == EINTR) continue;
      return Status::fromErrno("cannot write " + path_, errno);
    }
    done += static_cast<size_t>(n);
  }
  return Status::ok();
}

Status OutputFile::close() {
  if (fd_ < 0) return Status::ok();
  Status s = flush();
  if (::close(fd_) != 0 && s.isOk()) s = Status::fromErrno("cannot write " + path_, errno);
  fd_ = -1;
  return s;
}

}  // namespace tarvex
