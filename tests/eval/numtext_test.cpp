#include "eval/numtext.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

namespace nt = tw::numtext;

namespace {

struct GcvtCase {
    double x;
    int n;
    const char* text;
};

TEST(NumText, GcvtForms) {
    const GcvtCase cases[] = {
        {5, 16, "5."},
        {-1, 16, "-1."},
        {0.15, 16, "0.15"},
        {123.5, 16, "123.5"},
        {0.0, 16, "0."},
        {-0.0, 16, "0."},
        {0.05, 16, "5.e-002"},
        {0.015, 16, "1.5e-002"},
        {123456789, 7, "1.234568e+008"},
        {1e20, 16, "1.e+020"},
        {1e-5, 16, "1.e-005"},
        {1e100, 16, "1.e+100"},
        {-1.5e-300, 16, "-1.5e-300"},
        {1.0 / 3, 16, "0.3333333333333333"},
        {1.0 / 3, 7, "0.3333333"},
        {2.0 / 3, 16, "0.6666666666666666"},
        {0.1 + 0.2, 16, "0.3"},
        {1234567, 7, "1234567."},
        {12345678, 7, "1.234568e+007"},
        {1e15, 16, "1000000000000000."},
        {1e16, 16, "1.e+016"},
        {100, 16, "100."},
        // m = -1 stays fixed, m = -2 does not.
        {0.5, 6, "0.5"},
        {0.099, 6, "9.9e-002"},
        // Rounding that carries into a new leading digit moves the exponent.
        {9.9999999, 6, "10."},
        {0.0999999999, 6, "0.1"},
        {999999.5, 6, "1.e+006"},
        // The 17-digit intermediate is rounded half up: 1/7 is
        // 0.14285714285714285 at 17 digits, so its 16-digit form ends in 9
        // even though the exact binary value lies below the midpoint.
        {1.0 / 7, 16, "0.1428571428571429"},
        {1.0 / 27, 16, "3.703703703703704e-002"},
        // Exact ties round away from zero, not to even.
        {2.5, 1, "3."},
        {0.125, 2, "0.13"},
        {-0.125, 2, "-0.13"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(nt::gcvt(c.x, c.n), c.text) << c.x << " with " << c.n;
    }
}

struct FcvtCase {
    double x;
    int decimals;
    const char* digits;
    int decpt;
    bool negative;
};

TEST(NumText, FcvtDigitsAndPoint) {
    const FcvtCase cases[] = {
        {3.14159, 2, "314", 1, false},
        {-2.71828, 3, "2718", 1, true},
        {123.456, 0, "123", 3, false},
        {0.0314, 2, "3", -1, false},
        {0.001, 2, "", -2, false},
        {0.0001, 2, "", -3, false},
        {0.006, 2, "1", -1, false},
        {0.5, 0, "1", 1, false},
        {0.4, 0, "", 0, false},
        {9.99, 1, "100", 2, false},
        {0.125, 2, "13", 0, false},
        {2.675, 2, "267", 1, false},
        {0.0, 2, "00", 0, false},
        {0.0, 0, "", 0, false},
        {1e20, 2, "10000000000000000000000", 21, false},
        // Only 17 significant digits are real; the rest are zeros.
        {0.1, 20, "10000000000000001000", 0, false},
    };
    for (const auto& c : cases) {
        int decpt = 99;
        bool neg = !c.negative;
        EXPECT_EQ(nt::fcvt(c.x, c.decimals, &decpt, &neg), c.digits) << c.x << "," << c.decimals;
        EXPECT_EQ(decpt, c.decpt) << c.x << "," << c.decimals;
        EXPECT_EQ(neg, c.negative) << c.x << "," << c.decimals;
    }
}

TEST(NumText, EcvtSignificantDigits) {
    struct Case {
        double x;
        int digits;
        const char* text;
        int decpt;
    };
    const Case cases[] = {
        {234.56, 3, "235", 3},  {0.000123, 2, "12", -3}, {9.99, 2, "10", 2},
        {-5, 1, "5", 1},        {0.0, 3, "000", 0},      {0.125, 2, "13", 0},
    };
    for (const auto& c : cases) {
        int decpt = 99;
        bool neg = false;
        EXPECT_EQ(nt::ecvt(c.x, c.digits, &decpt, &neg), c.text) << c.x;
        EXPECT_EQ(decpt, c.decpt) << c.x;
    }
}

TEST(NumText, RoundFixedIsRound) {
    const struct {
        double x;
        int decimals;
        double want;
    } cases[] = {
        {3.14159, 2, 3.14}, {-2.71828, 3, -2.718}, {0.125, 2, 0.13}, {2.5, 0, 3},
        {-2.5, 0, -3},      {0.001, 2, 0},          {1234.5, 16, 1234.5}, {99.96, 1, 100},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(nt::roundFixed(c.x, c.decimals), c.want) << c.x << "," << c.decimals;
    }
}

TEST(NumText, AtofReadsLikeTheRuntime) {
    const struct {
        const char* text;
        double value;
        size_t used;
    } cases[] = {
        {"1.5", 1.5, 3},
        {"  -1.5e3x", -1500, 8},
        {"\t\r\n 12", 12, 6},
        {"+7", 7, 2},
        {".5", 0.5, 2},
        {"5.", 5, 2},
        {"1D3", 1000, 3},
        {"1d-2", 0.01, 4},
        {"2.5E+2", 250, 6},
        {"1e", 1, 1},
        {"1e+", 1, 1},
        {"1ex", 1, 1},
        {"12,5", 12, 2},
        {"007", 7, 3},
        {"-", 0, 0},
        {".", 0, 0},
        {"", 0, 0},
        {"abc", 0, 0},
        {"  x1", 0, 0},
        {"0x10", 0, 1},
        {"1e-400", 0, 6},
        {"0.1000000000000000055511151231257827", 0.1, 36},
    };
    for (const auto& c : cases) {
        size_t used = 99;
        EXPECT_EQ(nt::atof(c.text, &used), c.value) << c.text;
        EXPECT_EQ(used, c.used) << c.text;
    }
    EXPECT_TRUE(std::isinf(nt::atof("1e400")));
    EXPECT_TRUE(std::isinf(nt::atof("1D999999999999")));
    EXPECT_EQ(nt::atof("1.7014118346046923e38"), 1.7014118346046923e38);
}

TEST(NumText, AtoiAndStrtol) {
    const struct {
        const char* text;
        int base;
        int32_t value;
        size_t used;
    } cases[] = {
        {"123", 10, 123, 3},
        {"  -42xyz", 10, -42, 5},
        {"+9", 10, 9, 2},
        {"1.9", 10, 1, 1},
        {"abc", 10, 0, 0},
        {"  -", 10, 0, 0},
        {"2147483647", 10, INT32_MAX, 10},
        {"2147483648", 10, INT32_MAX, 10},
        {"-2147483648", 10, INT32_MIN, 11},
        {"-99999999999999999999", 10, INT32_MIN, 21},
        {"FFFF", 16, 65535, 4},
        {"ffz", 16, 255, 2},
        {"0x1A", 16, 26, 4},
        {"0XFF", 16, 255, 4},
        {"0xg", 16, 0, 0},
        {"-7f", 16, -127, 3},
        {"17", 8, 15, 2},
        {"178", 8, 15, 2},
        {"8", 8, 0, 0},
        {"FFFFFFFF", 16, INT32_MAX, 8},
    };
    for (const auto& c : cases) {
        size_t used = 99;
        EXPECT_EQ(nt::strtol(c.text, c.base, &used), c.value) << c.text << " base " << c.base;
        EXPECT_EQ(used, c.used) << c.text << " base " << c.base;
        if (c.base == 10) {
            EXPECT_EQ(nt::atoi(c.text), c.value) << c.text;
        }
    }
}

TEST(NumText, PrintText) {
    const struct {
        double x;
        bool single;
        const char* text;
    } cases[] = {
        {1, false, " 1 "},
        {-1, false, "-1 "},
        {5, false, " 5 "},
        {7, false, " 7 "},
        {0, false, " 0 "},
        {-0.0, false, " 0 "},
        {-0.0, true, " 0 "},
        {1.0 / 3, false, " 0.3333333333333333 "},
        {nt::singleValue(1.0f / 3), true, " 0.333333 "},
        {1e20, false, " 1e+020 "},
        {1e20, true, " 1e+020 "},
        {0.00001, false, " 1e-005 "},
        {0.015, false, " 0.015 "},
        {-0.015, false, "-0.015 "},
        {0.005, false, " 0.005 "},
        {0.0001234, false, " 0.0001234 "},
        {1.5e-5, false, " 1.5e-005 "},
        {0.15, false, " 0.15 "},
        {-2.5, false, "-2.5 "},
        {1.0 / 7, false, " 0.1428571428571429 "},
        {1e16, false, " 1e+016 "},
        {1234567890123456, false, " 1234567890123456 "},
        {70000, false, " 70000 "},
        {1.5e300, false, " 1.5e+300 "},
        // A single whose value text is a whole number keeps all 7 digits;
        // any other single is shown with 6.
        {1234567, true, " 1234567 "},
        {nt::singleValue(123456.7f), true, " 123457 "},
        {nt::singleValue(1.5e-3f), true, " 0.0015 "},
        {nt::singleValue(2.0f / 3), true, " 0.666667 "},
        {1e7, true, " 1e+007 "},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(nt::printText(c.x, c.single), c.text) << c.x << (c.single ? " single" : "");
    }
}

TEST(NumText, StrText) {
    const struct {
        double x;
        bool single;
        bool integer;
        const char* text;
    } cases[] = {
        {5, false, true, " 5"},
        {-5, false, true, "-5"},
        {5, false, false, " 5"},
        {70000, false, true, " 70000"},
        {0, false, true, " 0"},
        {-0.0, false, false, " 0"},
        {1.5e-3, false, false, " 0.0015"},
        {-1.5e-3, false, false, "-0.0015"},
        {1e-5, false, false, " 0.00001"},
        {1.25e-5, false, false, " 0.0000125"},
        {1e-6, false, false, " 1.e-06"},
        {1e-7, false, false, " 1.e-07"},
        {1e20, false, false, " 1.e+20"},
        {-1.5e20, false, false, "-1.5e+20"},
        {0.25, false, false, " 0.25"},
        {2.5, false, false, " 2.5"},
        {1.0 / 3, false, false, " 0.3333333333333333"},
        {nt::singleValue(1.0f / 3), true, false, " 0.3333333"},
        {1e100, false, false, " 1.e+100"},
        {1e-100, false, false, " 1.e-100"},
        {12345678, true, false, " 1.234568e+07"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(nt::strText(c.x, c.single, c.integer), c.text) << c.x;
    }
}

TEST(NumText, RoundSigTable) {
    const struct {
        double x;
        int digits;
        double want;
    } cases[] = {
        {1.0 / 3, 16, 0.3333333333333333},
        {1.0 / 3, 7, 0.3333333},
        {0.1 + 0.2, 16, 0.3},
        {1.0 / 7, 16, 0.1428571428571429},
        {2.5, 1, 3},
        {-2.5, 1, -3},
        {1234567.5, 7, 1234568},
        {9999999.5, 7, 1e7},
        {123, 16, 123},
        {-0.0, 16, -0.0},
        {1e300 / 3, 16, 3.333333333333334e299},  // 17 digits end in 5
        {1e-300 / 3, 16, 3.333333333333333e-301},
        {12345678901234567.0, 16, 1.234567890123457e16},
        {1.0000000000000002, 16, 1.0},
        {HUGE_VAL, 16, HUGE_VAL},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(nt::roundSig(c.x, c.digits), c.want) << c.x << " to " << c.digits;
    }
    EXPECT_EQ(nt::singleValue(1.0f / 3), 0.3333333);
    EXPECT_EQ(nt::singleValue(0.1f), 0.1);
    // A single entering double arithmetic carries its 7-digit value.
    EXPECT_EQ(nt::printText(nt::roundSig(nt::singleValue(1.0f / 3) * 1, 16), false),
              " 0.3333333 ");
}

// roundSig takes an exact integer shortcut for most magnitudes; it must give
// what 17 printed digits, rounded half up and read back, give.
double referenceRound(double x, int digits) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.16e", x);
    const char* p = buf;
    bool neg = *p == '-';
    if (neg) {
        ++p;
    }
    std::string d(1, p[0]);
    d.append(p + 2, 16);
    int decpt = std::atoi(std::strchr(p, 'e') + 1) + 1;
    std::string r = d.substr(0, static_cast<size_t>(digits));
    if (d[static_cast<size_t>(digits)] >= '5') {
        int i = digits - 1;
        while (i >= 0 && r[static_cast<size_t>(i)] == '9') {
            r[static_cast<size_t>(i--)] = '0';
        }
        if (i < 0) {
            r = "1" + r.substr(0, r.size() - 1);
            ++decpt;
        } else {
            ++r[static_cast<size_t>(i)];
        }
    }
    std::string t = (neg ? "-0." : "0.") + r + "e" + std::to_string(decpt);
    return std::strtod(t.c_str(), nullptr);
}

TEST(NumText, RoundSigAgreesWithDecimalReference) {
    std::mt19937_64 gen(20240611);
    for (int i = 0; i < 40000; ++i) {
        double x;
        switch (i % 4) {
        case 0: {
            uint64_t bits = gen();
            std::memcpy(&x, &bits, sizeof x);
            if (!std::isfinite(x)) {
                continue;
            }
            break;
        }
        case 1:
            x = std::ldexp(static_cast<double>(gen() >> 11), static_cast<int>(gen() % 140) - 110);
            break;
        case 2:
            x = static_cast<double>(gen() % 100000) / static_cast<double>(1 + gen() % 1000);
            break;
        default:
            x = static_cast<double>(gen() % 2000000000000000000ull) /
                std::pow(10.0, static_cast<double>(gen() % 25));
            break;
        }
        for (int digits : {16, 7, 6}) {
            double want = referenceRound(x, digits);
            ASSERT_EQ(nt::roundSig(x, digits), want) << x << " to " << digits;
            ASSERT_EQ(nt::atof(nt::gcvt(x, digits)), want) << x << " to " << digits;
        }
    }
}

// Sixteen-digit results between 2^53 and 10^16 (leading digits 9007... to
// 9999...): only the even ones are doubles, so those take the integer route
// and the odd ones the text route; both must agree with the reference.
TEST(NumText, RoundSigAbove2To53) {
    const uint64_t starts[] = {9007199254740992ull, 9007199254740993ull, 9123456789012345ull,
                               9123456789012346ull, 9999999999999998ull, 9999999999999999ull};
    for (uint64_t t : starts) {
        for (uint64_t d = 0; d < 4 && t + d < 10000000000000000ull; ++d) {
            for (int q = -25; q <= 5; ++q) {
                // A 17-digit neighbour of t * 10^q, so that rounding happens.
                const double x = std::stod(std::to_string(t + d) + "4e" + std::to_string(q - 1));
                ASSERT_EQ(nt::roundSig(x, 16), referenceRound(x, 16)) << x;
                ASSERT_EQ(nt::roundSig(-x, 16), referenceRound(-x, 16)) << -x;
            }
        }
    }
}

}  // namespace
