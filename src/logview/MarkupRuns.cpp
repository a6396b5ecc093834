#include "logview/MarkupRuns.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace tarvex {

namespace {

// The text being edited, held with a gap at the last edit point, so that the deletions of the
// markup, which move forward through the line, cost no more than the bytes they pass.
class GapText {
 public:
  static constexpr size_t npos = std::string::npos;

  explicit GapText(std::string text) : buf_(std::move(text)) {}

  size_t size() const { return buf_.size() - (gap_end_ - gap_start_); }
  char at(size_t i) const { return i < gap_start_ ? buf_[i] : buf_[i + gap_end_ - gap_start_]; }

  // First position >= from where the two bytes c0 c1 stand; npos when none.
  size_t findPair(char c0, char c1, size_t from) const {
    const size_t n = size();
    for (size_t i = from; i + 1 < n; ++i) {
      if (at(i) == c0 && at(i + 1) == c1) return i;
    }
    return npos;
  }

  size_t findByte(char c, size_t from) const {
    const size_t n = size();
    for (size_t i = from; i < n; ++i) {
      if (at(i) == c) return i;
    }
    return npos;
  }

  void erase(size_t pos, size_t count) {
    moveGapTo(pos);
    gap_end_ += count;
  }

  std::string str() const {
    std::string out;
    out.reserve(size());
    out.append(buf_, 0, gap_start_);
    out.append(buf_, gap_end_, std::string::npos);
    return out;
  }

 private:
  void moveGapTo(size_t pos) {
    if (pos < gap_start_) {
      const size_t n = gap_start_ - pos;
      std::memmove(&buf_[gap_end_ - n], &buf_[pos], n);
      gap_start_ -= n;
      gap_end_ -= n;
    } else if (pos > gap_start_) {
      const size_t n = pos - gap_start_;
      std::memmove(&buf_[gap_start_], &buf_[gap_end_], n);
      gap_start_ += n;
      gap_end_ += n;
    }
  }

  std::string buf_;
  size_t gap_start_ = 0;  // the gap is buf_[gap_start_, gap_end_)
  size_t gap_end_ = 0;
};

}  // namespace

std::vector<MarkupRun> extractMarkupRuns(std::string* text, size_t max_runs) {
  std::vector<MarkupRun> runs;
  if (text->find("<^") == std::string::npos) return runs;  // the common case: no markup
  GapText t(std::move(*text));
  // No "<^" and no "^>" starts before `low`: the text before it is what the earlier rounds
  // left untouched, and a deletion can only join a new pair at the byte before it.
  size_t low = 0;
  for (;;) {
    const size_t a = t.findPair('<', '^', low);
    if (a == GapText::npos) break;
    const size_t e = t.findPair('^', '>', low);
    if (e == GapText::npos) break;
    const size_t close = t.findByte('>', a);
    if (close == GapText::npos || close >= e) break;
    // close > a + 2 here: a ">" at a + 2 would make a + 1 a "^>" before it.
    MarkupRun run;
    run.start = a;
    run.color = t.at(a + 2);
    run.style = t.at(a + 3);
    t.erase(a, close - a + 1);
    const size_t end = t.findPair('^', '>', a == 0 ? 0 : a - 1);  // found: e moved back
    t.erase(end, 2);
    run.length = end > a ? end - a : 0;
    if (runs.size() < max_runs) runs.push_back(run);
    const size_t joined = std::min(a, end);
    low = joined == 0 ? 0 : joined - 1;
  }
  *text = t.str();
  return runs;
}

}  // namespace tarvex
