#include "common/Status.h"

#include <cerrno>
#include <cstring>

namespace tarvex {

Status Status::fromErrno(std::string_view what, int err) {
  std::string msg(what);
  msg += ": ";
  msg += std::strerror(err);
  if (err == ENOENT) return notFound(std::move(msg));
  return ioError(std::move(msg));
}

}  // namespace tarvex
