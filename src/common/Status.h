// Outcome of an operation that can fail for reasons the user causes (a bad file, a missing
// folder, a full disk). Programmer errors are asserts, not statuses.
#pragma once

#include <string>
#include <string_view>
#include <utility>

namespace tarvex {

class Status {
 public:
  enum class Kind {
    kOk,
    kNotFound,         // a file or folder that should be there is not
    kIoError,          // the operating system refused a read or write
    kCorrupt,          // the bytes of a file break its format
    kInvalidArgument,  // a value given by the user cannot be used
  };

  Status() = default;
  static Status ok() { return Status(); }
  static Status notFound(std::string msg) { return Status(Kind::kNotFound, std::move(msg)); }
  static Status ioError(std::string msg) { return Status(Kind::kIoError, std::move(msg)); }
  static Status corrupt(std::string msg) { return Status(Kind::kCorrupt, std::move(msg)); }
  static Status invalidArgument(std::string msg) {
    return Status(Kind::kInvalidArgument, std::move(msg));
  }
  // An I/O failure described by errno, naming what was being done: "cannot write
  // /x/Tarvex.ini: No space left on device".
  static Status fromErrno(std::string_view what, int err);

  bool isOk() const { return kind_ == Kind::kOk; }
  Kind kind() const { return kind_; }
  const std::string& message() const { return message_; }

 private:
  Status(Kind kind, std::string msg) : kind_(kind), message_(std::move(msg)) {}

  Kind kind_ = Kind::kOk;
  std::string message_;
};

}  // namespace tarvex
