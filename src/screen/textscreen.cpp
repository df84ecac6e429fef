#include "screen/textscreen.h"

#include <algorithm>

namespace tw {

TextScreen::TextScreen() {
    for (int r = 0; r < Rows; ++r) clearRow(r);
}

void TextScreen::clearRow(int r) {
    Row& row = rows_[r];
    row.text.clear();
    row.fg.fill(fgRgb);
    row.bg.fill(bgRgb);
    row.first = row.last = -1;
}

void TextScreen::pad(int r, int n) {
    std::string& t = rows_[r].text;
    if (static_cast<int>(t.size()) < n) {
        for (int c = static_cast<int>(t.size()); c < n && c <= Cols; ++c) {
            rows_[r].fg[c] = fgRgb;
            rows_[r].bg[c] = bgRgb;
        }
        t.resize(n, ' ');
    }
}

void TextScreen::putByte(uint8_t b) {
    if (col_ >= Cols) newline();
    if (row_ < 0) row_ = 0;
    if (row_ >= Rows) row_ = Rows - 1;
    Row& row = rows_[row_];
    pad(row_, col_);
    if (static_cast<int>(row.text.size()) > col_)
        row.text[col_] = static_cast<char>(b);
    else
        row.text.push_back(static_cast<char>(b));
    row.fg[col_] = fgRgb;
    row.bg[col_] = bgRgb;
    ++col_;
}

void TextScreen::write(std::string_view text) {
    for (size_t i = 0; i < text.size(); ++i) {
        const uint8_t b = static_cast<uint8_t>(text[i]);
        if (b >= 0x20) {
            // A double-byte character never straddles two rows.
            const bool lead = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
            if (lead && i + 1 < text.size() && col_ == Cols - 1) newline();
            putByte(b == 0xA0 && !(i > 0 && lead) ? b : b);
            continue;
        }
        switch (b) {
        case 7:
            if (onBeep) onBeep();
            break;
        case 8:
        case 28:
            if (col_ > 0) --col_;
            break;
        case 29:
            if (col_ < Cols - 1) ++col_;
            break;
        case 30:
            if (row_ > 0) --row_;
            break;
        case 31:
            if (row_ >= lastScroll_)
                scrollUp();
            else
                ++row_;
            break;
        case 9: {
            int c = (col_ / 8 + 1) * 8;
            if (c >= Cols)
                newline();
            else {
                pad(row_, c);
                col_ = c;
            }
            break;
        }
        case 10:
            newline();
            break;
        case 13:
            col_ = 0;
            break;
        case 11:
            col_ = 0;
            row_ = 0;
            break;
        case 12:
            clearAll();
            break;
        default:
            break;
        }
    }
}

void TextScreen::newline() {
    col_ = 0;
    if (row_ >= lastScroll_)
        scrollUp();
    else
        ++row_;
}

void TextScreen::scrollUp() {
    const int top = winTop_;
    const int end = winEnd_;
    if (end - top < 1) return;
    if (onScrollOff) onScrollOff(rows_[top].text);
    for (int r = top; r < end - 1; ++r) {
        rows_[r] = rows_[r + 1];
        if (rows_[r].first >= 0) --rows_[r].first;
        if (rows_[r].last >= 0) --rows_[r].last;
        if (rows_[r].first < top) rows_[r].first = rows_[r].first < 0 ? -1 : top;
    }
    clearRow(end - 1);
    int r = end - 1;
    if (r > 23) r = lastScroll_ >= 24 ? 24 : 23;
    row_ = r;
    rows_[row_].first = rows_[row_].last = -1;
}

void TextScreen::typeByte(uint8_t b, bool insert) {
    if (col_ < 0) col_ = -col_;
    if (col_ >= Cols) col_ = Cols - 1;
    Row& row = rows_[row_];
    if (static_cast<int>(row.text.size()) <= col_) {
        pad(row_, col_);
        row.text.push_back(static_cast<char>(b));
    } else if (insert) {
        row.text.insert(row.text.begin() + col_, static_cast<char>(b));
        if (row.text.size() > static_cast<size_t>(Cols)) row.text.resize(Cols);
    } else {
        row.text[col_] = static_cast<char>(b);
    }
    row.fg[col_] = fgRgb;
    row.bg[col_] = bgRgb;
    ++col_;
    if (col_ > Cols - 1) {
        // The line wraps: link this row with the next one.
        const int cur = row_;
        const int first = rows_[cur].first >= 0 ? rows_[cur].first : cur;
        int next = cur + 1;
        if (cur >= lastScroll_) {
            scrollUp();
            next = row_;
        }
        const int cur2 = next - 1;
        const int first2 = first - (cur - cur2);
        clearRow(next);
        for (int r = std::max(first2, 0); r <= next; ++r) setLink(r, std::max(first2, 0), next);
        col_ = 0;
        row_ = next;
    }
}

std::string TextScreen::takeLogicalLine() {
    const int cur = row_;
    int first = rows_[cur].first >= 0 ? rows_[cur].first : cur;
    if (first > cur) first = cur;
    std::string out;
    for (int r = first; r <= cur; ++r) out += rows_[r].text;
    // Close the line at the cursor row; rows below that pointed into it
    // stand alone now.
    const int last = rows_[cur].last;
    for (int r = cur + 1; r <= last && r < Rows; ++r) unlink(r);
    if (first == cur) {
        unlink(cur);
    } else {
        for (int r = first; r <= cur; ++r) setLink(r, first, cur);
    }
    return out;
}

void TextScreen::clearRows() {
    for (int r = winTop_; r < winEnd_; ++r) clearRow(r);
    col_ = 0;
    row_ = 0;
}

void TextScreen::clearAll() {
    for (int r = 0; r < Rows; ++r) clearRow(r);
    col_ = 0;
    row_ = 0;
}

void TextScreen::setConsole(int top, int count) {
    winTop_ = top;
    winCount_ = count;
    winEnd_ = std::min(top + count, 25);
    lastScroll_ = count >= 1 ? winEnd_ - 1 : winEnd_;
    if (lastScroll_ < 0 || lastScroll_ > 24) lastScroll_ = 24;
    // Logical lines are cut at the window edges.
    for (int r = 0; r < Rows; ++r) {
        Row& row = rows_[r];
        if (row.first < 0) continue;
        if (r < top && row.last >= top) row.last = top - 1;
        if (r >= top && row.first < top) row.first = top;
        if (r <= lastScroll_ && row.last > lastScroll_) row.last = lastScroll_;
        if (row.first == row.last) row.first = row.last = -1;
    }
}

int TextScreen::lastUsedRow(int upTo) const {
    for (int r = std::min(upTo, Rows - 1); r >= 0; --r) {
        const std::string& t = rows_[r].text;
        if (t.find_first_not_of(' ') != std::string::npos) return r;
    }
    return -1;
}

}  // namespace tw
