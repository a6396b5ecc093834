#include "logview/MemoryLogView.h"

#include <algorithm>

namespace tarvex {

MemoryLogView::MemoryLogView(size_t keep_lines) : keep_lines_(std::max<size_t>(keep_lines, 1)) {}

void MemoryLogView::clear() {
  beforeClear();
  lines_.clear();
  first_line_ = 0;
  end_offset_ = 0;
  sel_start_ = 0;
  sel_length_ = 0;
}

void MemoryLogView::appendLine(std::string_view text) {
  beforeAppend();
  LoggedLine line;
  line.text = std::string(text);
  line.offset = end_offset_;
  end_offset_ += text.size() + 2;  // the line break counts two
  lines_.push_back(std::move(line));
  while (lines_.size() > keep_lines_) {
    lines_.pop_front();
    ++first_line_;
  }
  afterAppend(lines_.back());
}

void MemoryLogView::setSelection(size_t start, size_t length) {
  sel_start_ = start;
  sel_length_ = length;
}

void MemoryLogView::setSelectionColor(LogColor color) {
  applyToSelection(color, std::nullopt);
}

void MemoryLogView::setSelectionStyle(FontStyle style) {
  applyToSelection(std::nullopt, style);
}

void MemoryLogView::applyToSelection(const std::optional<LogColor>& color,
                                     const std::optional<FontStyle>& style) {
  if (sel_length_ == 0 || lines_.empty()) return;
  const size_t sel_end = sel_start_ + std::min(sel_length_, static_cast<size_t>(-1) - sel_start_);
  // The last line whose offset is <= the selection start (the log writer colours the last).
  auto it = std::upper_bound(lines_.begin(), lines_.end(), sel_start_,
                             [](size_t s, const LoggedLine& l) { return s < l.offset; });
  if (it != lines_.begin()) --it;
  for (; it != lines_.end() && it->offset < sel_end; ++it) {
    const size_t lo = std::max(sel_start_, it->offset);
    const size_t hi = std::min(sel_end, it->offset + it->text.size());
    if (lo >= hi) continue;
    const size_t start = lo - it->offset;
    const size_t length = hi - lo;
    std::vector<AttributeRange>& ranges = it->ranges;
    if (!ranges.empty() && ranges.back().start == start && ranges.back().length == length) {
      // Colour and style of the same range: one entry (a later value replaces an earlier one).
      if (color) ranges.back().color = color;
      if (style) ranges.back().style = style;
    } else {
      ranges.push_back(AttributeRange{start, length, color, style});
    }
  }
}

std::optional<size_t> MemoryLogView::lineStart(size_t n) const {
  if (n == 0) return 0;  // known even when the first line was dropped
  const LoggedLine* l = line(n);
  if (l == nullptr) return std::nullopt;
  return l->offset;
}

void MemoryLogView::scrollCaretIntoView() {
  afterScroll();
}

const LoggedLine* MemoryLogView::line(size_t n) const {
  if (n < first_line_ || n - first_line_ >= lines_.size()) return nullptr;
  return &lines_[n - first_line_];
}

std::optional<CharAttributes> MemoryLogView::attributesAt(size_t n, size_t index) const {
  const LoggedLine* l = line(n);
  if (l == nullptr || index >= l->text.size()) return std::nullopt;
  CharAttributes a;
  for (const AttributeRange& r : l->ranges) {
    if (index < r.start || index - r.start >= r.length) continue;
    if (r.color) a.color = *r.color;
    if (r.style) a.style = *r.style;
  }
  return a;
}

std::vector<CharAttributes> MemoryLogView::lineAttributes(size_t n) const {
  const LoggedLine* l = line(n);
  if (l == nullptr) return {};
  std::vector<CharAttributes> attrs(l->text.size());
  for (const AttributeRange& r : l->ranges) {
    for (size_t i = r.start; i < r.start + r.length; ++i) {
      if (r.color) attrs[i].color = *r.color;
      if (r.style) attrs[i].style = *r.style;
    }
  }
  return attrs;
}

void PlainTextLogView::afterAppend(const LoggedLine& line) {
  if (out_ != nullptr) *out_ << line.text << '\n';
}

void PlainTextLogView::afterScroll() {
  if (out_ != nullptr) out_->flush();
}

}  // namespace tarvex
