#include "screen/textscreen.h"

#include <algorithm>
#include <cstdlib>

namespace tw {

namespace {

constexpr std::array<uint32_t, 8> kDigital = {
    0x000000, 0x0000FF, 0xFF0000, 0xFF00FF, 0x00FF00, 0x00FFFF, 0xFFFF00, 0xFFFFFF,
};
constexpr std::array<uint32_t, 16> kAnalog = {
    0x000000, 0x0000FF, 0xFF0000, 0xFF00FF, 0x00FF00, 0x00FFFF, 0xFFFF00, 0xFFFFFF,
    0x777777, 0x0000AA, 0xAA0000, 0xAA00AA, 0x00AA00, 0x00AAAA, 0xAAAA00, 0xAAAAAA,
};

bool leadByte(uint8_t b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
bool trailByte(uint8_t b) { return b >= 0x40 && b <= 0xFC && b != 0x7F; }

// True when column c of `t` starts a double-byte pair (scanning from 0).
bool pairStartsAt(const std::string& t, int c) {
    int i = 0;
    while (i < c) {
        const bool pair = leadByte(static_cast<uint8_t>(t[static_cast<size_t>(i)])) &&
                          i + 1 < static_cast<int>(t.size());
        i += pair ? 2 : 1;
    }
    return i == c && c + 1 < static_cast<int>(t.size()) &&
           leadByte(static_cast<uint8_t>(t[static_cast<size_t>(c)]));
}

}  // namespace

uint32_t TextScreen::digitalColour(int i) { return kDigital[static_cast<size_t>(i & 7)]; }
uint32_t TextScreen::analogColour(int i) { return kAnalog[static_cast<size_t>(i & 15)]; }

TextScreen::TextScreen() {
    for (int i = 0; i < 8; ++i) palette_[static_cast<size_t>(i)] = kDigital[static_cast<size_t>(i)];
    for (int r = 0; r < Rows; ++r) clearRow(r, keyRgb());
    markAll();
}

// ------------------------------------------------------------ cells

void TextScreen::clearRow(int r, uint32_t bgRgb) {
    Row& row = at(r);
    row.text.clear();
    row.fg.fill(textRgb());
    row.bg.fill(bgRgb);
    row.first = row.last = -1;
    markRows(r, r);
}

void TextScreen::pad(int r, int n) {
    n = std::min(n, Cols);
    std::string& t = at(r).text;
    if (static_cast<int>(t.size()) < n) t.resize(static_cast<size_t>(n), ' ');
}

int TextScreen::lastUsedRow(int upTo) const {
    for (int r = std::min(upTo, Rows - 1); r >= 0; --r)
        if (at(r).text.find_first_not_of(' ') != std::string::npos) return r;
    return -1;
}

void TextScreen::clearBand(int top, int end, uint32_t bgRgb) {
    top = std::max(top, 0);
    end = std::min(end, Rows);
    for (int r = top; r < end; ++r) {
        const int first = at(r).first;
        const int last = at(r).last;
        clearRow(r, bgRgb);
        at(r).first = first;
        at(r).last = last;
    }
}

void TextScreen::fillBackground(uint32_t rgb) {
    for (Row& row : rows_) row.bg.fill(rgb);
    markAll();
}

// ------------------------------------------------------------ cursor

void TextScreen::setCursor(int c, int r) {
    if (c < 0) c = -c;
    if (c > Cols - 1) c = Cols - 1;
    if (r < 0) r = 0;
    if (r > 23) r = 24;
    col_ = c;
    row_ = r;
    noteRow();
}

void TextScreen::noteRow() {
    if (row_ > highest_) highest_ = std::min(row_, 24);
}

// ------------------------------------------------------------ writing

// A piece of text that overwrites half of a double-byte character leaves
// a blank in the other half, so the row never holds a broken pair.
void TextScreen::breakPairsAround(Row& row, int c, int n) {
    std::string& t = row.text;
    const int size = static_cast<int>(t.size());
    const int e = c + n - 1;
    // Both tests look at the row as it is before anything changes.
    const bool headCut = c > 0 && c < size &&
                         leadByte(static_cast<uint8_t>(t[static_cast<size_t>(c - 1)])) && pairStartsAt(t, c - 1);
    const bool tailCut = e >= 0 && e + 1 < size &&
                         leadByte(static_cast<uint8_t>(t[static_cast<size_t>(e)])) && pairStartsAt(t, e);
    if (headCut) t[static_cast<size_t>(c - 1)] = ' ';
    if (tailCut) t[static_cast<size_t>(e + 1)] = ' ';
}

// Stores n bytes at the cursor: one double-byte character, or single-byte
// characters that fit on the row.
void TextScreen::putCells(const uint8_t* bytes, int n) {
    if (n == 2 && col_ == Cols - 1) nextRow();  // a pair never straddles rows
    Row& row = at(row_);
    if (static_cast<int>(row.text.size()) < col_ + n) {
        breakPairsAround(row, col_, n);
        row.text.resize(static_cast<size_t>(col_), ' ');
        row.text.append(reinterpret_cast<const char*>(bytes), static_cast<size_t>(n));
    } else {
        breakPairsAround(row, col_, n);
        for (int k = 0; k < n; ++k) row.text[static_cast<size_t>(col_ + k)] = static_cast<char>(bytes[k]);
    }
    const uint32_t fg = textRgb();
    const uint32_t bg = keyRgb();
    for (int k = 0; k < n; ++k) {
        row.fg[static_cast<size_t>(col_ + k)] = fg;
        row.bg[static_cast<size_t>(col_ + k)] = bg;
    }
    markRows(row_, row_);
    col_ += n;
    if (col_ >= Cols) nextRow();
}

void TextScreen::nextRow() {
    col_ = 0;
    if (row_ >= lastScroll_)
        scrollUp();
    else
        ++row_;
    noteRow();
}

void TextScreen::newline() { nextRow(); }

void TextScreen::afterControl() {
    if (row_ == lastScroll_) scrollUp();
}

void TextScreen::write(std::string_view text) {
    if (col_ < 0) col_ = -col_;
    if (col_ > Cols - 1) col_ = Cols - 1;
    if (row_ < 0) row_ = 0;
    if (row_ > Rows - 1) row_ = Rows - 1;
    const size_t n = text.size();
    for (size_t i = 0; i < n; ++i) {
        uint8_t b = static_cast<uint8_t>(text[i]);
        if (b >= 0x20 && b < 0x80) {
            // A run of single-byte characters that fits on the row is
            // stored in one go.
            const size_t room = static_cast<size_t>(Cols - col_);
            size_t m = 1;
            while (m < room && i + m < n) {
                const uint8_t x = static_cast<uint8_t>(text[i + m]);
                if (x < 0x20 || x >= 0x80) break;
                ++m;
            }
            putCells(reinterpret_cast<const uint8_t*>(text.data() + i), static_cast<int>(m));
            i += m - 1;
            continue;
        }
        if (b >= 0x20) {
            if (leadByte(b) && i + 1 < n && trailByte(static_cast<uint8_t>(text[i + 1]))) {
                const uint8_t pair[2] = {b, static_cast<uint8_t>(text[i + 1])};
                putCells(pair, 2);
                ++i;
                continue;
            }
            if (b == 0xA0) b = ' ';
            putCells(&b, 1);
            continue;
        }
        switch (b) {
        case 9: {
            const int c = (col_ / 8 + 1) * 8;
            if (c >= Cols)
                nextRow();
            else
                col_ = c;
            if (c < Cols) afterControl();
            break;
        }
        case 10:
            nextRow();
            break;
        case 31: {
            const int c = col_;
            nextRow();
            col_ = c;
            break;
        }
        case 7:
            if (onBeep) onBeep();
            afterControl();
            break;
        case 8:
        case 28:
            if (col_ > 0) --col_;
            afterControl();
            break;
        case 29:
            if (col_ < Cols - 1) ++col_;
            afterControl();
            break;
        case 30:
            if (row_ > 0) --row_;
            afterControl();
            break;
        case 13:
            col_ = 0;
            afterControl();
            break;
        case 11:
            col_ = 0;
            row_ = 0;
            afterControl();
            break;
        case 12:
            clearAll();
            afterControl();
            break;
        default:
            afterControl();
            break;
        }
    }
}

void TextScreen::scrollUp() {
    const int top = winTop_;
    const int end = winEnd_;
    if (end - top >= 1) {
        if (onScrollOff) onScrollOff(at(top).text);
        if (top == 0 && end == Rows) {
            base_ = (base_ + 1) % Rows;
            for (int r = 0; r < end - 1; ++r) {
                Row& row = at(r);
                row.first = row.first < 0 ? -1 : row.first - 1;
                row.last = row.last < 0 ? -1 : row.last - 1;
            }
        } else {
            for (int r = top; r < end - 1; ++r) {
                Row& dst = at(r);
                Row& src = at(r + 1);
                dst.text = std::move(src.text);
                dst.fg = src.fg;
                dst.bg = src.bg;
                dst.first = src.first < 0 ? -1 : src.first - 1;
                dst.last = src.last < 0 ? -1 : src.last - 1;
            }
        }
        clearRow(end - 1, keyRgb());
        markRows(top, end - 1);
    }
    int r = end - 1;
    if (r > 23) r = lastScroll_ >= 24 ? 24 : 23;
    row_ = std::max(r, 0);
    highest_ = row_;
    unlink(row_);
}

void TextScreen::typeByte(uint8_t b, bool insert) {
    if (col_ < 0) col_ = -col_;
    if (col_ >= Cols) col_ = Cols - 1;
    Row& row = at(row_);
    const size_t c = static_cast<size_t>(col_);
    if (row.text.size() <= c) {
        row.text.resize(c, ' ');
        row.text.push_back(static_cast<char>(b));
    } else if (insert) {
        row.text.insert(row.text.begin() + static_cast<std::ptrdiff_t>(c), static_cast<char>(b));
        if (row.text.size() > static_cast<size_t>(Cols)) row.text.resize(Cols);
        std::copy_backward(row.fg.begin() + static_cast<std::ptrdiff_t>(c), row.fg.end() - 1, row.fg.end());
        std::copy_backward(row.bg.begin() + static_cast<std::ptrdiff_t>(c), row.bg.end() - 1, row.bg.end());
    } else {
        row.text[c] = static_cast<char>(b);
    }
    row.fg[c] = textRgb();
    row.bg[c] = keyRgb();
    markRows(row_, row_);
    ++col_;
    if (col_ > Cols - 1) {
        // The line wraps: link this row with the next one.
        const int cur = row_;
        const int first = at(cur).first >= 0 ? at(cur).first : cur;
        int next = cur + 1;
        int moved = 0;  // rows the scroll moved the line up
        if (cur >= lastScroll_) {
            const bool inWindow = cur >= winTop_ && cur < winEnd_;
            scrollUp();
            moved = inWindow ? 1 : 0;
            next = std::min(cur + 1 - moved, Rows - 1);
        }
        const int first2 = std::max(first - moved, 0);
        clearRow(next, keyRgb());
        for (int r = first2; r <= next; ++r) setLink(r, first2, next);
        col_ = 0;
        row_ = next;
        noteRow();
    }
}

std::string TextScreen::takeLogicalLine() {
    const int cur = row_;
    int first = at(cur).first >= 0 ? at(cur).first : cur;
    if (first > cur) first = cur;
    std::string out;
    for (int r = first; r <= cur; ++r) out += at(r).text;
    // Close the line at the cursor row; rows below that pointed into it
    // stand alone now.
    const int last = at(cur).last;
    for (int r = cur + 1; r <= last && r < Rows; ++r) unlink(r);
    if (first == cur) {
        unlink(cur);
    } else {
        for (int r = first; r <= cur; ++r) setLink(r, first, cur);
    }
    return out;
}

void TextScreen::clearRows() {
    for (int r = winTop_; r < winEnd_; ++r) clearRow(r, keyRgb());
    for (int r = winTop_; r <= lastScroll_ && r < Rows; ++r) unlink(r);
    col_ = 0;
    row_ = 0;
    highest_ = -1;
}

void TextScreen::clearAll() {
    for (int r = 0; r < Rows; ++r) clearRow(r, keyRgb());
    col_ = 0;
    row_ = 0;
    highest_ = -1;
}

// ------------------------------------------------------- console window

void TextScreen::setConsole(int top, int count) {
    winTop_ = top;
    winCount_ = count;
    winEnd_ = std::min(top + count, Rows);
    lastScroll_ = count >= 1 ? winEnd_ - 1 : winEnd_;
    if (lastScroll_ < 0 || lastScroll_ > 24) lastScroll_ = 24;
    // A logical line that crosses the top edge ends above it; one that
    // crosses the last scroll row ends there. Rows cut off stand alone, and
    // so does a line left with a single row.
    auto cut = [this](int edgeLast) {
        for (int r = 0; r < Rows; ++r) {
            Row& row = at(r);
            if (row.first < 0 || row.first > edgeLast || row.last <= edgeLast) continue;
            if (r > edgeLast) {
                row.first = row.last = -1;
            } else {
                row.last = edgeLast;
            }
        }
        for (Row& row : rows_)
            if (row.first >= 0 && row.first == row.last) row.first = row.last = -1;
    };
    if (top > 0) cut(top - 1);
    cut(lastScroll_);
}

void TextScreen::setFkeyLine(bool on) {
    fkeyOn_ = on;
    markRows(FkeyRow, FkeyRow);
}

// ------------------------------------------------------------ colours

void TextScreen::setPaletteEntry(int i, uint32_t rgb) {
    palette_[static_cast<size_t>(i & 15)] = rgb;
    // The clear colour is the transparent key and the colour under hidden
    // graphics: every row looks different now.
    if ((i & 15) == clear_) markAll();
}

void TextScreen::setPaletteMode(int mode) {
    paletteMode_ = mode;
    const uint32_t oldKey = keyRgb();
    if (mode == 0) {
        for (size_t i = 0; i < 8; ++i) palette_[i] = kDigital[i];
    } else if (mode == 1) {
        for (size_t i = 0; i < 8; ++i) palette_[i] = kAnalog[i];
    } else {
        palette_ = kAnalog;
    }
    if (keyRgb() != oldKey) markAll();
}

void TextScreen::setClearColour(int c) {
    const uint32_t oldKey = keyRgb();
    clear_ = c & 15;
    const uint32_t key = keyRgb();
    if (key == oldKey) return;
    for (Row& row : rows_)
        for (uint32_t& bg : row.bg)
            if (bg == oldKey) bg = key;
    markAll();
}

// ------------------------------------------------------ redraw tracking

void TextScreen::markRows(int first, int last) {
    first = std::max(first, 0);
    last = std::min(last, Rows - 1);
    if (first > last) return;
    if (dirtyFirst_ < 0) {
        dirtyFirst_ = first;
        dirtyLast_ = last;
        return;
    }
    dirtyFirst_ = std::min(dirtyFirst_, first);
    dirtyLast_ = std::max(dirtyLast_, last);
}

bool TextScreen::takeDirtyRows(int& first, int& last) {
    if (dirtyFirst_ < 0) return false;
    first = dirtyFirst_;
    last = dirtyLast_;
    dirtyFirst_ = dirtyLast_ = -1;
    return true;
}

}  // namespace tw
