// The interface through which the interpreter core reaches its platform.
// The window and the batch driver each implement it.
#pragma once

#include <cstdint>
#include <string>

namespace tw {

class Host {
public:
    virtual ~Host() = default;

    // Monotonic milliseconds, for time slices and timers.
    virtual int64_t monotonicMs() = 0;
    // Wall clock: seconds since the epoch, local time broken down by the core.
    virtual int64_t wallClockSeconds() = 0;
    // One 800 Hz, 40 ms tone.
    virtual void beep() {}
    // Buttons for ask().
    enum Buttons { Ok = 0, OkCancel = 1, RetryCancel = 5, YesNo = 4 };
    enum Answer { AnswerOk = 1, AnswerCancel = 2, AnswerRetry = 4, AnswerYes = 6, AnswerNo = 7 };
    // A message box: shows the text and returns the button chosen.
    virtual int ask(const std::string& text, int buttons) = 0;
    // The screen changed; the window repaints at its next frame.
    virtual void screenChanged() {}
    // A text row (CP932 bytes, trailing blanks removed) scrolled off the top
    // of the console window.
    virtual void rowScrolledOff(const std::string& /*row*/) {}
    // A key for a program that reads the keyboard while no key is pending
    // (INKEY$): the next key of a scripted input, or -1 for none.
    virtual int pollKey() { return -1; }
    // Page Up / Page Down scroll the window's view of the screen one page;
    // Home scrolls it to the top left corner.
    enum ViewScroll { ScrollPageUp, ScrollPageDown, ScrollHome };
    virtual void scrollView(ViewScroll /*how*/) {}
};

}  // namespace tw
