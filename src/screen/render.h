// The pixels of the screen: graphics pages 0 and 1 and the composite image
// the window shows. The composite is made on demand from the displayed page
// (or the clear colour when graphics are hidden or no page is displayed),
// the text layer rendered from the text screen's cells with the clear colour
// transparent, and the function-key line on row 24.
#pragma once

#include <array>
#include <string>

#include "screen/framebuffer.h"
#include "screen/textscreen.h"

namespace tw {

class Display {
public:
    using KeyStrings = std::array<std::string, 10>;

    // `keys` are the function-key strings shown on the function-key line;
    // they are read whenever the composite is brought up to date.
    Display(TextScreen& text, const KeyStrings& keys);
    explicit Display(TextScreen& text);
    Display(const Display&) = delete;
    Display& operator=(const Display&) = delete;

    static const KeyStrings& defaultKeys();

    // ---- graphics pages ----
    Framebuffer& page(int n) { return pages_[static_cast<size_t>(n & 1)]; }
    const Framebuffer& page(int n) const { return pages_[static_cast<size_t>(n & 1)]; }
    // The page drawn on (0 or 1).
    int activePage() const { return activePage_; }
    void setActivePage(int n) { activePage_ = n & 1; }
    // The page shown under the text: 0, 1, or -1 for none.
    int displayedPage() const { return displayedPage_; }
    void setDisplayedPage(int n);
    bool graphicsShown() const { return graphicsShown_; }
    void setGraphicsShown(bool on);
    int screenMode() const { return screenMode_; }
    void setScreenMode(int m) {
        screenMode_ = m;
        ++modeSets_;
    }
    // How often the screen mode has been set: COLOR sets it at every use,
    // so the graphics side can tell whether COLOR ran since a given moment.
    unsigned modeSets() const { return modeSets_; }
    // The VIEW viewport: graphics drawing and page clears stay inside it.
    Rect viewport = Framebuffer::bounds();
    // The graphics last point (where relative coordinates start).
    int lastX = 0;
    int lastY = 0;
    // Fills `area` of page n (within the viewport); the screen follows
    // when that page is shown.
    void fillPage(int n, uint32_t rgb, const Rect& area = Framebuffer::bounds());
    // Part of page `n` changed (graphics statements call this after drawing).
    void markDirty(int n, const Rect& r);
    // Everything is composed again.
    void invalidate();

    // ---- the composite ----
    // The composite with every pending change applied.
    const Framebuffer& composite();
    // The area of the composite that changed since the last call (empty when
    // nothing did); the window repaints just that.
    Rect takeDirty();
    // The text layer alone: the text and the function-key line on the
    // clear colour, as the composite looks with graphics hidden.
    void renderTextLayer(Framebuffer& out);

private:
    void update();
    void composeRect(const Rect& r);
    void composeInto(Framebuffer& out, const Rect& r, const Framebuffer* base);
    void composeFkeyLine(Framebuffer& out, const Rect& r);

    TextScreen& text_;
    const KeyStrings* keys_;
    std::array<Framebuffer, 2> pages_;
    Framebuffer composite_;
    int activePage_ = 0;
    int displayedPage_ = 0;
    bool graphicsShown_ = true;
    int screenMode_ = 3;
    unsigned modeSets_ = 0;

    Rect pending_;  // to compose
    Rect changed_;  // composed since the last takeDirty()
    bool shownFkeyOn_ = false;
    KeyStrings shownKeys_;
};

}  // namespace tw
