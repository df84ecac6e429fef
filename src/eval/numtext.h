// Conversions between numbers and their text forms. The dialect's output
// is defined by the text forms of a classic C runtime library, so each
// conversion here reproduces one of those exactly.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tw::numtext {

// Reads a number the way the classic atof does: leading blanks (space and
// the control characters 9 to 13), optional sign, digits with optional '.',
// optional exponent introduced by E, e, D or d ("1e" reads as 1 and stops
// at the 'e'). Stops at the first character that does not fit. No number
// gives 0; too large gives infinity. `used`, when given, receives the count
// of characters consumed (0 when nothing was a number).
double atof(std::string_view s, size_t* used = nullptr);

// Classic atoi: leading blanks, sign, decimal digits; saturates to int32.
int32_t atoi(std::string_view s);

// Classic strtol for bases 8 and 16 (and 10): leading blanks, sign,
// optional 0x prefix for base 16; stops at the first bad digit;
// saturates at LONG (32-bit) range. `used` receives characters consumed.
int32_t strtol(std::string_view s, int base, size_t* used = nullptr);

// _fcvt_s: digits of x rounded to `decimals` places after the point, with
// no point and no sign; `decpt` receives the position of the point and
// `negative` whether x < 0. As the classic routine, x is first taken to 17
// significant digits and that digit string is rounded half up, so
// fcvt(0.125, 2) is "13" and fcvt(2.675, 2) is "267" (decpt 1). Leading
// zeros are not written: fcvt(0.0314, 2) is "3" with decpt -1, and a value
// that rounds to nothing gives "" (fcvt(0.001, 2): decpt -2). A carry adds
// a digit: fcvt(9.99, 1) is "100", decpt 2. Zero gives `decimals` zeros
// with decpt 0.
std::string fcvt(double x, int decimals, int* decpt, bool* negative);

// _ecvt_s: the first `digits` significant digits of x, rounded as fcvt
// rounds (17 digits, then half up); `decpt` and `negative` as for fcvt.
// A carry keeps the count: ecvt(9.99, 2) is "10" with decpt 2. Zero gives
// `digits` zeros with decpt 0.
std::string ecvt(double x, int digits, int* decpt, bool* negative);

// x rounded to `decimals` places the way fcvt rounds it, as a double
// (ROUND). Values that round to nothing give 0.
double roundFixed(double x, int decimals);

// _gcvt_s(x, n): n significant digits (rounded as fcvt rounds); fixed form
// when the decimal exponent m (after rounding) satisfies -1 <= m <= n-1,
// else exponent form with 'e', sign and three digits. Trailing zeros
// removed, point kept: "5.", "0.15", "5.e-002", "1.5e-002",
// "1.234568e+008", "0." for zero (also negative zero).
std::string gcvt(double x, int n);

// x rounded to `digits` significant decimal digits: exactly the value of
// gcvt(x, digits) read back by atof. Runs after every arithmetic operation,
// so it is fast: whole numbers that already fit return at once, and most
// other values are rounded in integer arithmetic without any text.
double roundSig(double x, int digits);

// The value a single-precision variable holds, as arithmetic sees it:
// the float value rounded to 7 significant digits.
double singleValueSlow(float f);
inline double singleValue(float f) {
    // Whole values below 10^7 already have at most seven digits.
    const double d = static_cast<double>(f);
    if (d > -1e7 && d < 1e7 && d == static_cast<double>(static_cast<int32_t>(d))) return d;
    return singleValueSlow(f);
}

// Text of a number as PRINT shows it (without the separators PRINT adds):
// sign or leading blank, digits, one trailing blank always.
// `singlePrec` selects 6 significant digits, otherwise 16 (double and
// integer); a single whose 7-digit value text is a plain whole number keeps
// all 7 digits (1234567 -> " 1234567 "). Exponent forms e-001..e-004 are
// rewritten to fixed point. Negative zero prints as " 0 ".
// Examples: 1 -> " 1 ", -1 -> "-1 ", 1/3 -> " 0.3333333333333333 ",
// 1e20 -> " 1e+020 ", 0.00001 -> " 1e-005 ", 0.015 -> " 0.015 ".
std::string printText(double x, bool singlePrec);

// Text of STR$: integers as digits; others from gcvt with 16 digits
// (7 for single), then the STR$ rewriting (leading blank for non-negative,
// exponent with two digits "1.e+20", e-01..e-05 written fixed: " 0.0015").
// Exponents of 100 or more keep their three digits ("1.e+100").
std::string strText(double x, bool singlePrec, bool isInteger);

}  // namespace tw::numtext
