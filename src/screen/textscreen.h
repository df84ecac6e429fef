// The 80x25 text screen: row texts, per-cell colours, the cursor, the console
// window, the logical-line links and the colour tables. Control bytes in
// written text act on this model (they are never stored as characters), so
// what the screen shows and what Enter reads back always agree.
//
// Pixels are made from this model only when they are needed (render.h); the
// model records which rows changed so that only those are rendered again.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace tw {

class TextScreen {
public:
    static constexpr int Cols = 80;
    static constexpr int Rows = 25;
    static constexpr int CellWidth = 8;
    static constexpr int CellHeight = 16;
    static constexpr int FkeyRow = 24;

    TextScreen();

    // ---- cells ----
    // Row text: bytes shown from column 0 (CP932); may be shorter than 80.
    const std::string& rowText(int r) const { return at(r).text; }
    // For editing a row in place; the row is redrawn.
    std::string& rowTextMut(int r) {
        markRows(r, r);
        return at(r).text;
    }
    // Colours a cell was drawn with (RGB 0xRRGGBB). Cells past the end of
    // the row text are blank and keep the background they were cleared with.
    uint32_t cellFg(int r, int c) const { return at(r).fg[c]; }
    uint32_t cellBg(int r, int c) const { return at(r).bg[c]; }
    // Pads row r with blanks to at least n bytes (at most 80).
    void pad(int r, int n);
    // Index of the last row up to `upTo` holding a non-blank byte, -1 if none.
    int lastUsedRow(int upTo) const;

    // ---- cursor ----
    int col() const { return col_; }
    int row() const { return row_; }
    // Moves the cursor, normalised as the caret follows it: a negative
    // column counts as its absolute value, a negative row as 0, a column
    // past 79 as 79, a row past 23 as 24.
    void setCursor(int c, int r);
    bool caretVisible() const { return caretVisible_; }
    void setCaretVisible(bool on) { caretVisible_ = on; }
    // Highest row the cursor has reached since the last clear (-1 after it).
    int highestRow() const { return highest_; }

    // ---- writing ----
    // Writes text at the cursor. Printable bytes are stored with the current
    // text colour on the clear colour, wrapping after column 79 and scrolling
    // when the row passes the last scroll row; a double-byte character is
    // never split between rows. Control bytes: 7 beeps (onBeep); 8 and 28
    // one column left; 29 one column right; 30 one row up; 31 one row down;
    // 9 to the next multiple of 8 (column 0 of the next row from 72 on);
    // 10 column 0 of the next row; 13 column 0; 11 home; 12 clears every
    // row and homes. A move to the next row scrolls when it starts on the
    // last scroll row; any other control byte that leaves the cursor on the
    // last scroll row scrolls the console window once.
    void write(std::string_view text);
    // Column 0 of the next row, scrolling the console window at the bottom.
    void newline();
    // Moves the rows of the console window up by one; the row that leaves
    // the top goes to onScrollOff. The cursor ends on the bottom row of the
    // window (row 23 when that would be the function-key row).
    void scrollUp();
    // Stores one typed byte at the cursor (overwrite or insert) and advances,
    // linking rows when the line wraps past column 79.
    void typeByte(uint8_t b, bool insert);
    // Empties the rows of the console window, resets their links and homes
    // the cursor.
    void clearRows();
    // Empties every row (also outside the console window) and homes.
    void clearAll();

    // ---- logical-line links ----
    // First and last row of the line a row belongs to, -1 when the row
    // stands alone.
    int linkFirst(int r) const { return at(r).first; }
    int linkLast(int r) const { return at(r).last; }
    void setLink(int r, int first, int last) { at(r).first = first; at(r).last = last; }
    void unlink(int r) { at(r).first = at(r).last = -1; }
    // Collects the logical line that ends at the cursor row (joined rows)
    // and closes the line there.
    std::string takeLogicalLine();

    // ---- console window and function-key line ----
    int winTop() const { return winTop_; }
    int winCount() const { return winCount_; }
    int winEnd() const { return winEnd_; }
    int lastScrollRow() const { return lastScroll_; }
    // Rows top..top+count-1 (cut at 24) scroll; logical lines that cross
    // the new edges are cut there.
    void setConsole(int top, int count);
    bool fkeyLine() const { return fkeyOn_; }
    void setFkeyLine(bool on);
    // CONSOLE's colour switch (0 or 1); kept, with no effect on the screen.
    int colourSwitch = 1;

    // ---- colours ----
    // The fixed tables (RGB): 8 digital colours, 16 analog colours.
    static uint32_t digitalColour(int i);
    static uint32_t analogColour(int i);
    // Active palette: backgrounds, clearing and graphics.
    uint32_t palette(int i) const { return palette_[static_cast<size_t>(i & 15)]; }
    void setPaletteEntry(int i, uint32_t rgb);
    // 0 digital, 1 analog 8 colours, 2 analog 16 colours.
    int paletteMode() const { return paletteMode_; }
    // Sets the mode and reloads the palette for it.
    void setPaletteMode(int mode);

    // COLOR values: text foreground (0-7), background, border, graphics
    // foreground. The background shows only after it becomes the clear colour.
    int foreground() const { return fg_; }
    int background() const { return bg_; }
    int border() const { return border_; }
    int graphicsForeground() const { return gfg_; }
    void setForeground(int c) { fg_ = c; }
    void setBackground(int c) { bg_ = c; }
    void setBorder(int c) { border_ = c; }
    void setGraphicsForeground(int c) { gfg_ = c; }

    // The palette entry that clears text cells and is transparent in the
    // text layer. Cells whose background is the outgoing clear colour take
    // the new one, so text already on the screen keeps a see-through
    // background.
    int clearColour() const { return clear_; }
    void setClearColour(int c);
    // RGB of the clear colour: the transparent key of the text layer.
    uint32_t keyRgb() const { return palette(clear_); }
    // RGB new characters are drawn in (always from the digital table).
    uint32_t textRgb() const { return digitalColour(fg_); }

    // Clears rows top..end-1 with the given background (also the cells'
    // text), without moving the cursor or touching links.
    void clearBand(int top, int end, uint32_t bgRgb);
    // Gives every cell of every row the background `rgb` (text is kept).
    void fillBackground(uint32_t rgb);

    // ---- redraw tracking ----
    // Rows changed since the last take; false when none.
    bool takeDirtyRows(int& first, int& last);
    void markRows(int first, int last);
    void markAll() { markRows(0, Rows - 1); }

    std::function<void(const std::string&)> onScrollOff;
    std::function<void()> onBeep;

private:
    struct Row {
        std::string text;
        std::array<uint32_t, Cols> fg{};
        std::array<uint32_t, Cols> bg{};
        int first = -1;
        int last = -1;
    };
    void clearRow(int r, uint32_t bgRgb);
    void putCells(const uint8_t* bytes, int n);
    void nextRow();
    void afterControl();
    void breakPairsAround(Row& row, int c, int n);
    void noteRow();

    // Rows live in a ring: scrolling the whole screen moves the ring's
    // start instead of the rows.
    std::array<Row, Rows> rows_;
    int base_ = 0;
    Row& at(int r) { return rows_[static_cast<size_t>((base_ + r) % Rows)]; }
    const Row& at(int r) const { return rows_[static_cast<size_t>((base_ + r) % Rows)]; }
    int col_ = 0;
    int row_ = 0;
    int highest_ = 0;
    bool caretVisible_ = true;

    int winTop_ = 0;
    int winCount_ = 25;
    int winEnd_ = 25;
    int lastScroll_ = 23;
    bool fkeyOn_ = true;

    std::array<uint32_t, 16> palette_{};
    int paletteMode_ = 0;
    int fg_ = 7;
    int bg_ = 0;
    int border_ = 0;
    int gfg_ = 7;
    int clear_ = 0;

    int dirtyFirst_ = -1;
    int dirtyLast_ = -1;
};

}  // namespace tw
