// RENUM: tables of programs before and after.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "editing/renum.h"

namespace {

using tw::RenumResult;

struct Program {
    std::vector<int32_t> numbers;
    std::vector<std::string> texts;
};

Program program(const std::vector<std::string>& lines) {
    Program p;
    for (const auto& l : lines) {
        p.numbers.push_back(std::stoi(l));
        p.texts.push_back(l);
    }
    return p;
}

struct Case {
    const char* what;
    std::vector<std::string> before;
    int64_t first, old, step;
    std::vector<std::string> after;
    std::vector<int32_t> undefinedIn = {};  // lines reporting a missing target
};

TEST(Renum, RewritesEveryReferenceKind) {
    const Case cases[] = {
        {"default numbering, GOTO", {"5 GOTO 7", "7 PRINT", "9 END"}, 10, 0, 10,
         {"10 GOTO 20", "20 PRINT", "30 END"}},
        {"references below old stay", {"10 GOSUB 20", "20 RETURN", "30 GOTO 40", "40 GOTO 30"}, 100, 30, 10,
         {"10 GOSUB 20", "20 RETURN", "100 GOTO 110", "110 GOTO 100"}},
        {"ON lists, ON ERROR, ON KEY",
         {"1 ON X GOTO 1,2, 3:ON Y GOSUB 3", "2 ON ERROR GOTO 3", "3 ON KEY GOSUB 1,2"}, 10, 0, 10,
         {"10 ON X GOTO 10,20, 30:ON Y GOSUB 30", "20 ON ERROR GOTO 30", "30 ON KEY GOSUB 10,20"}},
        {"THEN, ELSE, GO TO, RETURN, RUN, RESTORE, RESUME",
         {"1 IF A THEN 2 ELSE 3", "2 GO TO 1:RETURN 3", "3 RUN 1:RESTORE 2:RESUME 3"}, 100, 0, 1,
         {"100 IF A THEN 101 ELSE 102", "101 GO TO 100:RETURN 102", "102 RUN 100:RESTORE 101:RESUME 102"}},
        {"LIST and LLIST ranges",
         {"1 LIST 1-3", "2 LLIST -2:LIST 3-", "3 LIST 2"}, 10, 0, 10,
         {"10 LIST 10-30", "20 LLIST -20:LIST 30-", "30 LIST 20"}},
        {"ERL comparisons",
         {"1 IF ERL=2 THEN 3", "2 IF ERL <> 3 OR ERL>=1 THEN PRINT ERL", "3 X=ERL"}, 10, 0, 10,
         {"10 IF ERL=20 THEN 30", "20 IF ERL <> 30 OR ERL>=10 THEN PRINT ERL", "30 X=ERL"}},
        {"quotes and comments untouched",
         {"1 PRINT \"GOTO 1\":GOTO 2 ' GOTO 1", "2 REM GOTO 1", "3 A$=\"THEN 2\":REM GOTO 3"}, 10, 0, 10,
         {"10 PRINT \"GOTO 1\":GOTO 20 ' GOTO 1", "20 REM GOTO 1", "30 A$=\"THEN 2\":REM GOTO 3"}},
        {"double-byte text before a reference",
         {"1 PRINT \"\x82\xa0\":GOTO 2", "2 END"}, 10, 0, 10, {"10 PRINT \"\x82\xa0\":GOTO 20", "20 END"}},
        {"missing targets stay and are reported",
         {"1 GOTO 999", "2 GOSUB 3:GOTO 4", "3 RETURN"}, 10, 0, 10,
         {"10 GOTO 999", "20 GOSUB 30:GOTO 4", "30 RETURN"}, {1, 2}},
        {"RESUME NEXT, RESUME 0, GOTO without its blank",
         {"1 RESUME NEXT", "2 RESUME 0:GOTO1"}, 10, 0, 10, {"10 RESUME NEXT", "20 RESUME 0:GOTO1"}},
        {"spacing after the keyword kept", {"1 GOTO   2", "2 END"}, 500, 0, 500, {"500 GOTO   1000", "1000 END"}},
        {"up to the limit", {"1 GOTO 2", "2 GOTO 1"}, 65500, 0, 29, {"65500 GOTO 65529", "65529 GOTO 65500"}},
    };
    for (const auto& c : cases) {
        Program p = program(c.before);
        const RenumResult r = tw::renumber(p.numbers, p.texts, c.first, c.old, c.step);
        EXPECT_EQ(r.status, RenumResult::Done) << c.what;
        EXPECT_EQ(p.texts, c.after) << c.what;
        std::vector<int32_t> expectedNumbers;
        for (const auto& t : c.after) expectedNumbers.push_back(std::stoi(t));
        EXPECT_EQ(p.numbers, expectedNumbers) << c.what;
        std::vector<int32_t> lines;
        for (const auto& u : r.undefined) lines.push_back(u.line);
        EXPECT_EQ(lines, c.undefinedIn) << c.what;
    }
}

TEST(Renum, RefusalsChangeNothing) {
    const struct {
        const char* what;
        std::vector<std::string> before;
        int64_t first, old, step;
        RenumResult::Status status;
    } cases[] = {
        {"second number past 65529", {"1 GOTO 2", "2 END"}, 65520, 0, 10, RenumResult::TooHigh},
        {"first number past 65529", {"1 END"}, 65530, 0, 10, RenumResult::TooHigh},
        {"old after the last line", {"10 GOTO 20", "20 END"}, 100, 30, 10, RenumResult::NothingToDo},
        {"new number not above the line before", {"10 A", "20 B", "30 C"}, 15, 30, 10,
         RenumResult::OutOfOrder},
        {"empty program", {}, 10, 0, 10, RenumResult::NothingToDo},
    };
    for (const auto& c : cases) {
        Program p = program(c.before);
        const Program saved = p;
        const RenumResult r = tw::renumber(p.numbers, p.texts, c.first, c.old, c.step);
        EXPECT_EQ(r.status, c.status) << c.what;
        EXPECT_EQ(p.texts, saved.texts) << c.what;
        EXPECT_EQ(p.numbers, saved.numbers) << c.what;
    }
}

}  // namespace
