#include "logview/CmpParsG.h"

#include <algorithm>

#include "common/FileIo.h"
#include "common/TextUtil.h"
#include "logview/MarkupRuns.h"

namespace tarvex {

namespace {

// Bytes that may stand on either side of a keyword longer than one byte.
constexpr std::string_view kKeywordSeparators = " ,.;()%";
// In a line without a line comment, mode "R" keywords count only when they start before this
// 0-based column (column 400 counting from 1).
constexpr size_t kNoCommentColumn = 399;
// Bytes painted in the hidden colour from the first occurrence of StrHideEndSimb.
constexpr size_t kHiddenMarkerSpan = 5;
// Comments: green, bold italic.
constexpr LogColor kCommentColor = log_colors::kGreen;
constexpr FontStyle kCommentStyle{true, true};
// Keyword-file prefixes of the default line and of the three ignored lines.
constexpr std::string_view kDefaultLinePrefix = "[]|[";
constexpr std::string_view kIgnoredLinePrefixes[] = {"[1]|[", "[2]|[", "[3]|["};
// Stands for "|" in a keyword.
constexpr std::string_view kBarEscape = "<@!@>";

// Position of needle in hay, npos when absent or when needle is empty.
size_t findText(std::string_view hay, std::string_view needle) {
  if (needle.empty()) return std::string_view::npos;
  return hay.find(needle);
}

bool isKeywordSeparator(char c) {
  return kKeywordSeparators.find(c) != std::string_view::npos;
}

// Style code of a keyword entry (already upper-cased): Y, B, I or regular.
FontStyle styleFromCode(std::string_view code) {
  if (code == "Y") return {true, true};
  if (code == "B") return {true, false};
  if (code == "I") return {false, true};
  return {false, false};
}

// Style letters of the default line (already upper-cased): B and I anywhere in the field.
FontStyle styleFromLetters(std::string_view letters) {
  return {letters.find('B') != std::string_view::npos, letters.find('I') != std::string_view::npos};
}

char upperAscii(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string replaceAll(std::string_view text, std::string_view from, std::string_view to) {
  std::string out;
  size_t pos = 0;
  for (size_t hit; (hit = text.find(from, pos)) != std::string_view::npos;
       pos = hit + from.size()) {
    out.append(text.substr(pos, hit - pos));
    out.append(to);
  }
  out.append(text.substr(pos));
  return out;
}

// The "|" fields of a keyword-file line; field n past the last is the last one present.
class Fields {
 public:
  explicit Fields(std::string_view line) {
    size_t pos = 0;
    for (size_t bar; (bar = line.find('|', pos)) != std::string_view::npos; pos = bar + 1) {
      fields_.push_back(line.substr(pos, bar - pos));
    }
    fields_.push_back(line.substr(pos));
  }
  std::string_view operator[](size_t n) const {
    return n < fields_.size() ? fields_[n] : fields_.back();
  }

 private:
  std::vector<std::string_view> fields_;
};

}  // namespace

LogColor colorFromLetter(std::string_view letter) {
  return letter.size() == 1 ? colorFromLetter(letter[0]) : log_colors::kBlack;
}

LogColor colorFromLetter(char letter) {
  switch (letter) {
    case 'R':
      return log_colors::kRed;
    case 'A':
      return log_colors::kBlue;
    case 'M':
      return log_colors::kMaroon;
    case 'G':
      return log_colors::kGreen;
    case 'L':
      return log_colors::kLime;
    case 'O':
      return log_colors::kOlive;
    case 'C':
      return log_colors::kCream;
    default:
      return log_colors::kBlack;  // N and everything else
  }
}

ParsKeywordFile parseParsKeywords(std::string_view contents) {
  ParsKeywordFile file;
  size_t pos = 0;
  while (pos < contents.size()) {
    size_t end = contents.find('\n', pos);
    if (end == std::string_view::npos) end = contents.size();
    std::string_view line = contents.substr(pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);

    const Fields fields(line);
    if (line.starts_with(kDefaultLinePrefix)) {
      file.has_default = true;
      file.default_style = styleFromLetters(toUpperAscii(fields[1]));
      file.default_color = colorFromLetter(toUpperAscii(fields[2]));
      continue;
    }
    if (std::any_of(std::begin(kIgnoredLinePrefixes), std::end(kIgnoredLinePrefixes),
                    [&](std::string_view p) { return line.starts_with(p); })) {
      continue;
    }
    ParsKeyword k;
    k.text = replaceAll(fields[0], kBarEscape, "|");
    k.color = std::string(fields[1]);
    k.mode = std::string(fields[2]);
    k.style = toUpperAscii(fields[3]);
    file.keywords.push_back(std::move(k));
  }
  return file;
}

ParsKeywordFile readParsKeywordFile(const std::string& path) {
  std::string contents;
  if (!fileExists(path) || !readWholeFile(path, &contents).isOk()) return {};
  return parseParsKeywords(contents);
}

void TCmpParsG::AttachView(LogView* view) {
  view_ = view;
  line_count_ = 0;
  line_start_ = 0;
  block_depth_ = 0;
  keywords_.clear();
  if (view_ != nullptr) {
    view_->setFontName(mem_rz_fnt_nm_);
    view_->clear();
  }
  ParsKeywordFile file = readParsKeywordFile(color_pars_file_);
  keywords_ = std::move(file.keywords);
  if (file.has_default) {
    default_color_ = file.default_color;
    default_style_ = file.default_style;
  }
}

void TCmpParsG::ClearLog() {
  line_count_ = 0;
  line_start_ = 0;
  block_depth_ = 0;
  if (view_ != nullptr) view_->clear();
}

void TCmpParsG::ShowCaret() {
  if (view_ == nullptr) return;
  view_->setSelection(view_->lineStart(0).value_or(0), 0);
  view_->scrollCaretIntoView();
}

void TCmpParsG::paint(size_t line_start, size_t from, size_t length, size_t line_length,
                      LogColor color, FontStyle style) {
  if (from >= line_length) return;
  length = std::min(length, line_length - from);
  if (length == 0) return;
  view_->setSelection(line_start + from, length);
  view_->setSelectionColor(color);
  view_->setSelectionStyle(style);
}

void TCmpParsG::AddLine(std::string_view line) {
  if (view_ == nullptr) return;
  ++line_count_;
  const size_t start = line_start_;

  std::string text(line);
  for (char& ch : text) {
    if (ch == 0 || ch == 9 || ch == 10 || ch == 11 || ch == 13) ch = '?';
  }

  // Comment state, from the text with its markup.
  if (findText(text, str_comment_start_) != std::string::npos) ++block_depth_;
  bool block_end = false;
  if (findText(text, str_comment_stop_) != std::string::npos) {
    --block_depth_;
    block_end = true;
  }
  const bool comment_block = block_depth_ > 0 || block_end;

  const std::vector<MarkupRun> runs = extractMarkupRuns(&text, kMaxRunsPerLine);
  view_->appendLine(text);
  line_start_ = start + text.size() + 2;  // the line break counts two
  const size_t n = text.size();

  // From the comment start to the end: comment attributes; a line without a line comment gets
  // the line's attributes from its first byte.
  size_t comment_pos = 0;  // 0-based; keywords of mode R must start before it
  size_t from = 0;
  LogColor color = comment_block ? kCommentColor : default_color_;
  FontStyle style = comment_block ? kCommentStyle : default_style_;
  if (!comment_block) {
    const size_t dash = findText(text, str_comment_);
    if (dash != std::string::npos) {
      comment_pos = from = dash;
      color = kCommentColor;
      style = kCommentStyle;
    } else {
      comment_pos = kNoCommentColumn;
    }
  }
  paint(start, from, n - from, n, color, style);

  const size_t hidden = findText(text, str_hide_end_simb_);
  if (hidden != std::string::npos && hidden < n) {
    view_->setSelection(start + hidden, std::min(kHiddenMarkerSpan, n - hidden));
    view_->setSelectionColor(log_colors::kCream);
  }

  colorKeywords(text, start, comment_block, comment_pos);

  for (const MarkupRun& run : runs) {
    const auto color_letter = static_cast<unsigned char>(run.color);
    const bool italic = run.style == 'I' || run.style == 'i';
    const bool bold = color_letter < 'a';
    paint(start, run.start, run.length, n, colorFromLetter(upperAscii(run.color)),
          FontStyle{bold, italic});
  }
}

void TCmpParsG::colorKeywords(const std::string& text, size_t line_start, bool comment_block,
                              size_t comment_pos) {
  const std::string padded = text + " ";
  std::string w;
  for (const ParsKeyword& k : keywords_) {
    const size_t len = k.text.size();
    if (len == 0 || padded.find(k.text) == std::string::npos) continue;
    bool mode_ok_anywhere = k.mode == "A";
    bool mode_r = k.mode == "R" && !comment_block;
    bool mode_c = k.mode == "C" && comment_block;
    const LogColor color = colorFromLetter(k.color);
    const FontStyle style = styleFromCode(k.style);
    const bool quote = k.text == "'";
    // Matches are overwritten with "^" so that the next search finds the next occurrence. A
    // new match can then only overlap the overwritten bytes, so the search goes on from there.
    // A keyword made only of "^" would match its own overwriting: it moves on by one byte.
    const bool only_carets = k.text.find_first_not_of('^') == std::string::npos;
    w = padded;
    size_t search_from = 0;
    for (size_t p; (p = w.find(k.text, search_from)) != std::string::npos;) {
      bool colored = true;
      if (len > 1) {
        if (p > 0 && !isKeywordSeparator(padded[p - 1])) colored = false;
        if (p + len >= padded.size() || !isKeywordSeparator(padded[p + len])) colored = false;
      }
      size_t match_len = len;
      if (quote) {
        const size_t close = w.find('\'', p + 1);
        if (close != std::string::npos) match_len = close - p + 1;
      }
      if (!(mode_ok_anywhere || (mode_r && p < comment_pos) || (mode_c && p > comment_pos))) {
        colored = false;
      }
      std::fill_n(w.begin() + static_cast<std::ptrdiff_t>(p), match_len, '^');
      if (colored) paint(line_start, p, match_len, text.size(), color, style);
      search_from = only_carets ? p + 1 : (p + 1 >= len ? p + 1 - len : 0);
    }
  }
}

}  // namespace tarvex
