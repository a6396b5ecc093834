#include "logview/TerminalLogView.h"

namespace tarvex {

namespace {

// SGR parameters of the foreground colour; empty for the terminal's own colour.
std::string colorCode(LogColor c) {
  using namespace log_colors;
  if (c == kBlack) return {};
  if (c == kRed) return "91";
  if (c == kBlue) return "94";
  if (c == kLime) return "92";
  if (c == kMaroon) return "31";
  if (c == kGreen) return "32";
  if (c == kOlive) return "33";
  if (c == kCream) return "8";  // concealed
  return "38;2;" + std::to_string(c.red) + ";" + std::to_string(c.green) + ";" +
         std::to_string(c.blue);
}

// The full SGR sequence of a set of attributes, starting from a reset.
std::string sgr(const CharAttributes& a) {
  std::string s = "\x1b[0";
  if (a.style.bold) s += ";1";
  if (a.style.italic) s += ";3";
  const std::string color = colorCode(a.color);
  if (!color.empty()) s += ";" + color;
  return s + "m";
}

bool isUtf8Continuation(char c) {
  return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

}  // namespace

TerminalLogView::~TerminalLogView() {
  flush();
}

void TerminalLogView::flush() {
  writePending();
  out_.flush();
}

void TerminalLogView::writePending() {
  if (!pending_) return;
  pending_ = false;
  const size_t last = lineCount() - 1;
  const LoggedLine* l = line(last);
  if (l == nullptr) return;
  out_ << renderAnsi(l->text, lineAttributes(last)) << '\n';
}

std::string TerminalLogView::renderAnsi(std::string_view text,
                                        const std::vector<CharAttributes>& attrs) {
  const CharAttributes plain;
  CharAttributes current = plain;
  std::string out;
  out.reserve(text.size() + 16);
  for (size_t i = 0; i < text.size(); ++i) {
    if (i < attrs.size() && !(attrs[i] == current) && !isUtf8Continuation(text[i])) {
      current = attrs[i];
      out += sgr(current);
    }
    out += text[i];
  }
  if (!(current == plain)) out += "\x1b[0m";
  return out;
}

}  // namespace tarvex
