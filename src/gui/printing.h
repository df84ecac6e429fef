// Printing of the program listing or of the screen image: the settings of
// the CPrint_Pat dialog, pagination of the listing, rendering of a page and
// the print loop shared by printing, print preview and PDF output.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <QImage>
#include <QSizeF>

class QPageLayout;
class QPrinter;

namespace tw {

class Interpreter;

struct PrintSettings {
    enum Kind { Listing = 0, Screen = 1 };
    int kind = Listing;
    bool reverse = false;  // screen printed with every colour inverted
    int first = 1;         // program line positions (1-based), not line numbers
    int last = 65536;
    int linesPerPage = 50;  // 50, 75 or 100
    // Each page's first and last line position, made by pagination.
    std::vector<std::pair<int, int>> pages;
};

// A listing row holds 120 bytes; 121 when the 120th byte is 0 or a
// Shift-JIS lead byte, so a double-byte character is never split.
constexpr int PrintRowBytes = 120;
// Vertical distance of listing rows on the page image.
constexpr int PrintRowPitch = 18;

// The rows a program line prints as (trailing CR LF removed; an empty line
// is one empty row).
std::vector<std::string> printRows(std::string_view line);

// Splits lines first..last (1-based positions into `lines`, last clipped to
// the count) into pages of at most `linesPerPage` rows. A line that does
// not fit on the page starts the next one.
std::vector<std::pair<int, int>> paginate(const std::vector<std::string>& lines, int first, int last,
                                          int linesPerPage);
// The program's lines, for pagination and page images.
std::vector<std::string> programLines(const Interpreter& in);

// Paper size in thousandths of an inch, landscape swapping the sides.
QSizeF paperThousandths(const QPageLayout& layout);

// Page image of listing page `page` (0-based) of `s.pages`.
QImage renderListingPage(const std::vector<std::string>& lines, const PrintSettings& s, int page);
// The 640x400 screen as shown, inverted when `reverse`.
QImage screenImage(Interpreter& in, bool reverse);

// Number of pages the settings print.
int pageCount(const PrintSettings& s);
// Prints the pages (those of the printer's page range when it has one).
void printPages(QPrinter& printer, Interpreter& in, const PrintSettings& s);

// Draws CP932 text with the screen font, one 8x16 cell per byte.
void drawCp932(QImage& img, int x, int y, std::string_view text, QRgb colour);

}  // namespace tw
