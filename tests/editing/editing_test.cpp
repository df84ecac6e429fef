// The editing commands and program files through the interpreter: what the
// program store, the screen and the files hold afterwards.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/interp.h"
#include "editing/editing.h"
#include "support/harness.h"

namespace {

namespace fs = std::filesystem;
using tw::Interpreter;

std::string slurp(const fs::path& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

class Editing : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/tarnwick-editing-XXXXXX";
        dir_ = ::mkdtemp(tmpl);
        old_ = fs::current_path();
        fs::current_path(dir_);
    }
    void TearDown() override {
        fs::current_path(old_);
        fs::remove_all(dir_);
    }
    void type(const std::string& line) {
        for (char c : line) in.keyChar(static_cast<uint8_t>(c));
        in.keyChar(13);
        long budget = 1000000;
        while (in.running() && !in.inputWaiting() && budget > 0) {
            in.runSlice(1000, 1000);
            budget -= 1000;
        }
    }
    void typeAll(const std::vector<std::string>& lines) {
        for (const auto& l : lines) type(l);
    }
    std::vector<std::string> program() const {
        std::vector<std::string> out;
        for (int i = 0; i < in.lineCount(); ++i) out.push_back(in.lineText(i));
        return out;
    }
    std::vector<int32_t> numbers() const {
        std::vector<int32_t> out;
        for (int i = 0; i < in.lineCount(); ++i) out.push_back(in.lineNumber(i));
        return out;
    }
    // Rows from the top of the screen down to the cursor, plus those that
    // scrolled off.
    std::vector<std::string> transcript() const {
        std::vector<std::string> out = host.scrolled;
        for (int r = 0; r < in.screen().row(); ++r) out.emplace_back(tw::trimRight(in.screen().rowText(r)));
        return out;
    }
    std::string lastRow() const {
        const auto t = transcript();
        return t.empty() ? "" : t.back();
    }

    tw::test::TestHost host;
    Interpreter in{host};
    fs::path dir_;
    fs::path old_;
};

// A program with double-byte text in strings, comments and DATA.
const std::vector<std::string> kProgram = {
    "10 print \"\x93\xfa\x96\x7b\x8c\xea\";len(\"\x82\xa0\")",  // 日本語, あ
    "20 rem \x83\x52\x83\x81\x83\x93\x83\x67 Mixed Case: kept",        // コメント
    "30 data \x82\xa0\x82\xa2,abc, Def:x=1",
    "40 a$=\"q\":' tail comment \x82\xa4",
    "50 ?a$;\"?\"",
    "60 if a then 10 else 20",
};

TEST_F(Editing, SavedProgramsLoadBackIdentically) {
    for (const bool text : {false, true}) {
        SCOPED_TRACE(text ? "text" : "binary");
        typeAll({"NEW"});
        typeAll(kProgram);
        const auto before = program();
        std::string error;
        ASSERT_TRUE(in.saveProgramFile("P.BAS", text, &error)) << error;
        const std::string bytes = slurp("P.BAS");
        ASSERT_FALSE(bytes.empty());
        EXPECT_EQ(static_cast<uint8_t>(bytes[0]) == 0xFE, !text);
        if (text) EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n");
        type("NEW");
        ASSERT_TRUE(in.loadProgramFile("P.BAS", &error)) << error;
        EXPECT_EQ(program(), before);
        EXPECT_EQ(in.loadedFormat(), text ? 0 : 1);
        // Saving what was loaded gives the same bytes again.
        ASSERT_TRUE(in.saveProgramFile("Q.BAS", text));
        EXPECT_EQ(slurp("Q.BAS"), bytes);
    }
}

TEST_F(Editing, FilesOfTheOriginalPlatformLoadUnchanged) {
    // CP932 text with CR LF, lines out of order and one given twice.
    std::ofstream("OLD.BAS", std::ios::binary)
        << "20 PRINT \"\x83\x65\x83\x58\x83\x67\"\r\n10 CLS\r\n20 PRINT \"LATER\"\r\n";
    ASSERT_TRUE(in.loadProgramFile("OLD.BAS"));
    EXPECT_EQ(program(), (std::vector<std::string>{"10 CLS", "20 PRINT \"LATER\""}));
    EXPECT_EQ(numbers(), (std::vector<int32_t>{10, 20}));
    // A failed load keeps the program.
    std::string error;
    EXPECT_FALSE(in.loadProgramFile("NONE.BAS", &error));
    EXPECT_EQ(error, "File not open in ");
    EXPECT_EQ(in.lineCount(), 2);
}

TEST_F(Editing, CurrentDirectoryFollowsTheProgramFile) {
    fs::create_directory("sub");
    std::ofstream("sub/A.BAS") << "10 END\r\n";
    ASSERT_TRUE(in.loadProgramFile("sub/A.BAS"));
    EXPECT_EQ(fs::current_path(), fs::canonical(dir_ / "sub"));
    EXPECT_EQ(fs::path(in.programFilePath()), fs::canonical(dir_) / "sub" / "A.BAS");
    // Relative names now resolve there.
    type("SAVE \"B\",A");
    EXPECT_TRUE(fs::exists(dir_ / "sub" / "B.BAS"));
    fs::current_path(dir_);
    ASSERT_TRUE(in.saveProgramFile("sub/C.BAS", true));
    EXPECT_EQ(fs::current_path(), fs::canonical(dir_ / "sub"));
}

TEST_F(Editing, FailedSaveKeepsTheOldFile) {
    typeAll({"10 PRINT 1"});
    fs::create_directory("DIR.BAS");
    std::string error;
    EXPECT_FALSE(in.saveProgramFile("DIR.BAS", true, &error));
    EXPECT_EQ(error, "File already exist in ");
    type("SAVE \"DIR\"");
    EXPECT_EQ(lastRow(), "File already exist");
    // Line 65536 has no 16-bit number for the binary format: the save
    // fails before the old file is touched.
    std::ofstream("KEEP.BAS") << "old";
    type("65536 END");
    type("SAVE \"KEEP\"");
    EXPECT_EQ(lastRow(), "Syntax error");
    EXPECT_EQ(slurp("KEEP.BAS"), "old");
    type("SAVE \"KEEP\",A");
    EXPECT_EQ(slurp("KEEP.BAS"), "10 PRINT 1\r\n65536 END\r\n");
}

TEST_F(Editing, ListingRows) {
    const std::string a80(80, 'A');
    const std::string lead79 = std::string(79, 'B') + "\x82\xa0" + "CD";         // pair at the 80th byte
    const std::string trail79 = std::string(78, 'E') + "\x82\x81" + "\x82\xa0";  // 0x81 there is a second byte
    struct Case {
        std::string text;
        std::vector<size_t> sizes;
    } cases[] = {
        {"", {0}}, {a80, {80}}, {a80 + "Z", {80, 1}}, {lead79, {81, 2}}, {trail79, {80, 2}},
        {std::string(200, 'x'), {80, 80, 40}},
    };
    for (const auto& c : cases) {
        std::vector<size_t> sizes;
        std::string joined;
        for (const auto& r : tw::listingRows(c.text)) {
            sizes.push_back(r.size());
            joined += r;
        }
        EXPECT_EQ(sizes, c.sizes) << c.text;
        EXPECT_EQ(joined, c.text);
    }
}

TEST_F(Editing, LongListingsRunInStepsAndBreak) {
    for (int n = 1; n <= 300; ++n) type(std::to_string(n) + " REM " + std::to_string(n));
    host.scrolled.clear();
    type("LIST");
    auto rows = transcript();
    ASSERT_GE(rows.size(), 302u);
    EXPECT_EQ(rows[rows.size() - 2], "300 REM 300");
    EXPECT_EQ(rows.back(), "OK");
    EXPECT_EQ(rows[rows.size() - 301], "1 REM 1");

    // A break after the first step stops the listing.
    host.scrolled.clear();
    for (char c : std::string("LIST")) in.keyChar(static_cast<uint8_t>(c));
    in.keyChar(13);
    in.runSlice(1000, 1);
    ASSERT_TRUE(in.running());
    in.keyChar(27);
    EXPECT_FALSE(in.running());
    rows = transcript();
    EXPECT_EQ(rows.back(), "BREAK, OK");
    EXPECT_LT(rows.size(), 100u);
}

TEST_F(Editing, LlistWritesRowsToThePrinter) {
    const fs::path out = dir_ / "printer.out";
    ::setenv("TARNWICK_LPT1", out.c_str(), 1);
    // Typing would move the double-byte character at the 80th byte to the
    // next row: the line comes from a file.
    const std::string longLine = "30 PRINT \"" + std::string(69, 'C') + "\x82\xa0\x82\xa2\"";
    std::ofstream("L.BAS") << "10 A=1\r\n20 B=2\r\n" << longLine << "\r\n";
    ASSERT_TRUE(in.loadProgramFile("L.BAS"));
    type("LLIST 20-");
    ::unsetenv("TARNWICK_LPT1");
    EXPECT_EQ(slurp(out), "20 B=2\r\n" + longLine.substr(0, 81) + "\r\n" + longLine.substr(81) + "\r\n");
    EXPECT_EQ(lastRow(), "OK");
}

TEST_F(Editing, AutoOffersNumbersUntilBreak) {
    type("AUTO 100,5");
    EXPECT_EQ(in.screen().rowText(in.screen().row()), "100 ");
    EXPECT_FALSE(in.running());
    typeAll({"A=1", "B=2"});
    EXPECT_EQ(program(), (std::vector<std::string>{"100 A=1", "105 B=2"}));
    // Typed text on the row is not stored when the break key ends AUTO.
    for (char c : std::string("C=3")) in.keyChar(static_cast<uint8_t>(c));
    EXPECT_TRUE(in.autoBreak());
    EXPECT_EQ(lastRow(), "BREAK, OK");
    EXPECT_EQ(in.lineCount(), 2);
    EXPECT_FALSE(in.autoBreak());
    // Back in direct mode: numbered lines are stored as usual.
    type("7 END");
    EXPECT_EQ(numbers(), (std::vector<int32_t>{7, 100, 105}));

    // The defaults, and the limit: the line that would need a number past
    // 65529 is not stored and AUTO ends.
    typeAll({"NEW", "AUTO", "X=1"});
    EXPECT_EQ(program(), std::vector<std::string>{"10 X=1"});
    type("");  // the offered 20 alone ends AUTO
    EXPECT_EQ(lastRow(), "BREAK, OK");
    typeAll({"AUTO 65525,-3", "Y=1"});
    EXPECT_EQ(lastRow(), "Out of memory 0");
    EXPECT_FALSE(in.autoBreak());
    EXPECT_EQ(in.lineCount(), 1);
}

TEST_F(Editing, EditPutsTheLineOnTheConsole) {
    typeAll({"10 PRINT 1", "EDIT 10"});
    EXPECT_EQ(in.screen().rowText(in.screen().row()), "10 PRINT 1");
    EXPECT_EQ(in.screen().col(), 10);
    type(";2");
    EXPECT_EQ(program(), std::vector<std::string>{"10 PRINT 1;2"});
    // No such line: nothing happens.
    type("EDIT 99");
    EXPECT_EQ(lastRow(), "OK");
}

TEST_F(Editing, ChainKeepsCommonVariablesAndArrays) {
    std::ofstream("NEXT.BAS") << "10 PRINT A;B;C(3);N$\r\n";
    typeAll({"10 COMMON A,C(),N$", "20 A=1:B=2:C(3)=3:N$=\"N\"", "30 CHAIN \"NEXT\"", "RUN"});
    EXPECT_EQ(transcript().end()[-2], " 1  0  3 N");
    typeAll({"NEW", "10 A=1:B=2:C(3)=3", "20 CHAIN \"NEXT\",,ALL", "RUN"});
    EXPECT_EQ(transcript().end()[-2], " 1  2  3");
    // Without COMMON and without ALL nothing goes over.
    typeAll({"NEW", "10 A=1:B=2", "20 CHAIN \"NEXT\"", "RUN"});
    EXPECT_EQ(transcript().end()[-2], " 0  0  0");
    // RUN empties the COMMON list of an earlier run.
    typeAll({"NEW", "10 COMMON A", "20 RUN 30", "30 A=7:CHAIN \"NEXT\"", "RUN"});
    EXPECT_EQ(transcript().end()[-2], " 0  0  0");
}

TEST_F(Editing, MergeEntersLinesAsTyped) {
    std::ofstream("PART.BAS") << "20 print \"new 20\"\r\n25 ?\"x\"\r\n";
    typeAll({"10 PRINT 10", "20 PRINT 20", "30 PRINT 30", "MERGE \"PART\""});
    EXPECT_EQ(program(), (std::vector<std::string>{"10 PRINT 10", "20 PRINT \"new 20\"", "25 PRINT \"x\"",
                                                   "30 PRINT 30"}));
}

}  // namespace
