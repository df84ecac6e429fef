// The full-screen line editor: typing modes, cursor keys, Backspace and
// Delete, wrapping into linked rows, double-byte characters, mouse clicks,
// and the keyboard data a running program reads.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "console_test_util.h"

namespace tw {
namespace {

using keytest::KeyHost;
using keytest::line;
using keytest::press;
using keytest::shownAfter;
using keytest::steps;

const std::string A = "\x82\xa0";  // a double-byte character
const std::string I = "\x82\xa2";  // another one

class Editor : public ::testing::Test {
protected:
    KeyHost host;
    Interpreter in{host};
    const std::string& row(int r) const { return in.screen().rowText(r); }
    int col() const { return in.screen().col(); }
    int rowNo() const { return in.screen().row(); }
};

TEST_F(Editor, KeysOnOneRow) {
    struct Case {
        std::string keys;
        std::string row0;
        int col;
        bool insert;
    };
    const Case cases[] = {
        {"ABC{LEFT}{LEFT}X", "AXC", 2, false},
        {"ABC{LEFT}{LEFT}{INS}X", "AXBC", 2, true},
        // Any cursor key ends insert mode.
        {"ABC{LEFT}{INS}{LEFT}{RIGHT}X", "ABX", 3, false},
        {"ABC{LEFT}{INS}{INS}X", "ABX", 3, false},
        {"ABC{BS}", "AB", 2, false},
        {"ABC{LEFT}{LEFT}{BS}", "BC", 0, false},
        // Backspace at column 0 of a row that continues nothing: no change.
        {"AB{LEFT}{LEFT}{BS}", "AB", 0, false},
        {"ABCD{LEFT}{LEFT}{DEL}", "ABD", 2, false},
        {"ABCD{DEL}", "ABCD", 4, false},
        // A row shorter than two characters is emptied by Delete.
        {"A{LEFT}{DEL}", "", 0, false},
        {"A{DEL}", "", 1, false},
        // Tab puts four blanks at the end of the row and moves four on.
        {"AB{TAB}C", "AB    C", 7, false},
        {"ABCDEF{LEFT}{LEFT}{LEFT}{LEFT}{TAB}X", "ABCDEFX   ", 7, false},
        // Moving right past the text pads the row to 80 columns.
        {"AB{RIGHT}{RIGHT}X", "AB  X" + std::string(75, ' '), 5, false},
        // Control bytes other than the editing ones are not stored.
        {"A\x01" "B", "AB", 2, false},
        // Double-byte characters: the cursor steps over them whole, and a
        // byte typed over half of one blanks the other half.
        {A + I + "{LEFT}{LEFT}X", "X " + I, 1, false},
        {A + I + "{LEFT}{INS}X", A + "X" + I, 3, true},
        {A + "B{LEFT}{BS}", "B", 0, false},
        {A + "B{LEFT}{LEFT}{DEL}", "B", 0, false},
        {"XY{LEFT}{LEFT}" + A, A, 2, false},
        {"XYZ{LEFT}{LEFT}{LEFT}" + A, A + "Z", 2, false},
        {"X" + A + "{LEFT}{LEFT}" + I, I + " ", 2, false},
    };
    for (const Case& c : cases) {
        KeyHost h;
        Interpreter fresh(h);
        press(fresh, c.keys);
        EXPECT_EQ(fresh.screen().rowText(0), c.row0) << c.keys;
        EXPECT_EQ(fresh.screen().col(), c.col) << c.keys;
        EXPECT_EQ(fresh.screen().row(), 0) << c.keys;
        EXPECT_EQ(fresh.insertMode(), c.insert) << c.keys;
    }
}

TEST_F(Editor, CursorKeysAtTheEdges) {
    struct Case {
        std::string keys;
        int col, row;
        size_t row0Size;
    };
    const Case cases[] = {
        {"{LEFT}", 0, 0, 0},
        {"{UP}", 0, 0, 0},
        // Left at column 0 goes to column 79 of the row above, padding it.
        {"{DOWN}{LEFT}", 79, 0, 80},
        {"{DOWN}{LEFT}{RIGHT}", 0, 1, 80},
        {"{DOWN}{DOWN}{UP}", 0, 1, 0},
        {"AB{DOWN}", 2, 1, 2},
    };
    for (const Case& c : cases) {
        KeyHost h;
        Interpreter fresh(h);
        press(fresh, c.keys);
        EXPECT_EQ(fresh.screen().col(), c.col) << c.keys;
        EXPECT_EQ(fresh.screen().row(), c.row) << c.keys;
        EXPECT_EQ(fresh.screen().rowText(0).size(), c.row0Size) << c.keys;
    }
    // Rows 23 and below: Right at column 79 and Down stay.
    in.mouseClick(79 * 8, 23 * 16);
    press(in, "{RIGHT}{DOWN}");
    EXPECT_EQ(col(), 79);
    EXPECT_EQ(rowNo(), 23);
    press(in, "{LEFT}{UP}");
    EXPECT_EQ(col(), 78);
    EXPECT_EQ(rowNo(), 22);
}

TEST_F(Editor, HomeAndPageKeysScrollTheView) {
    press(in, "AB{DOWN}{PGUP}{PGDN}");
    EXPECT_EQ(col(), 2);
    EXPECT_EQ(rowNo(), 1);
    press(in, "{HOME}");
    EXPECT_EQ(col(), 0);
    EXPECT_EQ(rowNo(), 0);
    const std::vector<Host::ViewScroll> want = {Host::ScrollPageUp, Host::ScrollPageDown, Host::ScrollHome};
    EXPECT_EQ(host.views, want);
}

TEST_F(Editor, TypingPastColumn79LinksTheNextRow) {
    press(in, std::string(85, 'A'));
    EXPECT_EQ(row(0), std::string(80, 'A'));
    EXPECT_EQ(row(1), std::string(5, 'A'));
    EXPECT_EQ(in.screen().linkFirst(0), 0);
    EXPECT_EQ(in.screen().linkLast(0), 1);
    EXPECT_EQ(in.screen().linkFirst(1), 0);
    EXPECT_EQ(col(), 5);
    EXPECT_EQ(rowNo(), 1);

    // Typing again over column 79 keeps the row that continues the line.
    press(in, "{LEFT}{LEFT}{LEFT}{LEFT}{LEFT}{LEFT}B");
    EXPECT_EQ(row(0), std::string(79, 'A') + "B");
    EXPECT_EQ(row(1), std::string(5, 'A'));
    EXPECT_EQ(in.screen().linkLast(0), 1);
    EXPECT_EQ(col(), 0);
    EXPECT_EQ(rowNo(), 1);

    // Backspace at the start of the continuation goes back over the join.
    press(in, "{BS}");
    EXPECT_EQ(row(0), std::string(79, 'A'));
    EXPECT_EQ(col(), 79);
    EXPECT_EQ(rowNo(), 0);
}

TEST_F(Editor, DoubleByteCharacterNeverStraddlesRows) {
    press(in, std::string(79, 'X') + A);
    EXPECT_EQ(row(0), std::string(79, 'X') + " ");
    EXPECT_EQ(row(1), A);
    EXPECT_EQ(col(), 2);
    EXPECT_EQ(in.screen().linkLast(0), 1);
}

TEST_F(Editor, InsertingKeepsTheLastPairWholeOrBlank) {
    press(in, std::string(78, 'X') + A);  // fills the row; the cursor wraps
    press(in, "{UP}{INS}Z");
    EXPECT_EQ(row(0), "Z" + std::string(78, 'X') + " ");
}

TEST_F(Editor, EnterOnAContinuedRowRunsTheWholeLine) {
    // PRINT of 70 characters and a number: the number wraps onto row 1.
    const std::string text = "PRINT \"" + std::string(70, 'Q') + "\";12345";
    press(in, text + "{LEFT}{LEFT}");
    in.keyChar(13);
    steps(in, 100);
    EXPECT_EQ(shownAfter(in, host, "2345"),
              (std::vector<std::string>{std::string(70, 'Q') + " 12345", "OK"}));
}

TEST_F(Editor, MouseClicks) {
    // A click on a text row moves the cursor there, padding the row.
    in.mouseClick(83, 85);
    EXPECT_EQ(col(), 10);
    EXPECT_EQ(rowNo(), 5);
    EXPECT_EQ(row(5), std::string(10, ' '));
    // A function-key box of row 24 types that key's string at the cursor.
    in.mouseClick(64 * 2 + 30, 24 * 16 + 8);
    EXPECT_EQ(row(5), std::string(10, ' ') + "go to ");
    // Between two boxes nothing happens.
    in.mouseClick(60, 24 * 16 + 8);
    EXPECT_EQ(row(5), std::string(10, ' ') + "go to ");
    // Without the function-key line, row 24 ignores clicks.
    in.screen().setFkeyLine(false);
    in.mouseClick(64 * 2 + 30, 24 * 16 + 8);
    EXPECT_EQ(row(5), std::string(10, ' ') + "go to ");
    EXPECT_EQ(rowNo(), 5);
}

TEST_F(Editor, FunctionKeyTypesItsStringAndEntersItsReturn) {
    line(in, "10 PRINT 42");
    press(in, "{F4}");
    EXPECT_EQ(row(1), "list  ");
    in.fkeys[3] = "LIST\r";
    press(in, "{BS}{BS}{BS}{BS}{BS}{BS}");
    EXPECT_EQ(row(1), "");
    press(in, "{F4}");
    steps(in, 100);
    EXPECT_EQ(shownAfter(in, host, "LIST"), (std::vector<std::string>{"10 PRINT 42", "OK"}));
}

TEST_F(Editor, RunningProgramKeysOnlyReachTheLatch) {
    line(in, "10 GOTO 10");
    line(in, "RUN");
    steps(in, 10);
    ASSERT_TRUE(in.running());
    const int r = rowNo();
    struct Case {
        const char* keys;
        int latch;
    };
    const Case cases[] = {
        {"{LEFT}", 0x25}, {"{DEL}", 0x2E}, {"{HOME}", 0x24}, {"a", 'a'}, {"{F2}", 0x71},
        {"{TAB}", 0x09},
    };
    for (const Case& c : cases) {
        press(in, c.keys);
        EXPECT_EQ(in.takeLastKey(), c.latch) << c.keys;
        EXPECT_EQ(in.takeLastKey(), 0) << c.keys;  // read once
    }
    // Ctrl alone keeps the key before it.
    press(in, "y");
    in.keyDown(Interpreter::KeyCtrl);
    EXPECT_EQ(in.takeLastKey(), 'y');
    in.keyDown(0x10);  // Shift: INKEY$ reads it as no key
    EXPECT_EQ(in.takeLastKey(), 0x10);
    // Nothing was typed on the screen, and the cursor did not move.
    EXPECT_EQ(rowNo(), r);
    EXPECT_EQ(row(r), "");
    EXPECT_TRUE(in.running());
    // ESC breaks the run.
    press(in, "{ESC}");
    EXPECT_FALSE(in.running());
    EXPECT_EQ(shownAfter(in, host, "RUN"), (std::vector<std::string>{"BREAK, OK in 10"}));
}

TEST_F(Editor, InputDollarCapturesKeysWithoutEchoUntilEnough) {
    line(in, "10 A$=INPUT$(3)");
    line(in, "20 PRINT \"[\";A$;\"]\"");
    line(in, "RUN");
    steps(in, 50);
    ASSERT_TRUE(in.keysWanted());
    press(in, "ab");
    steps(in, 50);
    EXPECT_TRUE(in.keysWanted());
    press(in, "{LEFT}c");  // a key without a character adds nothing
    steps(in, 50);
    EXPECT_FALSE(in.running());
    EXPECT_EQ(shownAfter(in, host, "RUN"), (std::vector<std::string>{"[abc]", "OK"}));
}

TEST_F(Editor, BreakDuringInputDollarEndsTheCapture) {
    line(in, "10 A$=INPUT$(3)");
    line(in, "RUN");
    steps(in, 50);
    ASSERT_TRUE(in.keysWanted());
    press(in, "{ESC}");
    EXPECT_FALSE(in.running());
    EXPECT_FALSE(in.keysWanted());
    line(in, "PRINT 7");
    steps(in, 50);
    EXPECT_EQ(shownAfter(in, host, "PRINT 7"), (std::vector<std::string>{" 7", "OK"}));
}

TEST_F(Editor, InputReplyIsReadFromTheScreen) {
    struct Case {
        std::string program;
        std::string keys;  // typed after the prompt, then Enter
        std::vector<std::string> shown;
    };
    const Case cases[] = {
        // Only what stands between the prompt and the Enter column counts.
        {"10 INPUT \"N\";A$:PRINT \"[\";A$;\"]\"", "HELLO{LEFT}{LEFT}", {"N? HELLO", "[HEL]", "OK"}},
        // A reply that wraps: the rest of the prompt row and the rows below.
        {"10 INPUT \"P\",A$:PRINT LEN(A$)", std::string(100, 'Z'),
         {"P" + std::string(79, 'Z'), std::string(21, 'Z'), " 100", "OK"}},
        // The reply is trimmed; a numeric piece reads like atof.
        {"10 INPUT A,B:PRINT A;B", "  3.5E1 ,  -2x", {"?   3.5E1 ,  -2x", " 35 -2", "OK"}},
        // A string piece into a numeric variable gives 0; quotes are removed.
        {"10 INPUT A,B$:PRINT A;B$", "X7,\" Q \"", {"? X7,\" Q \"", " 0  Q", "OK"}},
        // LINE INPUT without a prompt shows "? " and takes commas and quotes.
        {"10 LINE INPUT L$:PRINT L$", "a,\"b\"", {"? a,\"b\"", "a,\"b\"", "OK"}},
    };
    for (const Case& c : cases) {
        KeyHost h;
        Interpreter fresh(h);
        line(fresh, c.program);
        line(fresh, "RUN");
        steps(fresh, 50);
        ASSERT_TRUE(fresh.inputWaiting()) << c.program;
        line(fresh, c.keys);
        steps(fresh, 50);
        EXPECT_EQ(shownAfter(fresh, h, "RUN"), c.shown) << c.program;
    }
}

TEST_F(Editor, InputPromptRowScrolledByTheReply) {
    // The prompt stands on the last scroll row; the reply wraps and scrolls.
    for (int i = 0; i < 23; ++i) press(in, "{DOWN}");
    line(in, "INPUT \"Q\";A$:PRINT LEN(A$)");
    steps(in, 50);
    ASSERT_TRUE(in.inputWaiting());
    line(in, std::string(90, 'W'));
    steps(in, 50);
    EXPECT_EQ(shownAfter(in, host, std::string(13, 'W')), (std::vector<std::string>{" 90", "OK"}));
}

}  // namespace
}  // namespace tw
