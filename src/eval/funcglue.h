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
    bool fileAtEnd(int f) override;
    double fileLength(int f) override;
    double filePosition(int f) override;
    bool fileInput(int f, int count, std::string& out) override;
    double pointPosition(int n) override;
    double pointColor(double x, double y) override;
    double mapCoord(double v, int n) override;
    int viewCoord(int n) override;
    double windowCoord(int n) override;
    int pen(int n) override;
    int peek(int64_t offset) override;
    int inp(int port) override;
    uint32_t defSeg() override;
    uint32_t segPtr() override;
    uint32_t varPtr(std::string_view reference) override;

    RandomState random_;
    int64_t clockOffset = 0;  // seconds added to the system clock by DATE$/TIME$

private:
    Interpreter& in_;
};

}  // namespace tw
