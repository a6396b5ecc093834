#include "engine/FieldChecks.h"

#include <cstddef>

#include "common/TextUtil.h"
#include "engine/NumberFormat.h"

namespace tarvex {

namespace {

// [Other] keys of the detail templates.
constexpr std::string_view kTmplDateBlank = "31";       // empty date, written blank
constexpr std::string_view kTmplDateReplaced = "32";    // empty date, written as FrmDatIncl
constexpr std::string_view kTmplBadValue = "33";        // invalid date, bad character or logical
constexpr std::string_view kTmplEarlyHex = "34";        // date too early, hex shown
constexpr std::string_view kTmplEarly = "35";           // date too early
constexpr std::string_view kTmplLateHex = "36";         // date too late, hex shown
constexpr std::string_view kTmplLate = "37";            // date too late
constexpr std::string_view kTmplNeutral = "38";         // neutral line
constexpr std::string_view kTmplNumberRepaired = "83";  // number repaired
constexpr std::string_view kTmplNumberLayout = "84";    // number cannot keep its layout
constexpr std::string_view kTmplFirstByte = "27";       // record's first byte is bad

// Layout of a YYYYMMDD date value (1-based positions as used for marks).
constexpr size_t kDateLen = 8;
constexpr int kYearPos = 1, kYearLen = 4;
constexpr int kMonthPos = 5, kMonthLen = 2;
constexpr int kDayPos = 7, kDayLen = 2;
// A day part that is not digits marks this many characters from kDayPos.
constexpr int kBadDayMarkLen = 8;

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

bool allDigits(std::string_view s) {
  for (char c : s) {
    if (!isDigit(c)) return false;
  }
  return true;
}

bool isBlankText(std::string_view s) {
  return s.find_first_not_of(' ') == std::string_view::npos;
}

int digitsValue(std::string_view s) {
  int v = 0;
  for (char c : s) v = v * 10 + (c - '0');
  return v;
}

// Value of a part read with every non-digit as "0".
int digitsValueLenient(std::string_view s) {
  int v = 0;
  for (char c : s) v = v * 10 + (isDigit(c) ? c - '0' : 0);
  return v;
}

int clampInt(int v, int lo, int hi) {
  return v < lo ? lo : (v > hi ? hi : v);
}

void mark(CheckResult& res, int pos, int len) {
  res.markPos = pos;
  res.markLen = len;
}

void setInvalidDate(const EngineOptions& opts, const CivilDate& repaired, std::string& out,
                    CheckResult& res) {
  res.code = opts.ErInDate;  // set whether ChkDtErr is on or not
  res.report = opts.ChkDtErr;
  res.tmpl = kTmplBadValue;
  out.assign(formatCompactDate(repaired));
}

// Range checks of a valid date; the later check wins when both apply.
void checkDateRange(const CivilDate& date, const EngineOptions& opts, std::string& out,
                    CheckResult& res) {
  auto replace = [&](int code, const CivilDate& bound, std::string_view tmpl) {
    res.code = code;
    res.report = true;
    res.tmpl = tmpl;
    res.newValueIsDate = true;
    res.newDate = bound;
    out.assign(formatCompactDate(bound));
  };
  if (opts.ChkDtLess && date < opts.DateLess) {
    replace(opts.DtIsLess, opts.DateLess, opts.IndRezInHex ? kTmplEarlyHex : kTmplEarly);
  }
  if (opts.ChkDtMore && date > opts.DateMore) {
    replace(opts.DtIsMore, opts.DateMore, opts.IndRezInHex ? kTmplLateHex : kTmplLate);
  }
}

bool isDecimalLayoutClass(int c) {
  return c == kNumTrailingOk || c == kNumTrailingNoPoint || c == kNumPointMisplaced ||
         c == kNumNoPoint;
}

bool isLayoutClass(int c) {
  return c <= kNumTrailingOk && c >= kNumPointNoDecimals;
}

// The repair-and-report step of the numeric rule for a classification c != 0.
void RepNum(std::string_view value, int c, int len, int dec, const EngineOptions& opts,
            std::string& out, CheckResult& res) {
  if (c == kNumBlank) {
    if (opts.ChkNmErr2) {
      res.report = true;
      res.code = opts.ErInNum2;
    }
    writeZeroNumber(dec, len, out);
    res.tmpl = kTmplNumberRepaired;
    const size_t zeroLen = dec > 0 ? static_cast<size_t>(dec) + 2 : 1;
    const int tail = static_cast<int>(zeroLen < out.size() ? zeroLen : out.size());
    mark(res, static_cast<int>(out.size()) - tail + 1, tail);
    return;
  }
  if (c == kNumManyPoints || c > 0) {
    res.report = true;
    res.code = opts.ErInNum;
    res.tmpl = kTmplNumberRepaired;
    FixNum(value, dec, len, opts.InfFmtNum, out);
    if (c > 0) {
      mark(res, c, 1);
    } else {
      mark(res, static_cast<int>(value.find('.')) + 1, 1);
    }
    return;
  }
  // Layout classes -22 .. -66 (except -55): the value stays; FmtNum tells whether it fits.
  // res.formatted is used as scratch here; the rule refills it at the end.
  const int r = FmtNum(value, dec, c, len, res.formatted);
  res.tmpl = kTmplNeutral;
  if (c == kNumTrailingOk) {
    if (dec > 0 && r >= 1) res.report = true;  // reported, but no code
    return;
  }
  if (r >= 1 && (opts.InfFmtNum || opts.ChkDcErr)) {
    res.report = true;
    res.code = opts.ErInNum;
    res.tmpl = kTmplNumberLayout;
  }
}

}  // namespace

void CheckResult::reset() {
  code = 0;
  report = false;
  tmpl = {};
  markPos = 0;
  markLen = 0;
  numClass = 0;
  numShowFormatted = false;
  numShowPlain = false;
  formatted.clear();
  newValueIsDate = false;
  newDate = CivilDate{};
}

int ChkDateTxt(std::string_view value) {
  const size_t first = value.find_first_not_of(' ');
  if (first == std::string_view::npos) return -1;
  if (first > 0) return static_cast<int>(first) + 1;
  for (size_t i = 0; i < value.size(); ++i) {
    if (!isDigit(value[i])) return static_cast<int>(i) + 1;
  }
  return 0;
}

bool ChkDate(std::string_view value, const EngineOptions& opts, std::string& out,
             CheckResult& res) {
  res.reset();
  // The rule works on exactly YYYYMMDD: a field of another length is cut or padded here.
  char work[kDateLen];
  for (size_t i = 0; i < kDateLen; ++i) work[i] = i < value.size() ? value[i] : ' ';
  const std::string_view v(work, kDateLen);
  const std::string_view yearPart = v.substr(0, 4);
  const std::string_view monthPart = v.substr(4, 2);
  const std::string_view dayPart = v.substr(6, 2);

  const int cls = ChkDateTxt(v);
  if (cls == -1) {
    if (equalsIgnoreCase(opts.FrmDatIncl, "NULL")) {
      out.assign(kDateLen, ' ');
    } else {
      out.assign(opts.FrmDatIncl);
    }
    if (opts.ChkDtNull) {
      res.code = opts.ErCdDtNull;
      res.report = true;
      res.tmpl = isBlankText(out) ? kTmplDateBlank : kTmplDateReplaced;
    }
    return res.report;
  }

  CivilDate date;
  if (cls == 0) {
    date = {digitsValue(yearPart), digitsValue(monthPart), digitsValue(dayPart)};
    if (isValidDate(date.year, date.month, date.day)) {
      out.assign(v);
      checkDateRange(date, opts, out, res);
      return res.report;
    }
    // Digits that form no date: clamp each part; the part repaired last is marked.
    if (date.year < 1) {
      date.year = 1;
      mark(res, kYearPos, kYearLen);
    }
    if (date.month < 1 || date.month > 12) {
      date.month = clampInt(date.month, 1, 12);
      mark(res, kMonthPos, kMonthLen);
    }
    const int last = daysInMonth(date.year, date.month);
    if (date.day < 1 || date.day > last) {
      date.day = clampInt(date.day, 1, last);
      mark(res, kDayPos, kDayLen);
    }
    setInvalidDate(opts, date, out, res);
    return res.report;
  }

  // Non-digits: each part is repaired on its own.
  if (allDigits(yearPart)) {
    date.year = digitsValue(yearPart);
    if (date.year < 1) {
      date.year = 1;
      mark(res, kYearPos, kYearLen);
    }
  } else {
    date.year = digitsValueLenient(yearPart);
    if (date.year == 0) date.year = 1;
    mark(res, kYearPos, static_cast<int>(yearPart.size()));
  }
  if (allDigits(monthPart)) {
    const int m = digitsValue(monthPart);
    date.month = clampInt(m, 1, 12);
    if (date.month != m) mark(res, kMonthPos, kMonthLen);
  } else {
    date.month = 1;
    mark(res, kMonthPos, kMonthLen);
  }
  const int last = daysInMonth(date.year, date.month);
  if (allDigits(dayPart)) {
    const int d = digitsValue(dayPart);
    date.day = clampInt(d, 1, last);
    if (date.day != d) mark(res, kDayPos, kDayLen);
  } else {
    date.day = 1;
    mark(res, kDayPos, kBadDayMarkLen);
  }
  setInvalidDate(opts, date, out, res);
  return res.report;
}

bool checkNumber(std::string_view value, char type, int len, int dec, bool blankNumberAsZero,
                 const EngineOptions& opts, std::string& out, CheckResult& res) {
  res.reset();
  int c = ChkNum(value, dec);
  // Type "F" carries its own point: a point anywhere, or none, is fine.
  if (type == 'F' && (c == kNumPointMisplaced || c == kNumNoPoint || c == kNumPointNoDecimals)) {
    c = 0;
  }
  res.numClass = c;
  out.assign(value);

  if (c != 0) {
    const bool skip = !opts.InfFmtNum && ((c == kNumBlank && !opts.ChkNmErr2) ||
                                          (isDecimalLayoutClass(c) && !opts.ChkDcErr));
    if (!skip) RepNum(value, c, len, dec, opts, out, res);
  }

  if (opts.InfFmtNum && !(c == 0 && static_cast<int>(value.size()) == len && isLaidOut(value, dec))) {
    // Laid out into the scratch string, then swapped in: out keeps a buffer either way.
    FmtNum(out, dec, c, len, res.formatted);
    out.swap(res.formatted);
  }

  if (isLayoutClass(c)) {
    res.numShowFormatted = opts.InfFmtNum;
    res.numShowPlain = !opts.InfFmtNum && opts.ChkDcErr;
  }
  if (res.numShowFormatted) {
    res.formatted.assign(out);  // with InfFmtNum the output is FmtNum's text
  } else {
    res.formatted.clear();
  }

  if (blankNumberAsZero && isBlankText(out)) {
    out.assign(len > 1 ? static_cast<size_t>(len) - 1 : 0, ' ');
    out.push_back('0');
  }
  return res.report;
}

bool ChkChar(std::string_view value, const EngineOptions& opts, std::string& out,
             CheckResult& res) {
  res.reset();
  out.assign(value);
  auto translate = [&out](const ByteTable& table) {
    for (char& c : out) c = static_cast<char>(table[static_cast<unsigned char>(c)]);
  };
  bool zeroFound = false;
  if (opts.ChkChrEr) {
    const size_t pos = value.find('\0');
    if (pos != std::string_view::npos) {
      zeroFound = true;
      translate(opts.Table1);
      res.code = opts.ErInChar;
      res.report = true;
      mark(res, static_cast<int>(pos) + 1, 1);
    }
  }
  if (opts.ChkChrEr2) {
    size_t pos = 0;
    while (pos < out.size() && static_cast<unsigned char>(out[pos]) >= 32) ++pos;
    if (pos < out.size()) {
      translate(opts.Table2);
      if (!zeroFound) {
        res.code = opts.ErInChar2;
        res.report = true;
        mark(res, static_cast<int>(pos) + 1, 1);
      }
    }
  }
  if (res.report) res.tmpl = kTmplBadValue;
  return res.report;
}

bool checkLogical(std::string_view value, const EngineOptions& opts, std::string& out,
                  CheckResult& res) {
  res.reset();
  out.assign(value);
  if (opts.ChkLgcEr && value.find_first_not_of(" ?FNTY") != std::string_view::npos) {
    char replacement = ' ';
    switch (opts.DfLogicFld) {
      case 0:
        replacement = opts.TrLogicFld == 1 ? 'Y' : 'T';
        break;
      case 1:
        replacement = opts.TrLogicFld == 1 ? 'N' : 'F';
        break;
      case 2:
        replacement = '?';
        break;
      default:
        replacement = ' ';
        break;
    }
    out.assign(value.size(), ' ');
    out[0] = replacement;  // value is not empty: it holds a bad byte
    res.code = opts.ErInLgc;
    res.report = true;
    res.tmpl = kTmplBadValue;
    mark(res, 1, 1);
  }
  for (char& c : out) {
    if (opts.TrLogicFld == 0) {
      if (c == 'Y') c = 'T';
      if (c == 'N') c = 'F';
    } else if (opts.TrLogicFld == 1) {
      if (c == 'T') c = 'Y';
      if (c == 'F') c = 'N';
    }
  }
  return res.report;
}

char checkFirstByte(char first, const EngineOptions& opts, CheckResult& res) {
  res.reset();
  if (!opts.ChkFrstEr || first == ' ' || first == '*') return first;
  res.report = true;
  res.tmpl = kTmplFirstByte;
  return opts.IndDelInSp ? ' ' : '*';
}

}  // namespace tarvex
