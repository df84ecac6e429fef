// Assignments to existing numeric variables, string appends (A$=A$+X),
// numeric operands and the plain functions (INT, SQR, ...) are computed
// without building values. Each case
// here runs the same expression three ways: into a variable that exists (the
// numeric path), into a new variable and into an array element (the general
// path); all must show the same value or raise the same error.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/harness.h"

namespace tw::test {
namespace {

struct Case {
    const char* suffix;  // type of the receiving variable: % ! #
    const char* expr;    // A! = 1/3, B# = 1/7 and A% = 3 are set before
    const char* shown;   // the value as PRINT shows it, or the error message
};

const Case kCases[] = {
        {"#", "0.1+0.2", " 0.3"},
        {"#", "1/3", " 0.3333333333333333"},
        {"#", "2/3*3", " 2"},
        {"#", "2^53", " 9007199254740992"},
        {"#", "2^53+1", " 9007199254740992"},
        {"#", "1E15*10-1", " 1e+016"},
        {"#", "1E15*10+1", " 1e+016"},
        {"#", "9007199254740993#*1", " 9007199254740992"},
        {"#", ".9999999999999999#+0", " 0.9999999999999999"},
        {"#", "-1*0", " 0"},
        {"#", "0*-1", " 0"},
        {"#", "1E38*2", "Overflow"},
        {"#", "1E300*1E10", "Overflow"},
        {"#", "1E-30*1E-30", " 1e-060"},
        {"#", "1/0", "Division by Zero (/0)"},
        {"#", "5 MOD 0", "Division by Zero (/0)"},
        {"#", "7\\0", "Division by Zero (/0)"},
        {"#", "-7 MOD 3", "-1"},
        {"#", "100000*100000", " 10000000000"},
        {"#", "12345678*1000000000", " 1.2345678e+016"},
        {"#", "2.5\\1", " 3"},
        {"#", "123456789\\1", " 123456800"},
        {"#", "123456789 MOD 1000000000", " 123456800"},
        {"#", "3000000000# MOD 7", "Overflow"},
        {"#", "(-8)^(1/3)", "Illegal function call"},
        {"#", "2^0.5", " 1.414213562373095"},
        {"#", "0^0", " 0"},
        {"#", "INT(-2.5)", "-3"},
        {"#", "FIX(-2.5)", "-2"},
        {"#", "INT(1E300)", "Overflow"},
        {"#", "SQR(-1)", "Illegal function call"},
        {"#", "LOG(0)", "Illegal function call"},
        {"#", "CINT(32767.5)", "Overflow"},
        {"#", "CINT(-32768.4)", "-32768"},
        {"#", "ABS(-0)", " 0"},
        {"#", "SGN(-3)", "-1"},
        {"#", "CSNG(1/3)", " 0.3333333"},
        {"#", "CDBL(1/3)", " 0.3333333333333333"},
        {"#", "EXP(1000)", "Overflow"},
        {"#", "INT(5/7*7)", " 5"},
        {"#", "A!*3", " 0.9999998999999999"},
        {"#", "A!+B#", " 0.4761904428571429"},
        {"#", "A%/2", " 1.5"},
        {"#", "1 AND 3", " 1"},
        {"#", "-1 XOR 32767", "-32768"},
        {"#", "70000 OR 0", " 4464"},
        {"#", "1<2", "-1"},
        {"%", "32767.4", " 32767"},
        {"%", "32767.5", "Overflow"},
        {"%", "-32768.4", "-32768"},
        {"%", "-32768.5", "Overflow"},
        {"%", "A%+32767", "Overflow"},
        {"%", "A%*A%", " 9"},
        {"%", "-A%", "-3"},
        {"%", "&HFFFF", "-1"},
        {"%", "&HFFFF+0", "-1"},
        {"%", "7/2", " 4"},
        {"%", "-7/2", "-4"},
        {"!", "1/3", " 0.333333"},
        {"!", "0.1+0.2", " 0.3"},
        {"!", "16777217", " 1.67772e+007"},
        {"!", "123456789", " 1.23457e+008"},
        {"!", "1E38*1.8", "Overflow"},
        {"!", "1E38*1.7", " 1.7e+038"},
        {"!", "A!*3", " 1"},
        {"!", "-0.1*0", " 0"},
};

class NumericPathTest : public ::testing::TestWithParam<Case> {};

TEST_P(NumericPathTest, EveryPathGivesTheSameResult) {
    const Case& c = GetParam();
    const std::string t = c.suffix;
    const std::string e = c.expr;
    const std::string setup = "A!=1/3:B#=1/7:A%=3:";
    EXPECT_EQ(directOutput(setup + "X" + t + "=0:X" + t + "=" + e + ":PRINT X" + t), c.shown)
        << "existing variable X" << t << " = " << e;
    EXPECT_EQ(directOutput(setup + "Z" + t + "=" + e + ":PRINT Z" + t), c.shown)
        << "new variable Z" << t << " = " << e;
    EXPECT_EQ(directOutput(setup + "DIM Y" + t + "(1):Y" + t + "(1)=" + e + ":PRINT Y" + t + "(1)"),
              c.shown)
        << "element Y" << t << "(1) = " << e;
}

INSTANTIATE_TEST_SUITE_P(Boundaries, NumericPathTest, ::testing::ValuesIn(kCases));

struct ProgramCase {
    const char* name;
    std::vector<std::string> lines;
    const char* output;  // rows the program printed, up to the final OK
};

// The program's own rows: from the row after RUN to the row before the OK.
std::string programOutput(const std::vector<std::string>& lines) {
    std::vector<std::string> typed = {"CLS"};
    typed.insert(typed.end(), lines.begin(), lines.end());
    typed.push_back("RUN");
    const std::string all = runLines(typed);
    const size_t run = all.find("RUN\n");
    std::string out = run == std::string::npos ? all : all.substr(run + 4);
    const size_t ok = out.rfind("OK\n");
    if (ok != std::string::npos) out.resize(ok);
    return out;
}

class ProgramPathTest : public ::testing::TestWithParam<ProgramCase> {};

TEST_P(ProgramPathTest, Prints) {
    const ProgramCase& c = GetParam();
    EXPECT_EQ(programOutput(c.lines), c.output) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Programs, ProgramPathTest,
    ::testing::Values(
        // What a statement remembered about its operands is dropped when the
        // array is erased and made again holding strings.
        ProgramCase{"erased array", {"10 DIM C(2):C(1)=5:GOSUB 100", "20 ERASE C:DEFSTR C:DIM C(2)",
                                     "30 C(1)=\"S\":GOSUB 100:END", "100 PRINT C(1)+C(1):RETURN"},
                    " 10\nSS\n"},
        // The variable an assignment remembered is gone after CLEAR; the new
        // one of the same name is a string.
        ProgramCase{"cleared variable", {"10 A=1", "20 FOR K=1 TO 3:B=A*2:NEXT:PRINT B",
                                         "30 IF F THEN END", "40 CLEAR:DEFSTR B:F=1:A=4:GOTO 20"},
                    " 2\nType mismatch in 20\n"},
        // Operands are evaluated left to right: the first error is the one
        // reported.
        ProgramCase{"left operand first", {"10 X=(1/0)+SQR(-1)"}, "Division by Zero (/0) in 10\n"},
        ProgramCase{"right operand second", {"10 X=SQR(-1)+(1/0)"}, "Illegal function call in 10\n"},
        // A loop of mixed arithmetic: single-precision variables hold their
        // 7-digit value, the sum is rounded after each operation.
        ProgramCase{"loop", {"10 S=0:T#=0", "20 FOR I=1 TO 100", "30 S=S+1/I:T#=T#+1/I:NEXT",
                             "40 PRINT S;T#;I"},
                    " 5.18738  5.187377517639632  101\n"},
        // A string operand keeps the general path and its errors.
        ProgramCase{"string operand", {"10 A$=\"1\":X=5", "20 X=A$-1"}, "Syntax error in 20\n"},
        ProgramCase{"string target", {"10 A$=\"1\"", "20 A$=2"}, "Type mismatch in 20\n"},
        // A$=A$+X appends in place: the same results and errors as building
        // the sum, and a failed right side leaves A$ as it was.
        ProgramCase{"append", {"10 A$=\"AB\":A$=A$+\"C\":A$=A$+A$:A$=A$+MID$(A$,5):PRINT A$"},
                    "ABCABCBC\n"},
        ProgramCase{"append to a new variable", {"10 N$=N$+\"X\":PRINT N$;LEN(N$)"}, "X 1\n"},
        ProgramCase{"append a number", {"10 ON ERROR GOTO 30:A$=\"K\"", "20 A$=A$+1", "30 PRINT A$;ERR:END"},
                    "K 13\n"},
        ProgramCase{"append fails on the right",
                    {"10 ON ERROR GOTO 30:A$=\"K\"", "20 A$=A$+CHR$(300)", "30 PRINT A$;ERR:END"}, "K 5\n"},
        ProgramCase{"append a function of the same name",
                    {"10 DEF FNA$(A$)=A$+\"X\"", "20 A$=\"Q\":A$=A$+FNA$(\"Z\"):PRINT A$"}, "QZX\n"},
        ProgramCase{"append to a different variable", {"10 A$=\"P\":B$=A$+\"Q\":PRINT A$;B$"}, "PPQ\n"}));

}  // namespace
}  // namespace tw::test
