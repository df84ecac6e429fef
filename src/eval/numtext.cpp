#include "eval/numtext.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <cstring>

namespace tw::numtext {

namespace {

// The classic runtime converts a double to decimal in two steps: first to
// 17 significant digits, then the digit string is rounded half up to what
// the caller asked for. Reproducing both steps matters: a value whose 17th
// digit is a 5 rounds up even when the exact binary value lies below the
// midpoint, and exact ties round away from zero instead of to even.
constexpr int kRawDigits = 17;

// x = 0.d[0]d[1]...d[16] x 10^decpt; d holds ASCII digits.
struct RawDigits {
    char d[kRawDigits];
    int decpt;
    bool negative;
};

bool isBlank(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

__extension__ typedef unsigned __int128 Uint128;

constexpr uint64_t kPow10u[] = {
    1ull,           10ull,           100ull,           1000ull,           10000ull,
    100000ull,      1000000ull,      10000000ull,      100000000ull,      1000000000ull,
    10000000000ull, 100000000000ull, 1000000000000ull, 10000000000000ull, 100000000000000ull,
    1000000000000000ull, 10000000000000000ull, 100000000000000000ull};

constexpr int kMaxPow5 = 32;  // 5^32 times a 53-bit mantissa still fits 128 bits

constexpr auto kPow5 = [] {
    struct Table {
        Uint128 v[kMaxPow5 + 1];
    } t{};
    t.v[0] = 1;
    for (int i = 1; i <= kMaxPow5; ++i) {
        t.v[i] = t.v[i - 1] * 5;
    }
    return t;
}();

// The 17 significant digits of |x| as a whole number n (10^16 <= n < 10^17,
// correctly rounded, ties to even) with |x| = 0.n x 10^decpt, computed
// exactly in integer arithmetic: |x| = M * 2^E, so |x| * 10^k is
// M * 5^k * 2^(E + k). Covers normal numbers from 1e-16 up to 1e17 (most
// of what a program computes); returns false for the rest.
bool exactDigits(double x, uint64_t& n, int& decpt) {
    uint64_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    int biased = static_cast<int>((bits >> 52) & 0x7FF);
    if (biased == 0 || biased == 0x7FF) {
        return false;
    }
    uint64_t mant = (bits & ((1ull << 52) - 1)) | (1ull << 52);
    int e2 = biased - 1075;
    // floor(log10(2^(e2 + 52))): the decimal exponent of x or one less.
    int m = ((e2 + 52) * 78913) >> 18;
    int k = 16 - m;
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (k < 0 || k > kMaxPow5) {
            return false;
        }
        Uint128 p = static_cast<Uint128>(mant) * kPow5.v[k];
        int shift = e2 + k;
        uint64_t whole;
        bool up = false;
        if (shift >= 0) {
            if (shift > 8) {
                return false;
            }
            whole = static_cast<uint64_t>(p << shift);
        } else {
            int sh = -shift;
            if (sh >= 127) {
                return false;
            }
            Uint128 w = p >> sh;
            Uint128 rem = p - (w << sh);
            Uint128 half = static_cast<Uint128>(1) << (sh - 1);
            if (w >= kPow10u[17] * 10) {
                --k;
                continue;
            }
            whole = static_cast<uint64_t>(w);
            up = rem > half || (rem == half && (whole & 1));
        }
        if (whole >= kPow10u[17]) {
            --k;
            continue;
        }
        if (whole < kPow10u[16]) {
            ++k;
            continue;
        }
        n = whole + (up ? 1 : 0);
        decpt = 17 - k;
        if (n == kPow10u[17]) {
            n = kPow10u[16];
            ++decpt;
        }
        return true;
    }
    return false;
}

// 17 significant digits of a finite, non-zero x.
void rawDigits(double x, RawDigits& out) {
    out.negative = std::signbit(x);
    uint64_t n;
    int decpt;
    if (exactDigits(x, n, decpt)) {
        for (int i = kRawDigits - 1; i >= 0; --i) {
            out.d[i] = static_cast<char>('0' + n % 10);
            n /= 10;
        }
        out.decpt = decpt;
        return;
    }
    char buf[40];
    // "-d.dddddddddddddddde-ddd"
    auto res = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::scientific,
                             kRawDigits - 1);
    const char* p = buf;
    if (*p == '-') {
        ++p;
    }
    out.d[0] = *p++;
    ++p;  // the point
    std::memcpy(out.d + 1, p, kRawDigits - 1);
    p += kRawDigits - 1;
    ++p;  // 'e'
    int exp = 0;
    const char* e = p;
    if (*e == '+') {
        ++e;
    }
    std::from_chars(e, res.ptr, exp);
    out.decpt = exp + 1;
}

// Rounds the raw digits half up to `n` digits, as the runtime's digit
// copier does. Writes max(n, 0) digits (digits past the 17th are zeros) or,
// when rounding carries out of the first digit, a leading '1' followed by
// them; the carry also raises `decpt`. Returns the count written.
int roundRaw(const RawDigits& raw, int n, char* out, int& decpt) {
    int len = n > 0 ? n : 0;
    for (int i = 0; i < len; ++i) {
        out[i] = i < kRawDigits ? raw.d[i] : '0';
    }
    bool up = n >= 0 && n < kRawDigits && raw.d[n] >= '5';
    if (!up) {
        return len;
    }
    int i = len - 1;
    while (i >= 0 && out[i] == '9') {
        out[i--] = '0';
    }
    if (i >= 0) {
        ++out[i];
        return len;
    }
    // Carry out of the first digit: "999" became "1000".
    std::memmove(out + 1, out, static_cast<size_t>(len));
    out[0] = '1';
    ++decpt;
    return len + 1;
}

// Rounds to `n` significant digits (n >= 1); a carry keeps the count at n.
void roundSignificant(const RawDigits& raw, int n, char* out, int& decpt) {
    if (roundRaw(raw, n, out, decpt) > n) {
        // "1000" from a carry: still n digits, one place higher.
        out[n] = '\0';
    }
}

// Powers of ten that are exact doubles.
constexpr double kPow10Exact[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                  1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                  1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// Classic strtol core: returns the value and sets `used`.
int32_t parseLong(std::string_view s, int base, size_t* used) {
    size_t i = 0;
    size_t n = s.size();
    while (i < n && isBlank(s[i])) {
        ++i;
    }
    bool neg = false;
    if (i < n && (s[i] == '-' || s[i] == '+')) {
        neg = (s[i] == '-');
        ++i;
    }
    if (base == 16 && i + 1 < n && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
        i += 2;
    }
    uint64_t acc = 0;
    bool overflow = false;
    bool any = false;
    for (; i < n; ++i) {
        char c = s[i];
        int v;
        if (isDigit(c)) {
            v = c - '0';
        } else if (c >= 'a' && c <= 'z') {
            v = c - 'a' + 10;
        } else if (c >= 'A' && c <= 'Z') {
            v = c - 'A' + 10;
        } else {
            break;
        }
        if (v >= base) {
            break;
        }
        any = true;
        if (!overflow) {
            acc = acc * static_cast<uint64_t>(base) + static_cast<uint64_t>(v);
            if (acc > 0xFFFFFFFFull) {
                overflow = true;
            }
        }
    }
    if (!any) {
        // No digits: nothing is consumed, not even the blanks, sign or "0x".
        if (used) {
            *used = 0;
        }
        return 0;
    }
    if (used) {
        *used = i;
    }
    if (neg) {
        if (overflow || acc > 2147483648ull) {
            return INT32_MIN;
        }
        return static_cast<int32_t>(-static_cast<int64_t>(acc));
    }
    if (overflow || acc > 2147483647ull) {
        return INT32_MAX;
    }
    return static_cast<int32_t>(acc);
}

// Turns a gcvt text into the digits PRINT shows: a point before 'e' or at
// the end goes away ("1.e+020" -> "1e+020", "5." -> "5"), and the
// exponents e-001..e-004 are written as fixed point ("1.5e-002" -> "0.015").
void shapeForPrint(std::string& t) {
    size_t e = t.find('e');
    if (e == std::string::npos) {
        if (!t.empty() && t.back() == '.') {
            t.pop_back();
        }
        return;
    }
    if (e > 0 && t[e - 1] == '.') {
        t.erase(e - 1, 1);
        --e;
    }
    if (t.size() - e == 5 && t[e + 1] == '-' && t[e + 2] == '0' && t[e + 3] == '0' &&
        t[e + 4] >= '1' && t[e + 4] <= '4') {
        int k = t[e + 4] - '0';
        bool neg = t[0] == '-';
        std::string digits;
        for (size_t i = neg ? 1 : 0; i < e; ++i) {
            if (t[i] != '.') {
                digits += t[i];
            }
        }
        std::string r = neg ? "-0." : "0.";
        r.append(static_cast<size_t>(k - 1), '0');
        r += digits;
        t = std::move(r);
    }
}

}  // namespace

double atof(std::string_view s, size_t* used) {
    size_t i = 0;
    size_t n = s.size();
    while (i < n && isBlank(s[i])) {
        ++i;
    }
    bool neg = false;
    if (i < n && (s[i] == '-' || s[i] == '+')) {
        neg = (s[i] == '-');
        ++i;
    }
    size_t start = i;
    size_t intDigits = 0;  // significant digits before the point
    bool seenNonZero = false;
    long leadFracZeros = 0;  // zeros after the point before the first significant digit
    bool any = false;
    while (i < n && isDigit(s[i])) {
        any = true;
        if (s[i] != '0') {
            seenNonZero = true;
        }
        if (seenNonZero) {
            ++intDigits;
        }
        ++i;
    }
    if (i < n && s[i] == '.') {
        ++i;
        while (i < n && isDigit(s[i])) {
            any = true;
            if (s[i] != '0') {
                seenNonZero = true;
            } else if (!seenNonZero) {
                ++leadFracZeros;
            }
            ++i;
        }
    }
    if (!any) {
        if (used) {
            *used = 0;
        }
        return 0.0;
    }
    size_t mantEnd = i;
    size_t end = i;
    long exp = 0;
    char expLetter = 0;
    if (i < n && (s[i] == 'E' || s[i] == 'e' || s[i] == 'D' || s[i] == 'd')) {
        size_t j = i + 1;
        bool eneg = false;
        if (j < n && (s[j] == '-' || s[j] == '+')) {
            eneg = (s[j] == '-');
            ++j;
        }
        if (j < n && isDigit(s[j])) {
            expLetter = s[i];
            while (j < n && isDigit(s[j])) {
                if (exp < 100000) {
                    exp = exp * 10 + (s[j] - '0');
                }
                ++j;
            }
            if (eneg) {
                exp = -exp;
            }
            end = j;
        }
    }
    if (used) {
        *used = end;
    }
    if (!seenNonZero) {
        return neg ? -0.0 : 0.0;
    }
    double v = 0.0;
    std::from_chars_result r;
    if (expLetter == 'D' || expLetter == 'd') {
        // from_chars knows only 'e': read the mantissa and exponent as one
        // text with the letter replaced.
        std::string text(s.substr(start, end - start));
        text[mantEnd - start] = 'e';
        r = std::from_chars(text.data(), text.data() + text.size(), v);
    } else {
        r = std::from_chars(s.data() + start, s.data() + end, v);
    }
    if (r.ec == std::errc::result_out_of_range) {
        long mag = exp + static_cast<long>(intDigits) - leadFracZeros;
        v = mag > 0 ? HUGE_VAL : 0.0;
    }
    return neg ? -v : v;
}

int32_t atoi(std::string_view s) {
    return parseLong(s, 10, nullptr);
}

int32_t strtol(std::string_view s, int base, size_t* used) {
    return parseLong(s, base, used);
}

std::string fcvt(double x, int decimals, int* decpt, bool* negative) {
    if (negative) {
        *negative = x < 0;
    }
    if (x == 0.0 || !std::isfinite(x)) {
        if (decpt) {
            *decpt = 0;
        }
        return std::string(x == 0.0 && decimals > 0 ? static_cast<size_t>(decimals) : 0, '0');
    }
    RawDigits raw;
    rawDigits(x, raw);
    int dp = raw.decpt;
    int n = dp + decimals;
    // The runtime's conversion buffer holds at most 348 digits.
    if (n > 348) {
        n = 348;
    }
    char buf[352];
    int len = roundRaw(raw, n, buf, dp);
    if (decpt) {
        *decpt = dp;
    }
    return std::string(buf, static_cast<size_t>(len));
}

std::string ecvt(double x, int digits, int* decpt, bool* negative) {
    if (negative) {
        *negative = x < 0;
    }
    if (digits < 1) {
        digits = 1;
    }
    if (digits > 348) {
        digits = 348;
    }
    if (x == 0.0 || !std::isfinite(x)) {
        if (decpt) {
            *decpt = 0;
        }
        return std::string(static_cast<size_t>(digits), '0');
    }
    RawDigits raw;
    rawDigits(x, raw);
    int dp = raw.decpt;
    std::string out(static_cast<size_t>(digits) + 1, '0');
    roundSignificant(raw, digits, out.data(), dp);
    out.resize(static_cast<size_t>(digits));
    if (decpt) {
        *decpt = dp;
    }
    return out;
}

double roundFixed(double x, int decimals) {
    int dp = 0;
    bool neg = false;
    std::string d = fcvt(x, decimals, &dp, &neg);
    if (d.empty() || !std::isfinite(x)) {
        return std::isfinite(x) ? 0.0 : x;
    }
    // The digits read as a whole number, scaled by the exponent: "ddde-2".
    int scale = dp - static_cast<int>(d.size());
    d += 'e';
    char eb[16];
    auto er = std::to_chars(eb, eb + sizeof eb, scale);
    d.append(eb, er.ptr);
    double v = 0.0;
    std::from_chars(d.data(), d.data() + d.size(), v);
    return neg ? -v : v;
}

std::string gcvt(double x, int n) {
    if (n < 1) {
        n = 1;
    }
    if (x == 0.0) {
        return "0.";
    }
    if (std::isnan(x)) {
        return "1.#QNAN";
    }
    if (std::isinf(x)) {
        return x < 0 ? "-1.#INF" : "1.#INF";
    }
    RawDigits raw;
    rawDigits(x, raw);
    int decpt = raw.decpt;
    std::string digits(static_cast<size_t>(n) + 1, '0');
    roundSignificant(raw, n, digits.data(), decpt);
    digits.resize(static_cast<size_t>(n));
    while (digits.size() > 1 && digits.back() == '0') {
        digits.pop_back();
    }
    int m = decpt - 1;
    std::string out;
    out.reserve(32);
    if (raw.negative) {
        out += '-';
    }
    if (m < -1 || m > n - 1) {
        out += digits[0];
        out += '.';
        out.append(digits, 1);
        out += 'e';
        out += m < 0 ? '-' : '+';
        int a = m < 0 ? -m : m;
        out += static_cast<char>('0' + a / 100);
        out += static_cast<char>('0' + a / 10 % 10);
        out += static_cast<char>('0' + a % 10);
    } else if (m == -1) {
        out += "0.";
        out += digits;
    } else {
        size_t intLen = static_cast<size_t>(m) + 1;
        if (digits.size() < intLen) {
            digits.append(intLen - digits.size(), '0');
        }
        out.append(digits, 0, intLen);
        out += '.';
        out.append(digits, intLen);
    }
    return out;
}

namespace {

// The body of roundSig, inlined for the digit counts the evaluator uses
// after every operation (16 and 7) so that their divisions by a power of
// ten become multiplications.
[[gnu::always_inline]] inline double roundSigImpl(double x, int digits) {
    double ax = std::fabs(x);
    if (digits >= 1 && digits <= 17 && ax < kPow10Exact[digits] && x == std::trunc(x)) {
        // Whole numbers with no more digits than asked for are already exact.
        return x;
    }
    if (digits >= kRawDigits || !std::isfinite(x)) {
        // Seventeen significant digits read back give the same double.
        return x;
    }
    if (digits < 1) {
        digits = 1;
    }
    uint64_t n;
    int decpt;
    if (exactDigits(x, n, decpt)) {
        // Round the 17 digits half up to `digits`: |result| = t * 10^q.
        uint64_t unit = kPow10u[kRawDigits - digits];
        uint64_t t = n / unit;
        if (n % unit >= unit / 2) {
            ++t;
        }
        if (t == kPow10u[digits]) {
            t = kPow10u[digits - 1];
            ++decpt;
        }
        int q = decpt - digits;
        constexpr uint64_t kExactLimit = 1ull << 53;
        while (t > kExactLimit && t % 10 == 0) {
            t /= 10;
            ++q;
        }
        // Above 2^53 only some whole numbers (the even ones below 2^54)
        // are doubles; those still give a single rounding below.
        if ((t <= kExactLimit || static_cast<uint64_t>(static_cast<double>(t)) == t) && q >= -22 &&
            q <= 22) {
            // t and 10^|q| are exact doubles, so one multiplication or
            // division gives the correctly rounded value.
            double v = static_cast<double>(t);
            v = q >= 0 ? v * kPow10Exact[q] : v / kPow10Exact[-q];
            return x < 0 ? -v : v;
        }
    }
    RawDigits raw;
    rawDigits(x, raw);
    decpt = raw.decpt;
    // Built as "-ddddde-ddd": the digits form a whole number, the exponent
    // puts the point back.
    char buf[48];
    char* p = buf;
    if (raw.negative) {
        *p++ = '-';
    }
    char* dig = p;
    roundSignificant(raw, digits, dig, decpt);
    p += digits;
    *p++ = 'e';
    p = std::to_chars(p, buf + sizeof buf, decpt - digits).ptr;
    double v = 0.0;
    auto r = std::from_chars(buf, p, v, std::chars_format::scientific);
    if (r.ec == std::errc::result_out_of_range) {
        // Rounding up past the largest double, or down below the smallest.
        return decpt > 0 ? std::copysign(HUGE_VAL, x) : std::copysign(0.0, x);
    }
    return v;
}

}  // namespace

double roundSig(double x, int digits) {
    if (digits == 16) return roundSigImpl(x, 16);
    if (digits == 7) return roundSigImpl(x, 7);
    return roundSigImpl(x, digits);
}

double singleValueSlow(float f) {
    return roundSig(static_cast<double>(f), 7);
}

// Whole numbers that the conversion would write in fixed form: sign or
// blank and the digits, without going through the digit machinery.
static bool wholeText(double x, bool singlePrec, std::string& out) {
    const double limit = singlePrec ? 1e7 : 1e16;
    if (!(std::fabs(x) < limit) || x != static_cast<double>(static_cast<long long>(x))) return false;
    char buf[24];
    buf[0] = ' ';
    auto r = std::to_chars(buf + 1, buf + sizeof buf, static_cast<long long>(x));
    // Non-negative numbers keep the leading blank; "-" takes its place.
    out.assign(x < 0 ? buf + 1 : buf, r.ptr);
    return true;
}

std::string printText(double x, bool singlePrec) {
    if (x == 0.0) {
        x = 0.0;  // negative zero prints as zero
    }
    {
        std::string w;
        if (wholeText(x, singlePrec, w)) {
            w.push_back(' ');
            return w;
        }
    }
    std::string t = gcvt(x, singlePrec ? 7 : 16);
    if (singlePrec && !t.empty() && t.back() != '.') {
        // A single's value text that is not a plain whole number is shown
        // with one digit less than it holds.
        t = gcvt(x, 6);
    }
    shapeForPrint(t);
    std::string out;
    out.reserve(t.size() + 2);
    if (t.empty() || t[0] != '-') {
        out += ' ';
    }
    out += t;
    out += ' ';
    return out;
}

std::string strText(double x, bool singlePrec, bool isInteger) {
    if (x == 0.0) {
        x = 0.0;
    }
    {
        std::string w;
        if (wholeText(x, singlePrec, w)) return w;
    }
    std::string t;
    if (isInteger && std::fabs(x) < 1e18 && x == std::trunc(x)) {
        char buf[24];
        auto r = std::to_chars(buf, buf + sizeof buf, static_cast<long long>(x));
        t.assign(buf, r.ptr);
    } else {
        t = gcvt(x, singlePrec ? 7 : 16);
    }
    if (!t.empty() && t.back() == '.') {
        t.pop_back();
    }
    if (t.empty() || (t[0] != '-' && t[0] != ' ')) {
        t.insert(t.begin(), ' ');
    }
    size_t e = t.find('e');
    if (e != std::string::npos && t.size() - e == 5 && t[e + 2] == '0') {
        // Three exponent digits become two. An exponent of 100 or more keeps
        // all three, so no significant digit is lost.
        t.erase(e + 2, 1);
    }
    if (e != std::string::npos && t.size() - e == 4 && t[e + 1] == '-' && t[e + 2] == '0' &&
        t[e + 3] >= '1' && t[e + 3] <= '5') {
        int k = t[e + 3] - '0';
        size_t signEnd = (t[0] == '-' || t[0] == ' ') ? 1 : 0;
        std::string digits;
        for (size_t i = signEnd; i < e; ++i) {
            if (t[i] != '.') {
                digits += t[i];
            }
        }
        std::string r = t.substr(0, signEnd);
        r += "0.";
        r.append(static_cast<size_t>(k - 1), '0');
        r += digits;
        t = std::move(r);
    }
    return t;
}

}  // namespace tw::numtext
