#include "common/FileIo.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace tarvex {

namespace {

std::string describe(std::string_view verb, const std::string& path) {
  std::string s(verb);
  s += ' ';
  s += path;
  return s;
}

Status writeAll(int fd, std::string_view data, const std::string& path) {
  size_t done = 0;
  while (done < data.size()) {
    ssize_t n = ::write(fd, data.data() + done, data.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return Status::fromErrno(describe("cannot write", path), errno);
    }
    done += static_cast<size_t>(n);
  }
  return Status::ok();
}

}  // namespace

Status readWholeFile(const std::string& path, std::string* out) {
  out->clear();
  ReadOnlyFile file;
  Status s = file.open(path);
  if (!s.isOk()) return s;
  out->resize(file.size());
  size_t got = 0;
  s = file.readAt(0, out->data(), out->size(), &got);
  out->resize(got);
  return s;
}

Status replaceFileContent(const std::string& path, std::string_view data) {
  mode_t mode = 0644;
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) return Status::ioError(path + " is a folder, not a file");
    mode = st.st_mode & 07777;
  }
  std::string temp = path + ".tmp-XXXXXX";
  int fd = ::mkstemp(temp.data());
  if (fd < 0) return Status::fromErrno(describe("cannot write", path), errno);
  Status s = writeAll(fd, data, path);
  if (s.isOk() && ::fchmod(fd, mode) != 0) s = Status::fromErrno(describe("cannot write", path), errno);
  if (s.isOk() && ::fsync(fd) != 0) s = Status::fromErrno(describe("cannot write", path), errno);
  if (::close(fd) != 0 && s.isOk()) s = Status::fromErrno(describe("cannot write", path), errno);
  if (s.isOk() && ::rename(temp.c_str(), path.c_str()) != 0) {
    s = Status::fromErrno(describe("cannot write", path), errno);
  }
  if (!s.isOk()) ::unlink(temp.c_str());
  return s;
}

bool fileExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool directoryExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

ReadOnlyFile::~ReadOnlyFile() { close(); }

Status ReadOnlyFile::open(const std::string& path) {
  close();
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return Status::fromErrno(describe("cannot open", path), errno);
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    int err = errno;
    ::close(fd);
    return Status::fromErrno(describe("cannot open", path), err);
  }
  if (!S_ISREG(st.st_mode)) {
    ::close(fd);
    return Status::ioError(describe("cannot open", path) + ": not a regular file");
  }
  fd_ = fd;
  size_ = static_cast<uint64_t>(st.st_size);
  path_ = path;
  return Status::ok();
}

void ReadOnlyFile::close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  size_ = 0;
}

Status ReadOnlyFile::readAt(uint64_t offset, void* buf, size_t n, size_t* got) const {
  *got = 0;
  auto* dst = static_cast<char*>(buf);
  while (*got < n) {
    ssize_t r = ::pread(fd_, dst + *got, n - *got, static_cast<off_t>(offset + *got));
    if (r < 0) {
      if (errno == EINTR) continue;
      return Status::fromErrno(describe("cannot read", path_), errno);
    }
    if (r == 0) break;
    *got += static_cast<size_t>(r);
  }
  return Status::ok();
}

}  // namespace tarvex
