// A log view for a terminal: keeps the lines like MemoryLogView and writes them to a stream with
// ANSI colour and style sequences (SGR).
//
// The log writer colours a line after appending it, so a line is written when the next line
// arrives, on scrollCaretIntoView (the end of every run), on flush(), before a clear and when
// the view is destroyed: every line is written exactly once, with the attributes it had then.
//
// Colours: black is the terminal's own text colour (readable on dark and light themes); red,
// blue, lime are the bright ANSI colours, maroon, green, olive the normal ones; cream (hidden
// text) is concealed; any other colour is written as 24-bit colour.
#pragma once

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "logview/MemoryLogView.h"

namespace tarvex {

class TerminalLogView : public MemoryLogView {
 public:
  // out must outlive the view.
  explicit TerminalLogView(std::ostream& out, size_t keep_lines = kKeepAll)
      : MemoryLogView(keep_lines), out_(out) {}
  ~TerminalLogView() override;
  TerminalLogView(const TerminalLogView&) = delete;
  TerminalLogView& operator=(const TerminalLogView&) = delete;

  // Writes the last line when it has not been written yet, and flushes the stream.
  void flush();

  // One line with its per-byte attributes (attrs.size() == text.size()) as terminal text,
  // without the line break. Attributes change only at the start of a UTF-8 character, so the
  // sequences never split one. Ends with a reset when anything was coloured.
  static std::string renderAnsi(std::string_view text, const std::vector<CharAttributes>& attrs);

 protected:
  void beforeAppend() override { writePending(); }
  void beforeClear() override { writePending(); }
  void afterAppend(const LoggedLine&) override { pending_ = true; }
  void afterScroll() override { flush(); }

 private:
  void writePending();

  std::ostream& out_;
  bool pending_ = false;  // the last line has not been written
};

}  // namespace tarvex
