// TCmpParsG: the log writer. Every log line of the program goes through one object of it; it
// appends the line to a LogView and colours it from the inline markup (MarkupRuns.h), from SQL
// comments and from the keywords of a keyword file.
//
// Colour letters (markup, keyword file): R red, A blue, N black, M maroon, G green, L lime,
// O olive, C cream (nearly the background: hidden); any other text is black.
//
// The keyword file (shipped as resources/Pars.txt, read from the program folder) is read line by
// line; every line is an entry, so the file has no comments. Fields are separated by "|"; when a
// line has fewer fields than needed, the last field present stands for each missing one.
//
//   keyword|colour|mode|style   one keyword (letter case counts); "<@!@>" in the keyword stands
//                               for "|". colour: a colour letter as written (lower case gives
//                               black). mode: A anywhere, R only in ordinary text before a line
//                               comment (and, in a line without one, starting before column
//                               400), C only inside block comments, anything else never.
//                               style: Y bold italic, B bold, I italic, anything else regular
//                               (letter case does not count).
//   []|[styles]|colour          the attributes of ordinary text (black italic when the file has
//                               no such line): styles holding B and I bold italic, B bold,
//                               I italic, neither regular; colour a colour letter, any case.
//   [1]|[... [2]|[... [3]|[...   read and ignored.
//
// A keyword longer than one character is coloured only between two of the bytes " ,.;()%" (or
// at the start of the line). The keyword "'" colours a quoted text, both quotes included.
//
// A line keeps at most 1800 markup runs (kMaxRunsPerLine); the markup of further runs is removed
// all the same, but their text keeps the attributes it has without them.
//
// Positions are byte offsets of the UTF-8 text.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "common/FrontEnd.h"
#include "logview/LogView.h"

namespace tarvex {

// The colour of a colour letter ('R', 'A', ...); black for any other byte.
LogColor colorFromLetter(char letter);
// The same for a text: a one-letter text gives its letter's colour, any other text black.
LogColor colorFromLetter(std::string_view letter);

// One entry of the keyword file.
struct ParsKeyword {
  std::string text;   // the keyword, "<@!@>" replaced by "|"
  std::string color;  // colour letter as written
  std::string mode;   // mode letter: "A", "R", "C" or anything else (never)
  std::string style;  // style code, upper-cased: "Y", "B", "I" or anything else (regular)
};

// The keyword file's contents: the table and, when the file has a default line, the attributes
// of ordinary text.
struct ParsKeywordFile {
  std::vector<ParsKeyword> keywords;  // in file order
  bool has_default = false;
  LogColor default_color = log_colors::kBlack;
  FontStyle default_style;
};

// Reads a keyword file. A file that does not exist or cannot be read gives an empty table
// without a default line. Lines end at "\n"; a "\r" before it is dropped.
ParsKeywordFile readParsKeywordFile(const std::string& path);
// The same from the file's contents.
ParsKeywordFile parseParsKeywords(std::string_view contents);

class TCmpParsG : public LogSink {
 public:
  TCmpParsG() = default;

  // --- published properties ---
  // Path of the keyword file, read by AttachView.
  const std::string& ColorParsFile() const { return color_pars_file_; }
  void setColorParsFile(std::string_view path) { color_pars_file_ = std::string(path); }
  // Font name given to the view by AttachView.
  const std::string& MemRzFntNm() const { return mem_rz_fnt_nm_; }
  void setMemRzFntNm(std::string_view name) { mem_rz_fnt_nm_ = std::string(name); }
  // Start of a line comment; start and end of a block comment. An empty text never matches.
  const std::string& StrComment() const { return str_comment_; }
  void setStrComment(std::string_view s) { str_comment_ = std::string(s); }
  const std::string& StrCommentStart() const { return str_comment_start_; }
  void setStrCommentStart(std::string_view s) { str_comment_start_ = std::string(s); }
  const std::string& StrCommentStop() const { return str_comment_stop_; }
  void setStrCommentStop(std::string_view s) { str_comment_stop_ = std::string(s); }
  // Marker painted in the hidden colour (the five bytes from its first occurrence).
  const std::string& StrHideEndSimb() const { return str_hide_end_simb_; }
  void setStrHideEndSimb(std::string_view s) { str_hide_end_simb_ = std::string(s); }
  // Kept for the settings that carry it; the colouring does not use it.
  bool ParsNumber() const { return pars_number_; }
  void setParsNumber(bool on) { pars_number_ = on; }

  // --- operations ---
  // Binds the view (not owned; it must outlive its binding, nullptr unbinds), gives it the font
  // MemRzFntNm, resets line count, line start and block depth, clears the view, and replaces the
  // keyword table with the keyword file's (a default line there sets the default attributes).
  void AttachView(LogView* view);
  // Resets line count, line start and block depth and clears the view.
  void ClearLog() override;
  // Appends one line and colours it. Without a view it does nothing.
  void AddLine(std::string_view line) override;
  bool hasView() const override { return view_ != nullptr; }
  // Puts the caret at the start of the view's first line and scrolls it into view.
  void ShowCaret() override;

  // --- state, for front ends and tests ---
  size_t lineCount() const { return line_count_; }
  size_t nextLineStart() const { return line_start_; }  // view offset of the next line
  int blockDepth() const { return block_depth_; }
  const std::vector<ParsKeyword>& keywords() const { return keywords_; }
  LogColor defaultColor() const { return default_color_; }
  FontStyle defaultStyle() const { return default_style_; }

 private:
  void paint(size_t line_start, size_t from, size_t length, size_t line_length, LogColor color,
             FontStyle style);
  void colorKeywords(const std::string& text, size_t line_start, bool comment_block,
                     size_t comment_pos);

  std::string color_pars_file_ = "Pars.txt";
  std::string mem_rz_fnt_nm_ = "Courier New";
  std::string str_comment_ = "--";
  std::string str_comment_start_ = "/*";
  std::string str_comment_stop_ = "*/";
  std::string str_hide_end_simb_ = "<#-#>";
  bool pars_number_ = false;

  LogView* view_ = nullptr;
  std::vector<ParsKeyword> keywords_;
  LogColor default_color_ = log_colors::kBlack;
  FontStyle default_style_{false, true};  // black italic until the keyword file says otherwise
  size_t line_count_ = 0;
  size_t line_start_ = 0;
  int block_depth_ = 0;
};

}  // namespace tarvex
