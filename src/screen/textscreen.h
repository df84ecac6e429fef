// The 80x25 text screen: row texts, per-cell colours, the cursor, the console
// window and the logical-line links. Control bytes in written text act on
// this model (they are never stored as characters), so what the screen shows
// and what Enter reads back always agree.
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

    TextScreen();

    // Row text: bytes shown from column 0; may be shorter than 80.
    const std::string& rowText(int r) const { return rows_[r].text; }
    std::string& rowTextMut(int r) { return rows_[r].text; }
    // Colours a cell was drawn with (RGB 0xRRGGBB).
    uint32_t cellFg(int r, int c) const { return rows_[r].fg[c]; }
    uint32_t cellBg(int r, int c) const { return rows_[r].bg[c]; }

    int col() const { return col_; }
    int row() const { return row_; }
    void setCursor(int c, int r) { col_ = c; row_ = r; }

    // Writes text at the cursor: printable bytes are stored, wrapping after
    // column 79; control bytes move the cursor or clear (7 beeps through
    // the callback).
    void write(std::string_view text);
    // Column 0 of the next row, scrolling the console window at the bottom.
    void newline();
    // Moves rows of the console window up by one.
    void scrollUp();
    // Stores one typed byte at the cursor (overwrite or insert) and advances,
    // linking rows when the line wraps past column 79.
    void typeByte(uint8_t b, bool insert);
    // Empties rows of the console window and homes the cursor.
    void clearRows();
    void clearAll();
    // Pads row r with blanks to at least n bytes.
    void pad(int r, int n);

    // Logical-line links: first and last row of the line a row belongs to,
    // -1 when the row stands alone.
    int linkFirst(int r) const { return rows_[r].first; }
    int linkLast(int r) const { return rows_[r].last; }
    void setLink(int r, int first, int last) { rows_[r].first = first; rows_[r].last = last; }
    void unlink(int r) { rows_[r].first = rows_[r].last = -1; }
    // Collects the logical line that ends at the cursor row (joined rows)
    // and closes the line there.
    std::string takeLogicalLine();

    // Console window.
    int winTop() const { return winTop_; }
    int winEnd() const { return winEnd_; }
    int lastScrollRow() const { return lastScroll_; }
    void setConsole(int top, int count);
    bool fkeyLine() const { return fkeyOn_; }
    void setFkeyLine(bool on) { fkeyOn_ = on; }

    // Colours used for newly written cells.
    uint32_t fgRgb = 0xFFFFFF;
    uint32_t bgRgb = 0x000000;

    std::function<void(const std::string&)> onScrollOff;
    std::function<void()> onBeep;

    // Index of the last row holding any non-blank byte, -1 when empty.
    int lastUsedRow(int upTo) const;

private:
    struct Row {
        std::string text;
        std::array<uint32_t, Cols + 1> fg{};
        std::array<uint32_t, Cols + 1> bg{};
        int first = -1;
        int last = -1;
    };
    void putByte(uint8_t b);
    void clearRow(int r);

    std::array<Row, Rows> rows_;
    int col_ = 0;
    int row_ = 0;
    int winTop_ = 0;
    int winCount_ = 25;
    int winEnd_ = 25;
    int lastScroll_ = 23;
    bool fkeyOn_ = true;
};

}  // namespace tw
