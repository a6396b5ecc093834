#include "engine/NumberFormat.h"

#include <algorithm>
#include <cstddef>

namespace tarvex {

namespace {

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

// A number read from text the way a C "read a decimal" routine does: sign, digits, an
// optional point and more digits; it stops at the first character that does not fit.
struct NumberParts {
  bool negative = false;
  std::string_view intDigits;   // without leading zeros; may be empty
  bool hasPoint = false;        // a "." follows the integer digits
  std::string_view fracDigits;  // digits after the point; may be empty
};

NumberParts readNumberParts(std::string_view text) {
  NumberParts p;
  size_t i = 0;
  const size_t n = text.size();
  while (i < n && text[i] == ' ') ++i;
  if (i < n && text[i] == '-') {
    p.negative = true;
    ++i;
    while (i < n && text[i] == ' ') ++i;  // "- 12": the blank after the sign is stripped too
  }
  while (i < n && text[i] == '0') ++i;
  size_t start = i;
  while (i < n && isDigit(text[i])) ++i;
  p.intDigits = text.substr(start, i - start);
  if (i < n && text[i] == '.') {
    p.hasPoint = true;
    ++i;
    start = i;
    while (i < n && isDigit(text[i])) ++i;
    p.fracDigits = text.substr(start, i - start);
  }
  return p;
}

std::string_view stripTrailingZeros(std::string_view digits) {
  while (!digits.empty() && digits.back() == '0') digits.remove_suffix(1);
  return digits;
}

// Right-aligns out in len characters: blanks in front, or only the rightmost len characters
// when it is longer.
void fitRight(std::string& out, size_t len) {
  if (out.size() < len) {
    out.insert(0, len - out.size(), ' ');
  } else if (out.size() > len) {
    out.erase(0, out.size() - len);
  }
}

// out holds integer digits followed by fracCount decimal digits (no sign, no point). Rounds
// them half away from zero to dec decimals (or pads with zeros), then writes the finished
// number: sign, integer part of at least one digit, "." and dec decimals, right-aligned in
// len. This is the "%*.*f" layout, done on decimal text.
void layoutDigits(std::string& out, size_t fracCount, bool negative, size_t dec, size_t len) {
  if (fracCount > dec) {
    const size_t keep = out.size() - fracCount + dec;
    const bool roundUp = out[keep] >= '5';
    out.resize(keep);
    if (roundUp) {
      size_t i = out.size();
      while (i > 0 && out[i - 1] == '9') out[--i] = '0';
      if (i == 0) {
        out.insert(out.begin(), '1');
      } else {
        ++out[i - 1];
      }
    }
  } else {
    out.append(dec - fracCount, '0');
  }
  // Now exactly dec decimals; the integer part gets one digit at least and no leading zeros.
  if (out.size() < dec + 1) out.insert(0, dec + 1 - out.size(), '0');
  const size_t firstNonZero = out.find_first_not_of('0');
  const size_t intLen = out.size() - dec;
  if (firstNonZero == std::string::npos) {
    negative = false;  // never "-0" nor "-0.00"
    out.erase(0, intLen - 1);
  } else if (firstNonZero > 0) {
    out.erase(0, std::min(firstNonZero, intLen - 1));
  }
  if (dec > 0) out.insert(out.size() - dec, 1, '.');
  if (negative) out.insert(out.begin(), '-');
  fitRight(out, len);
}

size_t toSize(int v) {
  return v > 0 ? static_cast<size_t>(v) : 0;
}

}  // namespace

int ChkNum(std::string_view value, int dec) {
  const size_t n = value.size();
  size_t i = 0;
  while (i < n && value[i] == ' ') ++i;
  if (i == n) return kNumBlank;
  if (value[i] == '-') {
    ++i;
    size_t j = i;
    while (j < n && value[j] == ' ') ++j;
    if (j == n) return static_cast<int>(n) + 1;  // nothing after the sign: just past the end
  }
  int points = 0;
  size_t firstPoint = 0;
  bool trailing = false;  // a blank has been seen after the number began
  for (; i < n; ++i) {
    const char c = value[i];
    if (trailing) {
      if (c != ' ') return static_cast<int>(i) + 1;
    } else if (c == '.') {
      if (points++ == 0) firstPoint = i;
    } else if (c == ' ') {
      trailing = true;
    } else if (!isDigit(c)) {
      return static_cast<int>(i) + 1;
    }
  }
  if (points > 1) return kNumManyPoints;
  if (trailing) {
    if (dec == 0) return points == 0 ? kNumTrailingOk : kNumTrailingPoint;
    return points == 1 ? kNumTrailingOk : kNumTrailingNoPoint;
  }
  if (dec == 0) return points == 0 ? 0 : kNumPointNoDecimals;
  if (points == 0) return kNumNoPoint;
  // The point is at 1-based position n - dec, i.e. 0-based index n - dec - 1.
  return firstPoint + toSize(dec) + 1 == n ? 0 : kNumPointMisplaced;
}

int FmtNum(std::string_view value, int dec, int cls, int len, std::string& out) {
  const NumberParts p = readNumberParts(value);
  const size_t d = toSize(dec);
  const size_t b = toSize(len);
  std::string_view frac = p.fracDigits;
  // Characters the integer part may take: the field less the point and the decimals.
  const size_t intRoom = b > d + 1 ? b - d - 1 : 0;
  const size_t intLen = p.intDigits.size() + (p.negative ? 1 : 0);
  int result = 0;
  if (d > 0 && p.hasPoint) {
    if (frac.size() != d) {
      frac = stripTrailingZeros(frac);
      if (frac.size() != d) {
        if (intLen > intRoom) {
          result = kFmtIntegerTooLong;
        } else if (frac.size() > d) {
          result = kFmtTooManyDecimals;
        }
        // else: fewer decimals, padded with zeros by the layout below
      }
    }
  } else if (d > 0) {
    if (intLen > intRoom) result = kFmtIntegerTooLong;
  } else if (cls == kNumTrailingPoint || cls == kNumPointNoDecimals) {
    frac = stripTrailingZeros(frac);
    if (!frac.empty()) result = kFmtDecimalsLost;
  }
  out.assign(p.intDigits);
  out.append(frac);
  layoutDigits(out, frac.size(), p.negative, d, b);
  return result;
}

bool isLaidOut(std::string_view value, int dec) {
  size_t p = 0;
  while (p < value.size() && value[p] == ' ') ++p;
  const bool negative = p < value.size() && value[p] == '-';
  if (negative) ++p;
  const size_t int_end = dec > 0 ? value.size() - static_cast<size_t>(dec) - 1 : value.size();
  if (dec > 0 && (value.size() < static_cast<size_t>(dec) + 1 || value[int_end] != '.')) return false;
  if (p >= int_end) return false;                            // no digit before the point
  if (value[p] == '0' && int_end - p > 1) return false;      // a leading zero
  if (negative) {
    // "-0" and "-0.00" are written without their sign.
    bool nonzero = false;
    for (size_t i = p; i < value.size(); ++i) nonzero |= value[i] >= '1' && value[i] <= '9';
    if (!nonzero) return false;
  }
  for (size_t i = p; i < value.size(); ++i) {
    if ((value[i] < '0' || value[i] > '9') && i != int_end) return false;
  }
  return true;
}

void FixNum(std::string_view value, int dec, int len, bool reformat, std::string& out) {
  const size_t d = toSize(dec);
  size_t i = 0;
  while (i < value.size() && value[i] == ' ') ++i;
  bool negative = false;
  if (i < value.size() && value[i] == '-') {
    negative = true;
    ++i;
  }
  std::string_view rest = value.substr(i);
  while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
  rest = rest.substr(0, rest.find(' '));  // nothing from the first inner space on

  // The point that counts: dec places before the end, else (dec > 0) the first ".".
  size_t point = std::string_view::npos;
  if (rest.size() > d && rest[rest.size() - d - 1] == '.') {
    point = rest.size() - d - 1;
  } else if (d > 0) {
    point = rest.find('.');
  }
  std::string_view intText = rest.substr(0, point);
  std::string_view fracText =
      point == std::string_view::npos ? std::string_view() : rest.substr(point + 1);
  while (!intText.empty() && intText.front() == '0') intText.remove_prefix(1);
  while (!fracText.empty() && fracText.back() == '0') fracText.remove_suffix(1);

  // Digits only: every other character becomes "0". Written straight into out.
  out.clear();
  for (char c : intText) out.push_back(isDigit(c) ? c : '0');
  // A replaced character can leave new leading zeros ("a5" -> "05").
  const size_t lead = std::min(out.find_first_not_of('0'), out.size());
  out.erase(0, lead);
  const size_t intCount = out.size();
  for (char c : fracText) out.push_back(isDigit(c) ? c : '0');
  // ... and new trailing zeros of the decimals ("5a" -> "50").
  while (out.size() > intCount && out.back() == '0') out.pop_back();
  const size_t fracCount = out.size() - intCount;

  if (reformat) {
    layoutDigits(out, fracCount, negative, d, toSize(len));
    return;
  }
  if (intCount == 0) out.insert(out.begin(), '0');
  if (fracCount > 0) out.insert(out.size() - fracCount, 1, '.');
  const bool isZero = intCount == 0 && fracCount == 0;
  if (negative && !isZero) out.insert(out.begin(), '-');
  fitRight(out, toSize(len));
}

void writeZeroNumber(int dec, int len, std::string& out) {
  const size_t d = toSize(dec);
  out.assign(1, '0');
  if (d > 0) {
    out.push_back('.');
    out.append(d, '0');
  }
  fitRight(out, toSize(len));
}

}  // namespace tarvex
