#include "screen/textscreen.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using tw::TextScreen;

std::string row(const TextScreen& s, int r) {
    std::string t = s.rowText(r);
    while (!t.empty() && t.back() == ' ') t.pop_back();
    return t;
}

struct WriteCase {
    const char* name;
    int col, row;
    std::string text;
    int endCol, endRow;
    std::vector<std::pair<int, std::string>> rows;  // row -> expected text (trailing blanks cut)
};

TEST(TextScreenTest, WritingMovesTheCursorAndFillsRows) {
    const std::string x100(100, 'X');
    const WriteCase cases[] = {
        {"wraps after column 79", 0, 10, x100, 20, 11, {{10, std::string(80, 'X')}, {11, std::string(20, 'X')}}},
        {"a full row moves on at once", 0, 3, std::string(80, 'Y'), 0, 4, {{3, std::string(80, 'Y')}, {4, ""}}},
        {"starts mid-row", 75, 2, "ABCDEFG", 2, 3, {{2, std::string(75, ' ') + "ABCDE"}, {3, "FG"}}},
        {"backspace and left", 0, 0, "AB\x08" "C\x1c\x1cX", 1, 0, {{0, "XC"}}},
        {"right leaves the cell", 0, 0, "A\x1d" "B", 3, 0, {{0, "A B"}}},
        {"right stops at 79", 79, 0, "\x1d", 79, 0, {}},
        {"tab stops every 8", 0, 0, "A\tB\tC", 17, 0, {{0, "A       B       C"}}},
        {"tab from 72 goes to the next row", 72, 5, "\tT", 1, 6, {{6, "T"}}},
        {"carriage return", 0, 1, "ABC\rX", 1, 1, {{1, "XBC"}}},
        {"line feed", 3, 1, "A\nB", 1, 2, {{1, "   A"}, {2, "B"}}},
        {"up and down keep the column", 2, 5, "P\x1eQ\x1fR", 5, 5, {{4, "   Q"}, {5, "  P R"}}},
        {"up stops at row 0", 0, 0, "\x1eZ", 1, 0, {{0, "Z"}}},
        {"home", 5, 5, "\x0bH", 1, 0, {{0, "H"}}},
        {"bytes without a meaning", 0, 0, "A\x01\x07\x0e\x1b" "B", 2, 0, {{0, "AB"}}},
        {"0xA0 alone is a blank", 0, 0, "A\xa0" "B", 3, 0, {{0, "A B"}}},
        {"0xA0 after a lead byte is a trail", 0, 0, "\x88\xa0", 2, 0, {{0, "\x88\xa0"}}},
        {"a pair never straddles rows", 78, 0, "A\x93\xfa", 2, 1, {{0, std::string(78, ' ') + "A"}, {1, "\x93\xfa"}}},
    };
    for (const auto& c : cases) {
        TextScreen s;
        s.setCursor(c.col, c.row);
        s.write(c.text);
        EXPECT_EQ(s.col(), c.endCol) << c.name;
        EXPECT_EQ(s.row(), c.endRow) << c.name;
        for (const auto& [r, t] : c.rows) EXPECT_EQ(row(s, r), t) << c.name << ", row " << r;
    }
}

TEST(TextScreenTest, OverwritingHalfAPairBlanksTheOtherHalf) {
    // Row 0 holds two double-byte characters at columns 3-4 and 5-6.
    const struct {
        int col;
        std::string text;
        std::string expected;
    } cases[] = {
        {4, "Q", "    Q\x96\x7b"},             // over the first trail
        {5, "Z", "   \x93\xfaZ "},             // over the second lead
        {4, "\x88\xea", "    \x88\xea "},      // across both: both outer halves go
        {3, "\x88\xea", "   \x88\xea\x96\x7b"},  // exactly over a pair
    };
    for (const auto& c : cases) {
        TextScreen s;
        s.setCursor(3, 0);
        s.write("\x93\xfa\x96\x7b");
        s.setCursor(c.col, 0);
        s.write(c.text);
        EXPECT_EQ(s.rowText(0), c.expected) << "col " << c.col;
    }
}

// Text written in one call must leave the same screen as the same bytes
// written one at a time, whatever double-byte characters it overwrites and
// wherever it wraps.
TEST(TextScreenTest, RunsOfTextMatchByteByByteWrites) {
    uint32_t seed = 12345;
    auto next = [&seed](uint32_t n) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) % n;
    };
    const char* pieces[] = {"\x93\xfa", "\x96\x7b", "\x88\xea", "A", "B", " ", "\xb1", "\x81\x40"};
    for (int round = 0; round < 400; ++round) {
        TextScreen whole, single;
        // Background rows: a mix of pairs and single characters.
        for (int r = 0; r < 3; ++r) {
            std::string bg;
            while (bg.size() < 70 + next(10)) bg += pieces[next(8)];
            for (TextScreen* s : {&whole, &single}) {
                s->setCursor(0, 5 + r);
                s->write(bg.substr(0, 80));
            }
        }
        std::string text;
        const uint32_t len = 1 + next(120);
        while (text.size() < len) text += next(5) ? std::string(1, static_cast<char>('a' + next(26))) : pieces[next(8)];
        const int col = static_cast<int>(next(80)), row = 5 + static_cast<int>(next(3));
        whole.setCursor(col, row);
        single.setCursor(col, row);
        whole.write(text);
        // Byte by byte, except that a pair is written as a pair.
        for (size_t i = 0; i < text.size(); ++i) {
            const auto b = static_cast<uint8_t>(text[i]);
            const bool pair = ((b >= 0x81 && b <= 0x9f) || b >= 0xe0) && i + 1 < text.size();
            single.write(text.substr(i, pair ? 2 : 1));
            if (pair) ++i;
        }
        ASSERT_EQ(whole.col(), single.col()) << "round " << round;
        ASSERT_EQ(whole.row(), single.row()) << "round " << round;
        for (int r = 0; r < 25; ++r) ASSERT_EQ(whole.rowText(r), single.rowText(r)) << "round " << round << " row " << r;
    }
}

TEST(TextScreenTest, ScrollMovesRowsLinksAndTheCursor) {
    TextScreen s;
    std::vector<std::string> off;
    s.onScrollOff = [&](const std::string& t) { off.push_back(t); };
    for (int r = 0; r < 24; ++r) s.rowTextMut(r) = "R" + std::to_string(r);
    s.setLink(5, 5, 7);
    s.setLink(6, 5, 7);
    s.setLink(7, 5, 7);
    s.setLink(1, 0, 1);
    s.setCursor(0, 23);
    s.newline();
    ASSERT_EQ(off, std::vector<std::string>{"R0"});
    EXPECT_EQ(s.rowText(0), "R1");
    EXPECT_EQ(s.rowText(22), "R23");
    EXPECT_EQ(s.rowText(23), "");
    EXPECT_EQ(s.row(), 23);
    EXPECT_EQ(s.linkFirst(4), 4);
    EXPECT_EQ(s.linkLast(6), 6);
    // Row 1 moved up: its first row 0 becomes -1, its last row 1 becomes 0.
    EXPECT_EQ(s.linkFirst(0), -1);
    EXPECT_EQ(s.linkLast(0), 0);

    // Rows above the last scroll row just move down.
    s.setCursor(0, 10);
    s.newline();
    EXPECT_EQ(s.row(), 11);
    EXPECT_EQ(off.size(), 1u);
}

TEST(TextScreenTest, ScrollInsideTheConsoleWindow) {
    const struct {
        int top, count;
        int endRow;  // cursor row after a scroll
    } cases[] = {
        {-1, 25, 23},  // as started: row 24 is left to the function-key line
        {0, 25, 24},   // CONSOLE 0,25 scrolls row 24 as well
        {0, 5, 4},
        {3, 4, 6},
    };
    for (const auto& c : cases) {
        TextScreen s;
        for (int r = 0; r < 25; ++r) s.rowTextMut(r) = std::to_string(r);
        if (c.top >= 0) s.setConsole(c.top, c.count);
        const int top = std::max(c.top, 0);
        std::vector<std::string> off;
        s.onScrollOff = [&](const std::string& t) { off.push_back(t); };
        s.setCursor(0, s.lastScrollRow());
        s.newline();
        EXPECT_EQ(s.row(), c.endRow) << c.top << "," << c.count;
        ASSERT_EQ(off.size(), 1u);
        EXPECT_EQ(off[0], std::to_string(top));
        const int end = std::min(top + c.count, 25);
        for (int r = 0; r < 25; ++r) {
            std::string want = r < top || r >= end ? std::to_string(r) : r == end - 1 ? "" : std::to_string(r + 1);
            EXPECT_EQ(s.rowText(r), want) << c.top << "," << c.count << " row " << r;
        }
    }
}

TEST(TextScreenTest, AnyControlByteOnTheLastScrollRowScrolls) {
    const std::string bytes[] = {"\r", "\x07", "\x08", "\x1d", "\x14", "\t", "\n"};
    for (const auto& b : bytes) {
        TextScreen s;
        int scrolls = 0;
        s.onScrollOff = [&](const std::string&) { ++scrolls; };
        s.setCursor(0, 23);
        s.write("Z" + b);
        EXPECT_EQ(scrolls, 1) << int(b[0]);
        EXPECT_EQ(s.rowText(22).substr(0, 1), "Z") << int(b[0]);
        // One row higher nothing scrolls (a line feed just moves down).
        TextScreen t;
        t.onScrollOff = [&](const std::string&) { ++scrolls; };
        t.setCursor(0, 21);
        t.write("Z" + b);
        EXPECT_EQ(scrolls, 1) << int(b[0]);
    }
}

TEST(TextScreenTest, FormFeedClearsEveryRowAndHomes) {
    TextScreen s;
    s.setConsole(5, 5);
    s.rowTextMut(0) = "outside";
    s.rowTextMut(7) = "inside";
    s.setCursor(10, 7);
    s.write("\x0c" "A");
    EXPECT_EQ(s.rowText(0), "A");
    EXPECT_EQ(s.rowText(7), "");
    EXPECT_EQ(s.col(), 1);
}

TEST(TextScreenTest, CursorIsNormalisedAsTheCaretFollowsIt) {
    const struct {
        int c, r, col, row;
    } cases[] = {{-5, 3, 5, 3}, {80, 3, 79, 3}, {3, -2, 3, 0}, {3, 24, 3, 24}, {3, 30, 3, 24}, {79, 23, 79, 23}};
    for (const auto& c : cases) {
        TextScreen s;
        s.setCursor(c.c, c.r);
        EXPECT_EQ(s.col(), c.col) << c.c << "," << c.r;
        EXPECT_EQ(s.row(), c.row) << c.c << "," << c.r;
    }
}

TEST(TextScreenTest, ConsoleCutsLogicalLinesAtItsEdges) {
    TextScreen s;
    auto link = [&](int a, int b) {
        for (int r = a; r <= b; ++r) s.setLink(r, a, b);
    };
    link(1, 4);    // crosses the new top (3): ends at 2
    link(8, 9);    // inside: kept
    link(10, 13);  // crosses the last scroll row (11): ends there
    link(18, 19);  // below the window: kept
    s.setConsole(3, 9);
    ASSERT_EQ(s.lastScrollRow(), 11);
    const struct {
        int r, first, last;
    } want[] = {{1, 1, 2}, {2, 1, 2}, {3, -1, -1}, {4, -1, -1}, {8, 8, 9},
                {10, 10, 11}, {11, 10, 11}, {12, -1, -1}, {13, -1, -1}, {18, 18, 19}};
    for (const auto& w : want) {
        EXPECT_EQ(s.linkFirst(w.r), w.first) << "row " << w.r;
        EXPECT_EQ(s.linkLast(w.r), w.last) << "row " << w.r;
    }
    // A piece left with a single row stands alone.
    TextScreen t;
    for (int r = 4; r <= 5; ++r) t.setLink(r, 4, 5);
    t.setConsole(5, 10);
    EXPECT_EQ(t.linkFirst(4), -1);
    EXPECT_EQ(t.linkFirst(5), -1);
}

TEST(TextScreenTest, CellsRememberTheirColours) {
    TextScreen s;
    s.setForeground(6);
    s.write("A");
    EXPECT_EQ(s.cellFg(0, 0), 0xFFFF00u);
    EXPECT_EQ(s.cellBg(0, 0), 0x000000u);
    // A new clear colour keeps cleared cells see-through; a cell drawn on
    // another background keeps it.
    s.setPaletteEntry(2, 0x123456);
    s.setClearColour(2);
    s.write("B");
    EXPECT_EQ(s.cellBg(0, 0), 0x123456u);
    EXPECT_EQ(s.cellBg(0, 50), 0x123456u);
    s.setPaletteEntry(2, 0xABCDEF);
    EXPECT_EQ(s.cellBg(0, 1), 0x123456u);
    EXPECT_EQ(s.keyRgb(), 0xABCDEFu);
}

TEST(TextScreenTest, PaletteModesReloadTheActivePalette) {
    TextScreen s;
    s.setPaletteEntry(3, 0x010203);
    s.setPaletteMode(1);
    EXPECT_EQ(s.palette(3), 0xFF00FFu);
    s.setPaletteMode(2);
    EXPECT_EQ(s.palette(8), 0x777777u);
    EXPECT_EQ(s.palette(9), 0x0000AAu);
    EXPECT_EQ(s.palette(14), 0xAAAA00u);
    EXPECT_EQ(s.palette(15), 0xAAAAAAu);
    s.setPaletteEntry(1, 0x010203);
    s.setPaletteMode(0);
    EXPECT_EQ(s.palette(1), 0x0000FFu);
    // Text is always drawn from the digital table.
    s.setPaletteEntry(7, 0x010101);
    EXPECT_EQ(s.textRgb(), 0xFFFFFFu);
}

TEST(TextScreenTest, RedrawBandCoversChangedRows) {
    TextScreen s;
    int a = 0, b = 0;
    ASSERT_TRUE(s.takeDirtyRows(a, b));  // everything at start
    EXPECT_FALSE(s.takeDirtyRows(a, b));
    s.setCursor(70, 4);
    s.write("0123456789AB");
    ASSERT_TRUE(s.takeDirtyRows(a, b));
    EXPECT_EQ(a, 4);
    EXPECT_EQ(b, 5);
    s.setCursor(0, 9);
    s.write("\x1e\x1f");  // cursor moves only
    EXPECT_FALSE(s.takeDirtyRows(a, b));
    s.setConsole(2, 6);
    s.setCursor(0, 7);
    s.newline();
    ASSERT_TRUE(s.takeDirtyRows(a, b));
    EXPECT_EQ(a, 2);
    EXPECT_EQ(b, 7);
}

}  // namespace
