// Log views without a window: they keep the lines and the attribute ranges the log writer sets,
// so that the command line can print them and tests can read them back.
//
// MemoryLogView holds lines in memory (all of them, or the last keep_lines); PlainTextLogView
// also writes each line's text to a stream as it arrives. TerminalLogView.h adds colours.
#pragma once

#include <cstddef>
#include <deque>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "logview/LogView.h"

namespace tarvex {

// The final colour and style of one byte of a line.
struct CharAttributes {
  LogColor color = log_colors::kBlack;
  FontStyle style;
  friend bool operator==(const CharAttributes&, const CharAttributes&) = default;
};

// One attribute change on a line, as the view was asked for it: a colour, a style or both.
struct AttributeRange {
  size_t start = 0;   // byte index in the line
  size_t length = 0;  // bytes, > 0, within the line's text
  std::optional<LogColor> color;
  std::optional<FontStyle> style;
};

struct LoggedLine {
  std::string text;
  std::vector<AttributeRange> ranges;  // in the order set: a later range wins
  size_t offset = 0;                   // view offset at which the line starts
};

class MemoryLogView : public LogView {
 public:
  static constexpr size_t kKeepAll = static_cast<size_t>(-1);

  // keep_lines: how many of the most recent lines are held (at least 1, the line being
  // coloured). Older lines are dropped, as a long command-line run needs.
  explicit MemoryLogView(size_t keep_lines = kKeepAll);

  void clear() final;
  void appendLine(std::string_view text) final;
  void setSelection(size_t start, size_t length) final;
  void setSelectionColor(LogColor color) final;
  void setSelectionStyle(FontStyle style) final;
  std::optional<size_t> lineStart(size_t line) const final;
  void scrollCaretIntoView() final;
  void setFontName(std::string_view name) final { font_name_ = std::string(name); }

  // Lines appended since the last clear, held or not.
  size_t lineCount() const { return first_line_ + lines_.size(); }
  // Number of the oldest line still held.
  size_t firstHeldLine() const { return first_line_; }
  // Line n (0-based); nullptr when there is no such line or it was dropped.
  const LoggedLine* line(size_t n) const;
  // Final attributes of byte `index` of line n; nullopt when either is out of range.
  std::optional<CharAttributes> attributesAt(size_t n, size_t index) const;
  // Final attributes of every byte of line n; empty when the line is not held.
  std::vector<CharAttributes> lineAttributes(size_t n) const;

  const std::string& fontName() const { return font_name_; }
  size_t selectionStart() const { return sel_start_; }
  size_t selectionLength() const { return sel_length_; }

 protected:
  // Hooks for views that write their lines out.
  virtual void beforeAppend() {}                  // the last line will get no more colours
  virtual void afterAppend(const LoggedLine&) {}  // a line was appended
  virtual void beforeClear() {}
  virtual void afterScroll() {}

 private:
  void applyToSelection(const std::optional<LogColor>& color,
                        const std::optional<FontStyle>& style);

  std::deque<LoggedLine> lines_;
  size_t keep_lines_;
  size_t first_line_ = 0;  // number of lines_.front()
  size_t end_offset_ = 0;  // offset at which the next line starts
  size_t sel_start_ = 0;
  size_t sel_length_ = 0;
  std::string font_name_;
};

// Keeps the lines like MemoryLogView and writes each line's text, without colours, followed by
// "\n" to `out` (when given) as soon as it is appended. `out` must outlive the view.
class PlainTextLogView : public MemoryLogView {
 public:
  explicit PlainTextLogView(std::ostream* out = nullptr, size_t keep_lines = kKeepAll)
      : MemoryLogView(keep_lines), out_(out) {}

 protected:
  void afterAppend(const LoggedLine& line) override;
  void afterScroll() override;

 private:
  std::ostream* out_;
};

}  // namespace tarvex
