// A fresh temporary folder per test, removed with everything in it afterwards.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace tarvex::test {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The folder, ending in '/'.
  const std::string& path() const { return path_; }
  // path() + name.
  std::string file(std::string_view name) const { return path_ + std::string(name); }

 private:
  std::string path_;
};

// Writes bytes to a file, replacing it.
void writeFile(const std::string& path, std::string_view bytes);
// The whole content of a file; empty when it cannot be read.
std::string readFile(const std::string& path);

}  // namespace tarvex::test
