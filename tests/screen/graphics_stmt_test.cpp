// Graphics statements run through the interpreter: what they leave on the
// pages, the composite, the dirty areas, arrays and files.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/interp.h"

namespace {

using tw::Framebuffer;
using tw::Interpreter;
using tw::Rect;

constexpr uint32_t kBlack = 0x000000, kBlue = 0x0000FF, kRed = 0xFF0000, kGreen = 0x00FF00,
                   kWhite = 0xFFFFFF, kYellow = 0xFFFF00, kCyan = 0x00FFFF;

class TestHost : public tw::Host {
public:
    int64_t monotonicMs() override { return 0; }
    int64_t wallClockSeconds() override { return 0; }
    int ask(const std::string&, int) override { return AnswerCancel; }
};

class GraphicsStatements : public ::testing::Test {
protected:
    void typeOnly(const std::string& line) {
        for (char c : line) in.keyChar(static_cast<uint8_t>(c));
        in.keyChar(13);
    }
    // A direct-mode line, run to its end.
    void type(const std::string& line) {
        typeOnly(line);
        while (in.running() && !in.inputWaiting()) in.runSlice(1000);
    }
    // Stores the program lines and starts RUN; statements then run one by
    // one with step().
    void start(const std::vector<std::string>& lines) {
        for (const auto& l : lines) typeOnly(l);
        typeOnly("RUN");
        step();
    }
    // Runs the next n statements (one a line).
    void step(long n = 1) { in.runSlice(1000, n); }
    // The row above the "OK" of the last direct line.
    std::string printed() {
        const int r = in.screen().row() - 2;
        std::string t = r >= 0 ? in.screen().rowText(r) : std::string();
        while (!t.empty() && t.back() == ' ') t.pop_back();
        return t;
    }
    std::string lastOutput() {
        for (int r = in.screen().row() - 1; r >= 0; --r) {
            std::string t = in.screen().rowText(r);
            while (!t.empty() && t.back() == ' ') t.pop_back();
            if (!t.empty()) return t;
        }
        return {};
    }
    uint32_t pixel(int x, int y, int page = 0) { return in.display().page(page).pixel(x, y); }

    TestHost host;
    Interpreter in{host};
};

TEST_F(GraphicsStatements, DirtyRectangleOfEachPrimitive) {
    const struct {
        const char* stmt;
        Rect dirty;
    } cases[] = {
        {"PSET (100,300)", Rect{99, 299, 100, 300}},
        {"LINE (10,300)-(5,310)", Rect{5, 300, 10, 310}},
        {"LINE (10,300)-(5,310),,BF", Rect{5, 300, 10, 310}},
        {"CIRCLE (320,300),20,,,,0.5", Rect{300, 290, 340, 310}},
        {"PAINT (5,300)", Framebuffer::bounds()},
        {"VIEW (10,300)-(20,310)", Rect{9, 299, 21, 311}},
        {"DRAW \"BM100,300R5D5\"", Rect{100, 300, 105, 305}},
        {"PUT (200,300),A%", Rect{200, 300, 200, 300}},
        {"ROLL 1", Framebuffer::bounds()},
        {"POINT (50,300)", Rect{}},
        {"GET (0,300)-(1,301),A%", Rect{}},
    };
    for (const auto& c : cases) {
        Interpreter i{host};
        for (const std::string line : {std::string("10 ") + c.stmt, std::string("20 GOTO 20"), std::string("RUN")}) {
            for (char ch : line) i.keyChar(static_cast<uint8_t>(ch));
            i.keyChar(13);
        }
        i.runSlice(1000, 1);  // RUN
        i.display().takeDirty();
        i.runSlice(1000, 1);
        EXPECT_EQ(i.display().takeDirty(), c.dirty) << c.stmt;
    }
}

TEST_F(GraphicsStatements, DrawingOnAHiddenPageChangesNothingShown) {
    start({"10 SCREEN ,,1", "20 PSET (100,300),2", "30 LINE (0,0)-(639,399),4", "40 SCREEN ,,,17", "50 GOTO 50"});
    step();
    in.display().takeDirty();
    step(2);
    EXPECT_EQ(in.display().takeDirty(), Rect{});
    EXPECT_EQ(pixel(100, 300, 1), kRed);
    EXPECT_EQ(pixel(100, 300, 0), kBlack);
    step();
    EXPECT_EQ(in.display().composite().pixel(100, 300), kRed);
}

TEST_F(GraphicsStatements, DrawingColoursGoBackTo7AtAReset) {
    // What the run loop does when a program starts and before each typed
    // line: the COLOR foreground that PSET uses and the colour a LINE
    // without colour continues in are 7 again, until COLOR runs.
    type("COLOR 2");
    in.resetDrawingColours();
    type("PSET (10,300)");
    EXPECT_EQ(pixel(10, 300), kWhite);
    in.resetDrawingColours();
    type("COLOR 2:PSET (12,300):COLOR 7");
    EXPECT_EQ(pixel(12, 300), kRed);
    type("LINE (0,310)-(5,310),4:LINE -(10,310)");
    EXPECT_EQ(pixel(10, 310), kGreen);
    in.resetDrawingColours();
    type("LINE (0,320)-(5,320)");
    EXPECT_EQ(pixel(5, 320), kWhite);
}

TEST_F(GraphicsStatements, CopyWritesNumberedBmpFiles) {
    const std::filesystem::path dir = std::filesystem::path(::testing::TempDir()) / "gfx_copy";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    const std::filesystem::path here = std::filesystem::current_path();
    std::filesystem::current_path(dir);
    type("LINE (0,300)-(9,309),2,BF:PSET (639,0),6:LOCATE 0,0:PRINT \"A\"");
    type("COPY 4:COPY 2:COPY 9:COPY 1:COPY 5");
    std::filesystem::create_directory("COPY6.BMP");
    type("COPY 4");
    const std::string failure = lastOutput();
    type("COPY 4");
    std::filesystem::current_path(here);
    EXPECT_EQ(failure, "File not open");

    auto read = [&](const char* name) {
        std::ifstream f(dir / name, std::ios::binary);
        return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), {});
    };
    // Blue, green, red of pixel (x, y): rows from the bottom up.
    auto at = [](const std::vector<uint8_t>& b, int x, int y) {
        const size_t o = 54 + (static_cast<size_t>(399 - y) * 640 + static_cast<size_t>(x)) * 3;
        return static_cast<uint32_t>(b[o + 2]) << 16 | static_cast<uint32_t>(b[o + 1]) << 8 | b[o];
    };
    const std::vector<uint8_t> page = read("COPY1.BMP");
    ASSERT_EQ(page.size(), 54u + 640 * 400 * 3);
    const uint8_t header[54] = {'B', 'M', 0x36, 0xB8, 0x0B, 0, 0, 0, 0, 0, 0x36, 0, 0, 0, 0x28, 0, 0, 0,
                                0x80, 0x02, 0, 0, 0x90, 0x01, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0, 0, 0xB8,
                                0x0B, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_TRUE(std::equal(header, header + 54, page.begin()));
    EXPECT_EQ(at(page, 0, 300), kRed);
    EXPECT_EQ(at(page, 9, 309), kRed);
    EXPECT_EQ(at(page, 10, 309), kBlack);
    EXPECT_EQ(at(page, 639, 0), kYellow);
    // The page has no text on it.
    EXPECT_EQ(at(page, 1, 9), kBlack);

    const std::vector<uint8_t> inverted = read("COPY2.BMP");
    ASSERT_EQ(inverted.size(), page.size());
    EXPECT_EQ(at(inverted, 0, 300), kCyan);
    EXPECT_EQ(at(inverted, 100, 100), kWhite);

    const std::vector<uint8_t> headerOnly = read("COPY3.BMP");
    EXPECT_TRUE(headerOnly.size() == 54 && std::equal(header, header + 54, headerOnly.begin()));

    // The text layer: 'A' (glyph row 9 is 0x7E) on the clear colour, no graphics.
    const std::vector<uint8_t> text = read("COPY4.BMP");
    ASSERT_EQ(text.size(), page.size());
    EXPECT_EQ(at(text, 0, 9), kBlack);
    EXPECT_EQ(at(text, 1, 9), kWhite);
    EXPECT_EQ(at(text, 0, 300), kBlack);

    const std::vector<uint8_t> screen = read("COPY5.BMP");
    ASSERT_EQ(screen.size(), page.size());
    EXPECT_EQ(at(screen, 1, 9), kWhite);
    EXPECT_EQ(at(screen, 0, 300), kRed);
    // The counter went on past the failure.
    EXPECT_EQ(read("COPY7.BMP").size(), page.size());
}

TEST_F(GraphicsStatements, RollFillsWithColour0OrTheClearColour) {
    type("COLOR ,4:CLS 2:COLOR ,0:PSET (300,300),2");
    EXPECT_EQ(pixel(0, 399), kGreen);
    type("ROLL 10");
    EXPECT_EQ(pixel(300, 290), kRed);
    EXPECT_EQ(pixel(0, 399), kBlack);
    EXPECT_EQ(pixel(0, 389), kGreen);
    type("ROLL -10,-5,\" y \"");
    EXPECT_EQ(pixel(305, 300), kRed);
    EXPECT_EQ(pixel(0, 0), kGreen);
    EXPECT_EQ(pixel(4, 200), kGreen);
    EXPECT_EQ(pixel(5, 200), kGreen);
}

TEST_F(GraphicsStatements, BlocksSurviveEveryArrayType) {
    // The first pixel stored (bottom left) in red &H88, then a white one:
    // element 1 of a single array gets the bytes 00 00 88 FF, the pattern
    // of a signalling NaN.
    type("COLOR ,,,,1:COLOR=(1,&H080):PSET (0,301),1:PSET (1,301),7:PSET (2,300),3");
    for (const char* arr : {"S!", "D#", "I%"}) {
        const std::string a = arr;
        type("DIM " + a + "(40):GET (0,300)-(2,301)," + a + ":PUT (100,300)," + a + ",PSET");
        for (int y = 300; y <= 301; ++y)
            for (int x = 0; x <= 2; ++x) EXPECT_EQ(pixel(100 + x, y), pixel(x, y)) << a << " " << x << "," << y;
        type("LINE (100,300)-(102,301),0,BF");
    }
    EXPECT_EQ(pixel(0, 301), 0x880000u);
}

TEST_F(GraphicsStatements, BmpImageInAnArray) {
    // A 2x2 24-bit BMP: rows of 8 bytes from the bottom, pixels from byte 54.
    type("DIM B%(40):B%(0)=&H4D42:B%(9)=2:B%(11)=2");
    type("B%(28)=255:B%(29)=255:B%(31)=255:B%(32)=-256:B%(33)=-1");
    type("PUT (10,300),B%,PSET");
    EXPECT_EQ(pixel(10, 301), kRed);
    EXPECT_EQ(pixel(11, 301), kGreen);
    EXPECT_EQ(pixel(10, 300), kBlue);
    EXPECT_EQ(pixel(11, 300), kWhite);
    EXPECT_EQ(pixel(12, 300), kBlack);
    // Claims more pixels than the array holds.
    type("B%(11)=100:PUT (10,300),B%");
    EXPECT_EQ(lastOutput(), "Illegal function call");
}

TEST_F(GraphicsStatements, KanjiCodes) {
    // JIS &H306C and Shift-JIS &H88EA are the same character.
    type("PUT (100,300),KANJI(&H306C),2:PUT (120,300),KANJI(&H88EA),2,1");
    for (int y = 300; y < 316; ++y)
        for (int x = 0; x < 16; ++x) {
            const uint32_t a = pixel(100 + x, y);
            EXPECT_TRUE(a == kRed || a == kBlack) << x << "," << y;
            EXPECT_EQ(pixel(120 + x, y), a == kRed ? kRed : kBlue) << x << "," << y;
        }
    // A single-byte character covers 8 columns only.
    type("LINE (200,300)-(220,320),4,BF:PUT (200,300),KANJI(32),,4");
    EXPECT_EQ(pixel(207, 305), kBlack);
    EXPECT_EQ(pixel(208, 305), kGreen);
    type("PUT (0,0),KANJI(&H10000)");
    EXPECT_EQ(lastOutput(), "Illegal function call");
}

TEST_F(GraphicsStatements, SixteenColourTiles) {
    type("COLOR ,,,,2");
    type("PAINT (10,300),\"ABC\",7");
    EXPECT_EQ(lastOutput(), "Illegal function call ,strings length not multiple 4");
    type("COLOR ,,,,0");
    type("PAINT (10,300),\"ABCD\",7");
    EXPECT_EQ(lastOutput(), "Illegal function call ,strings length not multiple 3");
    // Bit x of the four bytes gives pixel x: byte 4 adds 8.
    type("COLOR ,,,,2:LINE (0,300)-(20,310),15,B:PAINT (5,305),CHR$(1)+CHR$(0)+CHR$(0)+CHR$(1),15");
    EXPECT_EQ(pixel(8, 305), in.screen().palette(9));
    EXPECT_EQ(pixel(9, 305), in.screen().palette(0));
}

TEST_F(GraphicsStatements, FunctionArgumentsOutOfRange) {
    for (const char* f : {"POINT(4)", "POINT(-1)", "MAP(1,4)", "VIEW(4)", "WINDOW(-1)", "POINT(640,0)",
                          "POINT(0,-1.6)"}) {
        type(std::string("PRINT ") + f);
        EXPECT_EQ(lastOutput(), "Illegal function call") << f;
    }
    type("PSET (639,399),4:PSET (0,200),2");
    type("PRINT POINT(639.4,399.4);POINT(-0.4,200.4)");
    EXPECT_EQ(printed(), " 4  2");
}

TEST_F(GraphicsStatements, CompositeOfPagesAndText) {
    // The whole composite: page 1 shown while page 0 is drawn on, no text,
    // function keys off.
    start({"10 CONSOLE 0,25,0:CLS:SCREEN ,,1,17:LINE (100,100)-(199,149),2,BF:LINE (300,100)-(399,149),4,B",
           "20 SCREEN ,,0:LINE (0,0)-(639,399),6,BF", "30 GOTO 30"});
    step(20);
    Framebuffer want(kBlack);
    want.fill(Rect{100, 100, 199, 149}, kRed);
    want.fill(Rect{300, 100, 399, 100}, kGreen);
    want.fill(Rect{300, 149, 399, 149}, kGreen);
    want.fill(Rect{300, 100, 300, 149}, kGreen);
    want.fill(Rect{399, 100, 399, 149}, kGreen);
    const Framebuffer& got = in.display().composite();
    int wrong = 0;
    for (int y = 0; y < Framebuffer::Height; ++y)
        for (int x = 0; x < Framebuffer::Width; ++x) wrong += got.pixel(x, y) != want.pixel(x, y);
    EXPECT_EQ(wrong, 0);
    // Hidden graphics: the clear colour everywhere.
    in.breakRun();
    type("CLS:SCREEN ,2");
    EXPECT_EQ(in.display().composite().pixel(150, 120), kBlack);
    type("SCREEN ,0");
    EXPECT_EQ(in.display().composite().pixel(150, 120), kRed);
}

}  // namespace
