#include "core/printusing.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/errors.h"

namespace {

using tw::Value;

std::string run(std::string_view tmpl, const std::vector<Value>& items, size_t* taken = nullptr) {
    size_t i = 0;
    std::string out = tw::formatUsing(tmpl, [&](Value& v) {
        if (i >= items.size()) {
            return false;
        }
        v = items[i++];
        return true;
    });
    if (taken) {
        *taken = i;
    }
    return out;
}

Value num(double x) {
    return Value::dbl(x);
}

Value str(const char* s) {
    return Value::string(s);
}

struct NumCase {
    const char* tmpl;
    double value;
    const char* text;
};

TEST(PrintUsing, NumericFields) {
    const NumCase cases[] = {
        // Digits, point, rounding half up on the fixed-point digits.
        {"###", 5, "  5"},
        {"###", -5, " -5"},
        {"###.##", 3.14159, "  3.14"},
        {"###.##", -3.14159, " -3.14"},
        {"##.##", 2.675, " 2.67"},  // 2.675 is stored a little below
        {"#.##", 0.125, "0.13"},
        {"#", 0.5, "1"},
        {"##.#", 0.25, " 0.3"},
        {"##.", 12.7, "13."},
        {"###", 1e20, "%100000000000000000000"},
        // A leading zero only where the field has room for it.
        {"#.##", 0.5, "0.50"},
        {"##.##", -0.5, "-0.50"},
        {".##", 0.5, ".50"},
        {"#.##", -0.5, "-.50"},
        {"#", 0, "0"},
        {"###", 0, "  0"},
        // A value that rounds to zero loses its minus sign.
        {"#.##", -0.001, "0.00"},
        {"#", -0.3, "0"},
        // Too wide: printed in full behind '%'.
        {"##", 123, "%123"},
        {"##", -12, "%-12"},
        {"##.##", 123.456, "%123.46"},
        {".##", -0.5, "%-.50"},
        {"#", 9.6, "%10"},
        // Signs.
        {"+##.#", 5, " +5.0"},
        {"+##.#", -5, " -5.0"},
        {"+.##", 0.5, "+.50"},
        {"##.#+", 5, " 5.0+"},
        {"##.#+", -5, " 5.0-"},
        {"##.#-", -5, " 5.0-"},
        {"##.#-", 5, " 5.0 "},
        {"##-", -123, "%123-"},
        {"+##", 123, "%+123"},
        // Asterisk fill and the currency sign.
        {"**##.#", 5, "***5.0"},
        {"**##.#", -5, "**-5.0"},
        {"**.##", 0.5, "*0.50"},
        {"**\\##.##", 12.5, "**\\12.50"},
        {"**\\##.##", -12.5, "*-\\12.50"},
        {"**\\##.##", 12345.5, "%\\12345.50"},
        {"**,###", 1234, "*1,234"},
        // Thousands grouping.
        {"#,###,###", 1234567, "1,234,567"},
        {"##,###.##", 1234.5, " 1,234.50"},
        {"#,###", 123, "  123"},
        {"#,###", 1234567, "%1,234,567"},
        {"###,###", -1234, " -1,234"},
        // Exponent form: one position kept for the sign unless the field
        // places it elsewhere; E, sign, at least two digits.
        {"##.##^^^^", 234.56, " 2.35E+02"},
        {"##.##^^^^", -234.56, "-2.35E+02"},
        {"###.##^^^^", 234.56, " 23.46E+01"},
        {".##^^^^", 123, ".12E+03"},
        {"+.##^^^^", -123, "-.12E+03"},
        {"#.##^^^^-", -0.000123, "1.23E-04-"},
        {"##.##^^^^", 0, " 0.00E+00"},
        {"##.##^^^^", 9.999, " 1.00E+01"},
        {"##.##^^^^", 1.5e-120, " 1.50E-120"},
        {"##.##^^^^", 1e5, " 1.00E+05"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(run(c.tmpl, {num(c.value)}), c.text) << c.tmpl << " with " << c.value;
    }
}

TEST(PrintUsing, IntegerAndSingleItemsFormatByValue) {
    EXPECT_EQ(run("####", {Value::integer(-32768)}), "%-32768");
    EXPECT_EQ(run("#.###", {Value::single(0.3333333)}), "0.333");
}

struct StrCase {
    const char* tmpl;
    const char* value;
    const char* text;
};

TEST(PrintUsing, StringFields) {
    const StrCase cases[] = {
        {"!", "ABC", "A"},
        {"@", "xyz", "x"},
        {"!", "", " "},
        {"&  &", "ABCDEF", "ABCD"},
        {"&  &", "AB", "AB  "},
        {"&&", "ABC", "AB"},
        {"[&   &]", "Hi", "[Hi   ]"},
        // Double-byte characters stay whole: '!' takes the whole pair, a
        // cut that would split one leaves a blank instead.
        {"!", "\x82\xA0" "B", "\x82\xA0"},
        {"& &", "A\x82\xA0", "A\x82\xA0"},
        {"&&", "A\x82\xA0", "A "},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(run(c.tmpl, {str(c.value)}), c.text) << c.tmpl << " with " << c.value;
    }
}

TEST(PrintUsing, LiteralText) {
    const struct {
        const char* tmpl;
        const char* text;
    } cases[] = {
        {"X=## Y", "X= 7 Y"},
        {"_###", "# 7"},
        {"__##", "_ 7"},
        {"##_", " 7_"},
        {"a+b-c ##", "a+b-c  7"},
        {"Total.##", "Total%7.00"},  // '.' before '#' starts a field
        {"&A ##", "&A  7"},  // an unpaired '&' is text
        {"##, ok", " 7, ok"},  // a comma that ends the digits is text
        {"##.x", " 7.x"},
        // Double-byte characters are copied whole; their second byte (here
        // 0x40 '@' and 0x5C) never starts a field.
        {"\x81\x40##", "\x81\x40 7"},
        {"\x83\x5C##", "\x83\x5C 7"},
    };
    for (const auto& c : cases) {
        size_t taken = 0;
        EXPECT_EQ(run(c.tmpl, {num(7)}, &taken), c.text) << c.tmpl;
        EXPECT_EQ(taken, 1u) << c.tmpl;
    }
}

TEST(PrintUsing, TemplateReuseAndRunningOut) {
    // More items than fields: the template starts over.
    EXPECT_EQ(run("[##]", {num(1), num(2), num(3)}), "[ 1][ 2][ 3]");
    EXPECT_EQ(run("A## B##;", {num(1), num(2), num(3)}), "A 1 B 2;A 3 B");
    // Fewer items: text up to the next field, then stop.
    EXPECT_EQ(run("A## B## C##", {num(1)}), "A 1 B");
    EXPECT_EQ(run("##!##", {num(1), str("x"), num(2)}), " 1x 2");
    // Grouping fields are wider than they look.
    EXPECT_EQ(run("###,###", {num(12), num(3)}), "     12      3");
    // No items at all: the literal text before the first field.
    EXPECT_EQ(run("Sum: ##", {}), "Sum: ");
    EXPECT_EQ(run("plain", {}), "plain");
}

TEST(PrintUsing, Errors) {
    const struct {
        const char* tmpl;
        std::vector<Value> items;
        int code;
    } cases[] = {
        {"plain", {num(1)}, tw::err::IllegalFunctionCall},
        {"", {num(1)}, tw::err::IllegalFunctionCall},
        {"**", {num(1)}, tw::err::Syntax},
        {"+**", {num(1)}, tw::err::Syntax},
        {"**\\", {num(1)}, tw::err::Syntax},
        {"###", {str("x")}, tw::err::TypeMismatch},
        {"!", {num(1)}, tw::err::TypeMismatch},
        {"&  &", {num(1)}, tw::err::TypeMismatch},
        {"## !", {num(1), num(2)}, tw::err::TypeMismatch},
    };
    for (const auto& c : cases) {
        try {
            run(c.tmpl, c.items);
            ADD_FAILURE() << c.tmpl << ": no error";
        } catch (const tw::BasicError& e) {
            EXPECT_EQ(e.code, c.code) << c.tmpl;
        }
    }
}

}  // namespace
