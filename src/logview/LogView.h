// The view that the log writer TCmpParsG appends its lines to and colours: the few operations
// it needs from a rich-text widget. The desktop program implements it over its text widget; the
// core ships two views without a window (MemoryLogView.h).
//
// Offsets: a view holds its lines one after the other; the first line starts at offset 0 and
// every further line at the previous start + the previous line's length + 2 (a line break
// counts as two characters). Offsets and lengths count bytes of the line texts (UTF-8); a view
// that counts characters converts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace tarvex {

// A text colour as red, green and blue.
struct LogColor {
  uint8_t red = 0;
  uint8_t green = 0;
  uint8_t blue = 0;
  friend bool operator==(const LogColor&, const LogColor&) = default;
};

// The eight colours of the log's colour letters.
namespace log_colors {
inline constexpr LogColor kRed{255, 0, 0};        // R
inline constexpr LogColor kBlue{0, 0, 255};       // A
inline constexpr LogColor kBlack{0, 0, 0};        // N, and any other letter
inline constexpr LogColor kMaroon{128, 0, 0};     // M
inline constexpr LogColor kGreen{0, 128, 0};      // G
inline constexpr LogColor kLime{0, 255, 0};       // L
inline constexpr LogColor kOlive{128, 128, 0};    // O
inline constexpr LogColor kCream{255, 251, 240};  // C: nearly the white background (hidden text)
}  // namespace log_colors

// A font style: bold and italic flags.
struct FontStyle {
  bool bold = false;
  bool italic = false;
  friend bool operator==(const FontStyle&, const FontStyle&) = default;
};

class LogView {
 public:
  virtual ~LogView() = default;

  // Removes every line.
  virtual void clear() = 0;
  // Appends text as a new last line. text holds no line break. The new text is shown in the
  // view's base attributes (black, regular) until the selection attributes change it.
  virtual void appendLine(std::string_view text) = 0;
  // Selects length bytes from offset start (the caret goes to start). Parts of the selection
  // beyond the end of the text, or on a line break, select nothing.
  virtual void setSelection(size_t start, size_t length) = 0;
  // Sets the colour, or the style, of the selected text. An empty selection changes nothing.
  virtual void setSelectionColor(LogColor color) = 0;
  virtual void setSelectionStyle(FontStyle style) = 0;
  // Offset at which line `line` (0-based) starts; nullopt when the view has no such line (or
  // no longer holds it).
  virtual std::optional<size_t> lineStart(size_t line) const = 0;
  // Scrolls so that the caret is visible.
  virtual void scrollCaretIntoView() = 0;
  // Font of the whole view.
  virtual void setFontName(std::string_view name) = 0;
};

}  // namespace tarvex
