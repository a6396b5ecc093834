#include "engine/EngineLog.h"

#include <algorithm>

#include "common/CivilDate.h"
#include "common/TextUtil.h"

namespace tarvex {

namespace {

constexpr size_t kShownWidth = 10;  // values are shown in at least, and mostly at most, 10 chars

// Wraps the characters [from, from + len) of text in a run of colour letter `color`, closing
// and reopening the colour run the text is inside of (open_tag) so that it resumes afterwards.
std::string markRange(std::string_view text, size_t from, size_t len, char color,
                      std::string_view open_tag) {
  if (len == 0 || from >= text.size()) return std::string(text);
  len = std::min(len, text.size() - from);
  std::string out(text.substr(0, from));
  if (!open_tag.empty()) out += "^>";
  out += "<^";
  out += color;
  out += '>';
  out += text.substr(from, len);
  out += "^>";
  out += open_tag;
  out += text.substr(from + len);
  return out;
}

// The nearest opening colour tag ("<^X>" or "<^XY>") before position pos of the template, when
// its run is still open at pos. A run closed before the placeholder is not resumed: closing and
// reopening it there would leave a stray "^>" in the line.
std::string_view openTagBefore(std::string_view tmpl, size_t pos) {
  size_t search = pos;
  while (search > 0) {
    size_t at = tmpl.rfind("<^", search - 1);
    if (at == std::string_view::npos) return {};
    size_t close = tmpl.find('>', at);
    if (close != std::string_view::npos && close < pos && (close - at == 3 || close - at == 4)) {
      const bool closed = tmpl.substr(close, pos - close).find("^>") != std::string_view::npos;
      return closed ? std::string_view() : tmpl.substr(at, close - at + 1);
    }
    search = at;
  }
  return {};
}

// Replaces the first placeholder in tmpl by value, marking [from, from + len) of value.
void putMarked(std::string* tmpl, std::string_view placeholder, std::string_view value,
               size_t from, size_t len, char color) {
  size_t at = tmpl->find(placeholder);
  if (at == std::string::npos) return;
  std::string marked =
      len > 0 ? markRange(value, from, len, color, openTagBefore(*tmpl, at)) : std::string(value);
  tmpl->replace(at, placeholder.size(), marked);
}

// The value as the line shows it, and where the shown text starts within the value.
std::string shownValue(std::string_view v, char type, size_t* offset) {
  std::string display = displayForm(v);
  std::string_view w = trimView(display);
  size_t w_offset = w.empty() ? 0 : static_cast<size_t>(w.data() - display.data());
  std::string shown;
  *offset = 0;
  if (v.size() < kShownWidth + 1) {
    shown = std::string(v);
  } else if (type != 'N') {
    shown = std::string(w);
    *offset = w_offset;
  } else {
    std::string_view head = v.substr(0, v.size() - kShownWidth);
    bool only_spaces = head.find_first_not_of(' ') == std::string_view::npos;
    if (!only_spaces) {
      shown = std::string(w);
      *offset = w_offset;
    } else {
      shown = std::string(v.substr(v.size() - kShownWidth));
      *offset = v.size() - kShownWidth;
    }
  }
  if (shown.size() > kShownWidth && w.size() < kShownWidth) {
    *offset += shown.size() - kShownWidth;
    shown = shown.substr(shown.size() - kShownWidth);
  }
  if (shown.size() < kShownWidth) shown.append(kShownWidth - shown.size(), ' ');
  return displayForm(shown);
}

const char* suffixKey(int cls) {
  switch (cls) {
    case -1: return "N-1";
    case -24: return "N-24";
    case -26: return "N-26";
    case -33: return "N-33";
    case -44: return "N-44";
    case -55: return "N-55";
    case -66: return "N-66";
    default: return cls > 0 ? "N-N1" : nullptr;
  }
}

}  // namespace

std::string displayForm(std::string_view value) {
  std::string out(value);
  for (char& c : out) {
    switch (c) {
      case 0: case 9: case 10: case 11: case 12: case 13: c = '?'; break;
      default: break;
    }
  }
  return out;
}

std::string HexStr(std::string_view value) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(value.size() * 2);
  for (char c : value) {
    auto b = static_cast<unsigned char>(c);
    out += kDigits[b >> 4];
    out += kDigits[b & 15];
  }
  return out;
}

std::string recordHeaderLine(const EngineOptions& opts, int64_t record, bool stored_deleted) {
  std::string line = opts.text("7");
  replaceFirst(&line, "<#1#>", std::to_string(record));
  line += stored_deleted ? opts.text("6") : std::string(68, '-');
  return line;
}

std::string firstByteErrorLine(const EngineOptions& opts, int64_t record, uint8_t first_byte) {
  std::string line = opts.text("7");
  replaceFirst(&line, "<#1#>", std::to_string(record));
  std::string tail = opts.text("27");
  replaceFirst(&tail, "<#1#>", std::to_string(first_byte));
  return line + tail;
}

std::string recordSummaryLine(const EngineOptions& opts, int code_count, int max_code,
                              bool rejected) {
  std::string line = opts.text("51");
  replaceFirst(&line, "<#1#>", std::to_string(code_count));
  if (max_code > 0) {
    std::string t = opts.text("52");
    replaceFirst(&t, "<#1#>", std::to_string(max_code));
    line += t;
  }
  if (rejected) {
    std::string t = opts.text("55");
    replaceFirst(&t, "<#1#>", std::to_string(opts.NrMaxAcEr));
    line += t;
  }
  return line;
}

std::string fieldErrorLine(const EngineOptions& opts, const Rec_Fld& fields, int i,
                           std::string_view value, std::string_view new_value,
                           const CheckResult& res) {
  const char type = fields.FldTypes[static_cast<size_t>(i - 1)];
  // Head.
  std::string head = opts.text("40");
  std::string length = std::to_string(fields.FldLen[i]);
  if (fields.FldDec[i] > 0) {
    length += '.';
    length += std::to_string(fields.FldDec[i]);
  }
  replaceFirst(&head, "<#1#>", padLeft(std::to_string(i), 3));
  replaceFirst(&head, "<#2#>", padRight(fields.FldNames[static_cast<size_t>(i - 1)], 11));
  replaceFirst(&head, "<#3#>", std::string(1, type));
  replaceFirst(&head, "<#4#>", padLeft(length, 5));

  // Value part: the value as read, its marked part in the value colour.
  const size_t mark_len = static_cast<size_t>(std::abs(res.markLen));
  const size_t mark_from = res.markPos > 0 ? static_cast<size_t>(res.markPos - 1) : 0;
  size_t offset = 0;
  std::string shown = shownValue(value, type, &offset);
  std::string value_part = opts.valueTemplate;
  size_t shown_from = mark_from >= offset ? mark_from - offset : 0;
  size_t shown_len = mark_len;
  if (mark_from < offset) shown_len = mark_from + mark_len > offset ? mark_from + mark_len - offset : 0;
  putMarked(&value_part, "<#1#>", shown, shown_from, shown_len, opts.markColorValue);
  if (res.tmpl.empty()) return head + value_part;

  // Detail: new value, code and hexadecimal form.
  std::string detail = opts.text(res.tmpl);
  std::string shown_new = res.newValueIsDate ? formatDottedDate(res.newDate) : displayForm(new_value);
  putMarked(&detail, "<#2#>", shown_new, mark_from, res.newValueIsDate ? 0 : mark_len,
            opts.markColorValue);
  replaceFirst(&detail, "<#1#>", std::to_string(res.code));
  const std::string hex = opts.IndRezInHex ? HexStr(value) : std::string();
  replaceFirst(&detail, "<#X#>", hex.size() < 15 ? std::string(16 - hex.size(), ' ') : "");
  putMarked(&detail, "<#3#>", hex, 2 * mark_from, 2 * mark_len, opts.markColorHex);

  std::string line = head + value_part + detail;
  if (type == 'N' || type == 'F') {
    if (res.numShowFormatted) {
      std::string t = opts.text("N-N4");
      replaceFirst(&t, "<#1#>", res.formatted);
      line += t;
    } else if (res.numShowPlain) {
      line += opts.text("N-N2");
    }
    if (opts.AfSuplMsg && res.report) {
      if (const char* key = suffixKey(res.numClass)) {
        std::string t = opts.text(key);
        replaceFirst(&t, "<#1#>", std::to_string(res.numClass));
        line += t;
      }
    }
  }
  return line;
}

}  // namespace tarvex
