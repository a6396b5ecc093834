#include "import/TextHelpers.h"

#include <cstdio>

#include "app/IniFile.h"
#include "common/TextUtil.h"
#include "common/TimeText.h"

namespace tarvex {

namespace {

// Replaces every occurrence of from by to, scanning left to right past each replacement.
std::string replaceAll(std::string_view text, std::string_view from, std::string_view to) {
  if (from.empty()) return std::string(text);
  std::string r;
  size_t pos = 0;
  while (true) {
    size_t hit = text.find(from, pos);
    if (hit == std::string_view::npos) break;
    r.append(text.substr(pos, hit - pos));
    r.append(to);
    pos = hit + from.size();
  }
  r.append(text.substr(pos));
  return r;
}

bool allDigits(std::string_view s) {
  if (s.empty()) return false;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

// The digits without their leading zeros, keeping at least one digit.
std::string_view withoutLeadingZeros(std::string_view digits) {
  while (digits.size() > 1 && digits.front() == '0') digits.remove_prefix(1);
  return digits;
}

}  // namespace

std::string AddSlsh(std::string_view path) {
  std::string r = trim(path);
  if (r.empty() || r.back() != '/') r += '/';
  return r;
}

std::string AddPth(std::string_view path, std::string_view baseFolder) {
  std::string p = trim(path);
  if (!p.empty() && p.front() == '/') return p;
  if (baseFolder.empty()) return p;
  std::string r(baseFolder);
  if (r.back() == '/') r.pop_back();
  r += '/';
  r += p;
  return r;
}

std::string ReplStrS(std::string_view text, std::string_view from, std::string_view to,
                     std::string_view dup) {
  std::string r(text);
  if (r.size() >= 4 && toUpperAscii(std::string_view(r).substr(r.size() - 4)) == ".DBF") {
    r.resize(r.size() - 4);
  }
  for (size_t i = 0; i < from.size(); ++i) {
    std::string next;
    next.reserve(r.size());
    for (char c : r) {
      if (c != from[i]) {
        next += c;
      } else if (i < to.size()) {
        next += to[i];
      }
    }
    r = std::move(next);
  }
  if (dup.size() > 1) {
    while (r.find(dup) != std::string::npos) r = replaceAll(r, dup, dup.substr(0, 1));
  }
  if (!r.empty() && r.back() == '_') r.pop_back();
  return r;
}

std::string Repl_Prm(std::string_view tmpl, std::string_view value, int n) {
  return replaceAll(tmpl, "<#" + std::to_string(n) + "#>", value);
}

std::string PartS(std::string_view text, int w) {
  std::string result = trim(text);
  std::string plain(text);
  for (std::string_view markup : {"^>", "<^A>", "<^G>", "<^R>", "<^M>"}) {
    plain = replaceAll(plain, markup, "");
  }
  size_t width = w > 0 ? static_cast<size_t>(w) : 0;
  if (plain.size() > width) {
    std::string tail = trim(replaceAll(std::string_view(plain).substr(width, 255), "*", ""));
    if (tail.empty()) {
      result = replaceAll(text, ">**********^>", ">^>");
    } else if (tail == ">") {
      result = replaceAll(text, ">**********^>", "^>");
    }
  }
  return result;
}

std::string FrmLenT(std::string_view text, int width) {
  std::string t = trim(text);
  if (width < 0 || t.size() >= static_cast<size_t>(width)) return t;
  size_t total = static_cast<size_t>(width) - t.size();
  size_t front = total / 2;
  return std::string(front, ' ') + t + std::string(total - front, ' ');
}

std::string FrmTmS(WallClock::time_point start, WallClock::time_point now) {
  return elapsedText(start, now);
}

std::string FrmTmLg(std::string_view time, const IniFile& ini) {
  size_t c1 = time.find(':');
  size_t c2 = c1 == std::string_view::npos ? c1 : time.find(':', c1 + 1);
  if (c2 == std::string_view::npos) return std::string(time);
  std::string_view hours = time.substr(0, c1);
  std::string_view minutes = time.substr(c1 + 1, c2 - c1 - 1);
  std::string_view secs = time.substr(c2 + 1);
  if (!allDigits(hours) || minutes.size() != 2 || !allDigits(minutes) || secs.size() != 2 ||
      !allDigits(secs)) {
    return std::string(time);
  }
  std::string_view h = withoutLeadingZeros(hours);
  std::string text = ini.get("File Header", h == "0" ? "38" : "37");
  text = Repl_Prm(text, h, 1);
  text = Repl_Prm(text, withoutLeadingZeros(minutes), 2);
  return Repl_Prm(text, secs, 3);
}

int64_t NVL0(int64_t a, int64_t b) {
  return a != 0 ? a : b;
}

CivilDate UltDtInLuna(const CivilDate& d) {
  return CivilDate{d.year, d.month, daysInMonth(d.year, d.month)};
}

int UltZiInLuna(const CivilDate& d) {
  return daysInMonth(d.year, d.month);
}

std::string dbfBaseName(std::string_view folder, std::string_view dbfName,
                        std::string_view programFolder, std::string_view rndSmbC,
                        std::string_view rndSmbS) {
  std::string full = toUpperAscii(AddSlsh(AddPth(folder, programFolder)) + std::string(dbfName));
  return replaceAll(ReplStrS(full, rndSmbC, rndSmbS, "__"), ".DBF", "");
}

std::string projectBaseName(std::string_view subsist, std::string_view rndSmbC,
                            std::string_view rndSmbS) {
  return trim(ReplStrS(subsist, rndSmbC, rndSmbS, "__"));
}

}  // namespace tarvex
