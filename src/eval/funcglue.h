// Connects the builtin functions to the interpreter's data.
#pragma once

#include "eval/functions.h"

namespace tw {

class Interpreter;

class FunctionGlue : public FunctionHost {
public:
    explicit FunctionGlue(Interpreter& in) : in_(in) {}
    int cursorRow() override;
    int cursorColumn() override;
    int errorCode() override;
    int errorLine() override;
    int takeLastKey() override;
    bool takeKeys(int n, std::string& out) override;
    ClockTime clock() override;
    RandomState& random() override { return random_; }

    RandomState random_;
    int64_t clockOffset = 0;  // seconds added to the system clock by DATE$/TIME$

private:
    Interpreter& in_;
};

}  // namespace tw
