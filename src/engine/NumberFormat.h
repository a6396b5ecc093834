// Classification, formatting and repair of the text of DBF numeric fields (types "N" and "F").
// Pure functions on byte text: no I/O, no allocation beyond the caller's output buffer.
//
// A numeric field value is the field's FldLen bytes as stored: normally right-aligned digits
// with an optional "-" and a "." that sits FldDec places before the end.
//
// Rounding, our own choice: formatting to a field's decimals is done on the decimal digits
// themselves, never through a binary double, so that long fields (N(20,0) keys and the like)
// keep every digit. Rounding is half away from zero on the decimal text (2.5 -> 3,
// -2.5 -> -3, 1.005 -> 1.01 with two decimals), and a zero is never written with a "-".
#pragma once

#include <string>
#include <string_view>

namespace tarvex {

// Classifications returned by ChkNum besides 0 (well-formed) and k > 0 (1-based position of
// the first offending character, FldLen + 1 when a "-" is followed by nothing but blanks).
inline constexpr int kNumBlank = -1;             // empty or only spaces
inline constexpr int kNumTrailingOk = -22;       // trailing spaces, point layout fits d
inline constexpr int kNumTrailingNoPoint = -24;  // trailing spaces, no ".", d > 0
inline constexpr int kNumTrailingPoint = -26;    // trailing spaces, one ".", d = 0
inline constexpr int kNumPointMisplaced = -33;   // one ".", d > 0, not d places before the end
inline constexpr int kNumNoPoint = -44;          // no ".", d > 0
inline constexpr int kNumManyPoints = -55;       // more than one "."
inline constexpr int kNumPointNoDecimals = -66;  // one ".", d = 0

// FmtNum results besides 0 (the value fits the layout).
inline constexpr int kFmtIntegerTooLong = 1;   // the integer part (sign included) does not fit
inline constexpr int kFmtTooManyDecimals = 2;  // more significant decimals than d
inline constexpr int kFmtDecimalsLost = 3;     // d = 0 and the value has significant decimals

// ChkNum: classifies a numeric field value against its decimals dec (FldDec). Leading spaces
// are skipped, then an optional "-", then the rest is examined:
//   -1        empty or only spaces
//    0        digits with exactly one "." at position value.size() - dec when dec > 0, no "."
//             when dec = 0
//   k > 0     1-based position in value of the first character that is neither a digit nor
//             "." (also a non-space after trailing spaces); value.size() + 1 when the "-" is
//             followed by nothing or only spaces
//   -22 .. -66 as the kNum* constants above (more than one "." wins over trailing spaces).
int ChkNum(std::string_view value, int dec);

// FmtNum: writes value into out laid out as a field of length len with dec decimals, the way
// the load file wants it (right-aligned, "." and exactly dec decimals), and returns what did
// not fit: 0, kFmtIntegerTooLong, kFmtTooManyDecimals or kFmtDecimalsLost. cls is ChkNum's
// classification of value (only -26 and -66 change the checks). The text is always written:
// rounded half away from zero to dec decimals, and when it is longer than len only its
// rightmost len characters are kept. Characters after the number (anything but a sign,
// digits and one ".") are ignored. out must not refer to value's characters.
int FmtNum(std::string_view value, int dec, int cls, int len, std::string& out);

// Whether a value of classification 0 already stands as FmtNum would lay it out (right-aligned,
// no leading zeros, a digit before the point, no "-" on a zero), so that laying it out again
// would change nothing. Most values of a sound file do, and skip the work.
bool isLaidOut(std::string_view value, int dec);

// FixNum: repairs a malformed number into out: a leading "-" is remembered, spaces at both
// ends go and so does everything from the first inner space on; the decimal point that counts
// is the "." dec places before the end of what is left, else (dec > 0 only) the first "."; every
// other character that is not a digit becomes "0". Trailing zeros of the decimals and leading
// zeros of the integer part go (an empty integer part becomes "0"; a zero loses its "-").
// With reformat (InfFmtNum) the number is then laid out as by FmtNum, else the text is
// right-aligned in len. A text longer than len keeps its rightmost len characters.
// out must not refer to value's characters.
void FixNum(std::string_view value, int dec, int len, bool reformat, std::string& out);

// The number "0" (dec = 0) or "0." followed by dec zeros, right-aligned in len, into out.
void writeZeroNumber(int dec, int len, std::string& out);

}  // namespace tarvex
