#include "app/ProgramFolder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "app/IniFile.h"
#include "common/FileIo.h"
#include "common/TextUtil.h"

namespace tarvex {

namespace {

std::string withSlash(std::string p) {
  if (p.empty() || p.back() != '/') p += '/';
  return p;
}

std::string executableFolder() {
  char buf[PATH_MAX];
  ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return {};
  return std::string(directoryOf(std::string_view(buf, static_cast<size_t>(n))));
}

Status makeFolders(const std::string& folder) {
  std::string partial;
  for (size_t i = 0; i < folder.size(); ++i) {
    partial += folder[i];
    if ((folder[i] == '/' || i + 1 == folder.size()) && partial != "/") {
      if (::mkdir(partial.c_str(), 0755) != 0 && errno != EEXIST) {
        return Status::fromErrno("cannot create folder " + partial, errno);
      }
    }
  }
  if (!directoryExists(folder)) return Status::ioError(folder + " is not a folder");
  return Status::ok();
}

}  // namespace

std::string resolveProgramFolder(const char* /*argv0*/) {
  if (const char* home = std::getenv("TARVEX_HOME"); home && *home) return withSlash(home);
  std::string exe = executableFolder();
  if (!exe.empty() && ::access(exe.c_str(), W_OK) == 0) return exe;
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg) {
    return withSlash(xdg) + "tarvex/";
  }
  const char* user_home = std::getenv("HOME");
  return withSlash(user_home ? user_home : "/tmp") + ".local/share/tarvex/";
}

std::string findShippedFile(const std::string& name) {
  std::string exe = executableFolder();
  for (const std::string& dir :
       {exe + "resources/", exe + "../share/tarvex/", std::string(TARVEX_RESOURCE_DIR) + "/"}) {
    if (fileExists(dir + name)) return dir + name;
  }
  return {};
}

Status prepareProgramFolder(const std::string& folder) {
  Status s = makeFolders(folder);
  if (!s.isOk()) return s;
  // The settings file and the keyword file come with the program.
  const bool new_settings = !fileExists(settingsPath(folder));
  for (const char* name : {"Tarvex.ini", "Pars.txt"}) {
    const std::string target = folder + name;
    if (fileExists(target)) continue;
    std::string shipped = findShippedFile(name);
    if (shipped.empty()) return Status::notFound(std::string("the shipped ") + name + " was not found");
    std::string content;
    s = readWholeFile(shipped, &content);
    if (s.isOk()) s = replaceFileContent(target, content);
    if (!s.isOk()) return s;
  }
  if (new_settings) {
    // A new program folder gets the folders its settings name (relative ones live inside it).
    IniFile ini(settingsPath(folder));
    for (const char* key : {"PthImpDbf", "PrmFiSqlLdr", "DirLogFi"}) {
      std::string path = trim(ini.get("Path", key));
      if (path.empty() || path[0] == '/') continue;
      s = makeFolders(folder + path);
      if (!s.isOk()) return s;
    }
  }
  return Status::ok();
}

}  // namespace tarvex
