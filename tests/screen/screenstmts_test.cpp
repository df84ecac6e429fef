// The screen statements run through the interpreter: what they leave in
// the text screen, the palettes and the pixels.
#include <gtest/gtest.h>

#include <string>

#include "core/interp.h"

namespace {

using tw::Interpreter;
using tw::TextScreen;

class TestHost : public tw::Host {
public:
    int64_t now = 1000;
    int beeps = 0;
    int64_t monotonicMs() override { return now; }
    int64_t wallClockSeconds() override { return 0; }
    int ask(const std::string&, int) override { return AnswerCancel; }
    void beep() override { ++beeps; }
};

class ScreenStatements : public ::testing::Test {
protected:
    // Types a direct-mode line and runs it to the end.
    void type(const std::string& line) {
        for (char c : line) in.keyChar(static_cast<uint8_t>(c));
        in.keyChar(13);
        while (in.running() && !in.inputWaiting()) in.runSlice(1000);
    }
    // The last message or output row above the cursor.
    std::string lastOutput() {
        for (int r = in.screen().row() - 1; r >= 0; --r) {
            std::string t = in.screen().rowText(r);
            while (!t.empty() && t.back() == ' ') t.pop_back();
            if (!t.empty()) return t;
        }
        return {};
    }
    TestHost host;
    Interpreter in{host};
};

TEST_F(ScreenStatements, ColorStoresValuesBeforeTheFailingOne) {
    type("COLOR 3,9,1");
    EXPECT_EQ(lastOutput(), "Syntax error");
    EXPECT_EQ(in.screen().foreground(), 3);
    EXPECT_EQ(in.screen().background(), 0);
    EXPECT_EQ(in.screen().border(), 0);
    type("COLOR ,,,,2:COLOR 1,15,2,14");
    EXPECT_EQ(in.screen().background(), 15);
    EXPECT_EQ(in.screen().border(), 2);
    EXPECT_EQ(in.screen().graphicsForeground(), 14);
    // A bad mode fails before anything is stored.
    type("COLOR 5,,,,7");
    EXPECT_EQ(in.screen().foreground(), 1);
}

TEST_F(ScreenStatements, PaletteColours) {
    const struct {
        const char* setup;
        const char* stmt;
        int entry;
        uint32_t rgb;
    } cases[] = {
        {"COLOR ,,,,1", "COLOR=(3,&HF00)", 3, 0x00FF00},
        {"COLOR ,,,,1", "COLOR=(2,&H0F0)", 2, 0xFF0000},
        {"COLOR ,,,,1", "COLOR=(5,&H00F)", 5, 0x0000FF},
        {"COLOR ,,,,1", "COLOR=(4,&H123)", 4, 0x221133},
        {"COLOR ,,,,0", "COLOR=(1,4)", 1, 0x00FF00},
        {"COLOR ,,,,2", "COLOR=(12,&HFFF)", 12, 0xFFFFFF},
        {"COLOR ,,,,2", "COLOR 7", 9, 0x0000AA},
        // Mode 2 reloads all 16 analog colours at every COLOR.
        {"COLOR ,,,,2:COLOR=(9,&H111)", "COLOR 7", 9, 0x0000AA},
        {"COLOR ,,,,1:COLOR=(3,&HF00)", "COLOR ,,,,0", 3, 0xFF00FF},
        // A bad colour code leaves the entry as it was.
        {"COLOR ,,,,1", "COLOR=(3,-1)", 3, 0xFF00FF},
    };
    for (const auto& c : cases) {
        TestHost h;
        Interpreter i(h);
        for (const char* line : {c.setup, c.stmt}) {
            for (const char* p = line; *p; ++p) i.keyChar(static_cast<uint8_t>(*p));
            i.keyChar(13);
            while (i.running()) i.runSlice(1000);
        }
        EXPECT_EQ(i.screen().palette(c.entry), c.rgb) << c.setup << " / " << c.stmt;
    }
}

TEST_F(ScreenStatements, ColorResetsTheDisplaySettings) {
    in.display().setDisplayedPage(-1);
    in.display().setGraphicsShown(false);
    in.display().setActivePage(1);
    type("COLOR 7");
    EXPECT_EQ(in.display().displayedPage(), 0);
    EXPECT_TRUE(in.display().graphicsShown());
    EXPECT_EQ(in.display().activePage(), 0);
}

TEST_F(ScreenStatements, ClsFormsAndTheClearColour) {
    type("PRINT \"KEEP\"");
    type("COLOR ,1:CLS:PRINT \"ONE\"");
    // CLS alone keeps the old clear colour and empties the rows.
    EXPECT_EQ(in.screen().clearColour(), 0);
    EXPECT_EQ(in.screen().rowText(0), "ONE");
    EXPECT_EQ(in.display().page(0).pixel(300, 300), 0x000000u);

    type("LOCATE 5,10:CLS 2");
    EXPECT_EQ(in.screen().clearColour(), 1);
    EXPECT_EQ(in.display().page(0).pixel(300, 300), 0x0000FFu);
    // The text stays; the cursor went home, so "OK" went over "ONE".
    EXPECT_EQ(in.screen().rowText(2), "LOCATE 5,10:CLS 2");
    EXPECT_EQ(in.screen().rowText(0), "OKE");
    // The blank screen shows the new background.
    EXPECT_EQ(in.display().composite().pixel(300, 200), 0x0000FFu);

    type("COLOR ,2:CLS 3");
    EXPECT_EQ(in.screen().clearColour(), 2);
    EXPECT_EQ(in.screen().rowText(0), "OK");
    EXPECT_EQ(in.screen().rowText(5), "");
    EXPECT_EQ(in.display().composite().pixel(300, 200), 0xFF0000u);

    type("COLOR ,4:CLS 5");
    EXPECT_EQ(in.screen().clearColour(), 4);
    EXPECT_EQ(in.display().page(0).pixel(300, 300), 0xFF0000u);
    type("COLOR ,6:CLS 0");
    EXPECT_EQ(in.screen().clearColour(), 4);
}

TEST_F(ScreenStatements, ConsoleSetsTheWindow) {
    const struct {
        const char* stmt;
        int top, end, lastScroll;
        bool fkeys;
    } cases[] = {
        {"CONSOLE 2,10,0,0", 2, 12, 11, false},
        {"CONSOLE 5", 5, 25, 24, true},
        {"CONSOLE ,20", 0, 20, 19, true},
        {"CONSOLE 0,25,1", 0, 25, 24, true},
        {"CONSOLE 10,0", 10, 10, 10, true},
    };
    for (const auto& c : cases) {
        TestHost h;
        Interpreter i(h);
        for (const char* p = c.stmt; *p; ++p) i.keyChar(static_cast<uint8_t>(*p));
        i.keyChar(13);
        while (i.running()) i.runSlice(1000);
        EXPECT_EQ(i.screen().winTop(), c.top) << c.stmt;
        EXPECT_EQ(i.screen().winEnd(), c.end) << c.stmt;
        EXPECT_EQ(i.screen().lastScrollRow(), c.lastScroll) << c.stmt;
        EXPECT_EQ(i.screen().fkeyLine(), c.fkeys) << c.stmt;
    }
}

TEST_F(ScreenStatements, LocateCaretSwitch) {
    type("LOCATE ,,0");
    EXPECT_FALSE(in.screen().caretVisible());
    type("LOCATE 1,1");
    EXPECT_TRUE(in.screen().caretVisible());
    type("LOCATE ,,7");
    EXPECT_TRUE(in.screen().caretVisible());
}

TEST_F(ScreenStatements, BeepRepeatsEvery50ms) {
    type("BEEP");
    EXPECT_EQ(host.beeps, 1);
    EXPECT_FALSE(in.beepRepeating());
    type("BEEP 1");
    EXPECT_TRUE(in.beepRepeating());
    host.now += 49;
    in.pollBeep();
    EXPECT_EQ(host.beeps, 1);
    host.now += 1;
    in.pollBeep();
    EXPECT_EQ(host.beeps, 2);
    in.pollBeep();
    EXPECT_EQ(host.beeps, 2);
    host.now += 50;
    in.pollBeep();
    EXPECT_EQ(host.beeps, 3);
    // A long pause gives one beep, not the missed ones.
    host.now += 1000;
    in.pollBeep();
    in.pollBeep();
    EXPECT_EQ(host.beeps, 4);
    type("BEEP 0");
    EXPECT_FALSE(in.beepRepeating());
    host.now += 500;
    in.pollBeep();
    EXPECT_EQ(host.beeps, 4);
    // BEEP without an argument also ends the repetition.
    type("BEEP 1:BEEP");
    EXPECT_FALSE(in.beepRepeating());
    EXPECT_EQ(host.beeps, 5);
}

TEST_F(ScreenStatements, PrintedTextShowsOnTheComposite) {
    // CHR$(&H88)+CHR$(&HEA): the kanji "one", a single stroke on glyph row 7.
    type("CLS:COLOR 4:PRINT CHR$(&H88)+CHR$(&HEA)");
    const tw::Framebuffer& fb = in.display().composite();
    uint32_t bits = 0;
    for (int x = 0; x < 16; ++x) bits = bits << 1 | (fb.pixel(x, 7) == 0x00FF00 ? 1u : 0u);
    EXPECT_EQ(bits, 0x7FFEu);
}

}  // namespace
