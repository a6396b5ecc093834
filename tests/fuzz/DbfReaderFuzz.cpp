// libFuzzer target for the DBF reader: byte 0 of the input chooses the reading switches, the
// rest is the DBF file (see DbfReaderExercise.h). A broken property aborts, so libFuzzer keeps
// the input as a crash.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz/DbfReaderExercise.h"

namespace {

// One scratch file per fuzzing process, rewritten for every input and removed at exit. (Kept
// on the heap so that it outlives the static destructors that run before the exit handler.)
const std::string& scratchPath() {
  static const std::string* const path = [] {
    const char* dir = std::getenv("TMPDIR");
    auto* p = new std::string(std::string(dir != nullptr && *dir != '\0' ? dir : "/tmp") +
                              "/tarvex-fuzz-" + std::to_string(::getpid()) + ".dbf");
    return p;
  }();
  static const bool registered = std::atexit([] { std::remove(scratchPath().c_str()); }) == 0;
  (void)registered;
  return *path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string broken = tarvex::fuzz::exerciseReader(data, size, scratchPath());
  if (!broken.empty()) {
    std::fprintf(stderr, "DBF reader property broken: %s\n", broken.c_str());
    std::abort();
  }
  return 0;
}
