// The log's inline colour markup: a run is opened by "<^" + colour letter (+ style letter) + ">"
// and closed by "^>". extractMarkupRuns removes the markup of a line and returns the runs.
//
// The rule, applied while the text contains "<^": a := first "<^", e := first "^>", t := first
// ">" at or after a. Without "^>", or with t >= e, it stops and the remaining markup stays as
// text. Otherwise the tag a..t is removed, then the first "^>" of the text is removed; the run
// starts at a and ends where that "^>" was. Runs do not nest: an opening tag inside a run is
// part of that run's range and is handled by the next repetition, which shifts the text the
// earlier run's range was measured on (ranges are not adjusted afterwards).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace tarvex {

struct MarkupRun {
  size_t start = 0;   // byte offset in the text as it was when the run was found
  size_t length = 0;  // bytes
  char color = 'N';   // the tag's third character: colour letter
  char style = '>';   // the tag's fourth character: style letter, ">" for a one-letter tag
};

// Most runs kept per line. The markup of further runs is removed all the same, but their
// ranges are not returned (they stay in the attributes of the rest of the line).
inline constexpr size_t kMaxRunsPerLine = 1800;

// Removes the markup from *text and returns its runs in the order found, at most max_runs.
// A closing mark that comes to stand before its run's start (only when removing a tag joins a
// "^" and a ">") gives a run of length 0. Linear in the length of the text for markup without
// nested tags.
std::vector<MarkupRun> extractMarkupRuns(std::string* text, size_t max_runs = kMaxRunsPerLine);

}  // namespace tarvex
