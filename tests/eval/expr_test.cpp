// The evaluator's precedence, types and error rules, checked through PRINT
// and the condition of IF as a program sees them.
#include <gtest/gtest.h>

#include "support/harness.h"

namespace tw::test {
namespace {

struct Case {
    const char* statement;
    const char* output;
};

class ExprTest : public ::testing::TestWithParam<Case> {};

TEST_P(ExprTest, PrintsExpected) {
    const Case& c = GetParam();
    EXPECT_EQ(directOutput(c.statement), c.output) << c.statement;
}

INSTANTIATE_TEST_SUITE_P(
    Precedence, ExprTest,
    ::testing::Values(
        Case{"PRINT 2+3*4", " 14"}, Case{"PRINT 2*3+4", " 10"}, Case{"PRINT 8/2/2", " 2"},
        Case{"PRINT 2^3^2", " 64"}, Case{"PRINT 7 MOD 3*2", " 1"}, Case{"PRINT 7\\2", " 3"},
        Case{"PRINT -7\\2", "-3"}, Case{"PRINT -7 MOD 3", "-1"}, Case{"PRINT 7.5\\2", " 4"},
        Case{"PRINT 10\\3*2", " 1"}, Case{"PRINT 10 MOD 7\\2", " 1"},
        Case{"PRINT 1 OR 2 AND 4", " 0"}, Case{"PRINT NOT 0", "-1"}, Case{"PRINT 5 AND 3", " 1"},
        Case{"PRINT -1 XOR 0", "-1"}, Case{"PRINT 1 XOR 3 OR 4", " 6"},
        Case{"PRINT NOT 1 AND 2", " 2"}, Case{"PRINT -1 IMP 0", " 0"},
        Case{"PRINT 0 EQV 0", "-1"}, Case{"PRINT -2^2", "-4"}, Case{"PRINT 3-2^2", "-1"},
        Case{"PRINT -2^2+1", "-3"}, Case{"PRINT (-2^2)", " 4"}, Case{"PRINT -2 MOD 3", "-2"},
        Case{"PRINT 2*-3", "-6"}, Case{"PRINT 2^-1", " 0.5"}, Case{"PRINT 5=4+1", " 1"},
        Case{"PRINT 1+5=6", " 1"}, Case{"PRINT 1.5=1", "-1"}, Case{"PRINT 70000=4464", "-1"},
        Case{"PRINT 1<2<3", " 0"}, Case{"PRINT 2^3=8", " 1"}));

INSTANTIATE_TEST_SUITE_P(
    Literals, ExprTest,
    ::testing::Values(Case{"PRINT &HFF+1", " 256"}, Case{"PRINT &10", " 8"},
                      Case{"PRINT &O17", " 15"}, Case{"PRINT &HFFFF", " 65535"},
                      Case{"PRINT 1D3;1E3;1.5E-3", " 1000  1000  0.0015"},
                      Case{"PRINT 007", " 7"}, Case{"PRINT 1 2", " 12"},
                      Case{"PRINT .5", " 0.5"}));

INSTANTIATE_TEST_SUITE_P(
    Arithmetic, ExprTest,
    ::testing::Values(Case{"PRINT 1/3", " 0.3333333333333333"},
                      Case{"PRINT 2/3", " 0.6666666666666666"},
                      Case{"PRINT 0.1+0.2", " 0.3"}, Case{"PRINT 1/3*3", " 1"},
                      Case{"PRINT 3^2", " 9"}, Case{"PRINT (-2)^3", "-8"},
                      Case{"PRINT (-2)^2", " 4"}, Case{"PRINT 0^-1", " 0"},
                      Case{"PRINT 2^0.5", " 1.414213562373095"},
                      Case{"PRINT 100000*100000", " 10000000000"},
                      Case{"A!=1/3:PRINT A!*1", " 0.3333333"},
                      Case{"A=1/3:PRINT A", " 0.333333"},
                      Case{"A%=7:PRINT A%/2", " 3.5"}));

INSTANTIATE_TEST_SUITE_P(
    Errors, ExprTest,
    ::testing::Values(Case{"PRINT 1/0", "Division by Zero (/0)"},
                      Case{"PRINT 1\\0", "Division by Zero (/0)"},
                      Case{"PRINT 5 MOD 0.4", "Division by Zero (/0)"},
                      Case{"PRINT (-8)^(1/3)", "Illegal function call"},
                      Case{"PRINT 1E308*10", "Overflow"},
                      Case{"PRINT \"A\"*2", "Syntax error"},
                      Case{"PRINT \"A\"-\"B\"", "Syntax error"},
                      Case{"PRINT \"A\"+1", "Type mismatch"},
                      Case{"PRINT \"A\"=1", "Type mismatch"},
                      Case{"PRINT 3000000000\\1", "Overflow"},
                      Case{"PRINT (1", "Syntax error"},
                      Case{"PRINT 1+", "Syntax error"}));

INSTANTIATE_TEST_SUITE_P(
    Strings, ExprTest,
    ::testing::Values(Case{"PRINT \"A\"+\"B\"", "AB"}, Case{"PRINT \"X\"<\"Y\"", "-1"},
                      Case{"PRINT \"B\"=\"B\"", "-1"}, Case{"PRINT \"AB\">\"A\"", "-1"},
                      Case{"A$=\"ABC\":PRINT LEN(A$)+1", " 4"},
                      Case{"A$=\"X\":PRINT A$+A$+A$", "XXX"}));

INSTANTIATE_TEST_SUITE_P(
    Conditions, ExprTest,
    ::testing::Values(Case{"IF 1.5=1 THEN PRINT \"T\" ELSE PRINT \"F\"", "F"},
                      Case{"IF 5=4+1 THEN PRINT \"T\" ELSE PRINT \"F\"", "T"},
                      Case{"IF \"A\"<\"B\" AND 2>1 THEN PRINT \"T\" ELSE PRINT \"F\"", "T"},
                      Case{"IF 1=2 OR 2=2 THEN PRINT \"T\" ELSE PRINT \"F\"", "T"},
                      Case{"IF NOT 1=2 THEN PRINT \"T\" ELSE PRINT \"F\"", "T"},
                      Case{"IF 1 AND 2 THEN PRINT \"T\" ELSE PRINT \"F\"", "F"},
                      Case{"IF (1=1) AND (2=2) THEN PRINT \"T\" ELSE PRINT \"F\"", "T"},
                      Case{"IF \"A\"=1 THEN PRINT \"T\"", "Type mismatch"}));

INSTANTIATE_TEST_SUITE_P(
    Variables, ExprTest,
    ::testing::Values(
        Case{"A%=32767.4:PRINT A%", " 32767"}, Case{"A%=32767.5", "Overflow"},
        Case{"A%=-2.5:PRINT A%", "-3"}, Case{"A%=2.5:B%=1.49:PRINT A%;B%", " 3  1"},
        Case{"A%=&HFFFF:PRINT A%", "-1"}, Case{"A%=65535", "Overflow"},
        Case{"A%=-32768:PRINT A%", "-32768"}, Case{"A%=-32769", "Overflow"},
        Case{"A=1:A!=2:A#=3:A%=4:A$=\"5\":PRINT A;A!;A#;A%;A$", " 1  2  3  4 5"},
        Case{"DEFINT A:DEFINT A-C:A=2.6:PRINT A", " 3"},
        Case{"DEFINT A-C:DEFSNG B", "Duplicate Definition"},
        Case{"DEFSTR S:S=\"T\":PRINT S", "T"}, Case{"DEFINT 1", "Syntax error"},
        Case{"A$=5", "Type mismatch"}, Case{"A=\"\"", "Type mismatch"},
        Case{"PRINT Z;LEN(Z$)", " 0  0"}, Case{"X=-0:PRINT X", " 0"},
        Case{"A!=1E39", "Overflow"}, Case{"A#=1D39", "Overflow"},
        Case{"A#=1D38:PRINT A#", " 1e+038"}, Case{"A#=1/3:PRINT A#", " 0.3333333333333333"},
        Case{"LONGNAME1=1:LONGNAME2=2:PRINT LONGNAME1;LONGNAME2", " 1  2"},
        Case{"A=3:B=4:SWAP A,B:PRINT A;B", " 4  3"}, Case{"SWAP A,A$", "Type mismatch"},
        Case{"a=5:PRINT A", " 5"}));

TEST(ExprNesting, SixtyThreeLevelsEvaluateSixtyFourDoNot) {
    const std::string ok = "PRINT " + std::string(63, '(') + "1" + std::string(63, ')');
    const std::string bad = "PRINT " + std::string(64, '(') + "1" + std::string(64, ')');
    EXPECT_EQ(directOutput(ok), " 1");
    EXPECT_EQ(directOutput(bad), "Out of memory");
}

}  // namespace
}  // namespace tw::test
