// Typed BASIC values.
#pragma once

#include <cstdint>
#include <string>

namespace tw {

// Type codes of the dialect: 0 integer, 1 single, 2 double, 3 string.
enum class VType : uint8_t { Int = 0, Sng = 1, Dbl = 2, Str = 3 };

// A value as it travels between the evaluator, variables and statements.
// Numbers keep their exact magnitude in `num` whatever their type: an
// integer-typed value is a whole number (it may exceed 16 bits, e.g. LOF),
// a single-typed value is already rounded to its 7-digit text value.
// The type decides how the value prints and converts.
struct Value {
    VType type = VType::Dbl;
    double num = 0.0;
    std::string str;  // bytes (CP932) when type == Str

    static Value integer(double v) { return Value{VType::Int, v, {}}; }
    static Value single(double v) { return Value{VType::Sng, v, {}}; }
    static Value dbl(double v) { return Value{VType::Dbl, v, {}}; }
    static Value string(std::string s) { return Value{VType::Str, 0.0, std::move(s)}; }

    bool isStr() const { return type == VType::Str; }
};

}  // namespace tw
