// Printing: listing rows and pages, paper sizes, page images, the
// CPrint_Pat dialog, and whole print jobs written as PDF.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QPageLayout>
#include <QRadioButton>
#include <QTemporaryDir>

#include "gui/commands.h"
#include "gui/printing.h"
#include "gui/printpat.h"
#include "gui_support.h"

using namespace tw;
using twtest::Window;

namespace {

std::vector<size_t> rowSizes(const std::string& line) {
    std::vector<size_t> out;
    for (const std::string& r : printRows(line)) out.push_back(r.size());
    return out;
}

TEST(Printing, ListingRowsOf120Bytes) {
    std::string lead(119, 'a');
    lead += "\x82\xA0";  // a double-byte character across the 120th byte
    lead += "bbb";
    struct Case {
        const char* name;
        std::string line;
        std::vector<size_t> rows;
    };
    const Case cases[] = {
        {"empty", "", {0}},
        {"short", "10 PRINT 1\r\n", {10}},
        {"exactly 120", std::string(120, 'x'), {120}},
        {"250 bytes", std::string(250, 'x'), {120, 120, 10}},
        {"lead byte at 120", lead, {121, 3}},
    };
    for (const Case& c : cases) EXPECT_EQ(rowSizes(c.line), c.rows) << c.name;
}

TEST(Printing, PaginationMovesALineThatDoesNotFitToTheNextPage) {
    const std::string shortLine = "10 PRINT 1";
    const std::string longLine(250, 'x');  // three rows
    struct Case {
        const char* name;
        std::vector<std::string> lines;
        int first, last, perPage;
        std::vector<std::pair<int, int>> pages;
    };
    const Case cases[] = {
        {"fits", std::vector<std::string>(50, shortLine), 1, 65536, 50, {{1, 50}}},
        {"one over", std::vector<std::string>(51, shortLine), 1, 65536, 50, {{1, 50}, {51, 51}}},
        {"120 lines", std::vector<std::string>(120, shortLine), 1, 120, 50, {{1, 50}, {51, 100}, {101, 120}}},
        {"75 a page", std::vector<std::string>(120, shortLine), 1, 120, 75, {{1, 75}, {76, 120}}},
        {"range", std::vector<std::string>(120, shortLine), 11, 30, 50, {{11, 30}}},
        {"last clipped", std::vector<std::string>(5, shortLine), 2, 65536, 50, {{2, 5}}},
        {"empty range", std::vector<std::string>(5, shortLine), 7, 9, 50, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(paginate(c.lines, c.first, c.last, c.perPage), c.pages) << c.name;
    // 48 short lines then a three-row line: 51 rows, the long one moves.
    std::vector<std::string> mixed(48, shortLine);
    mixed.push_back(longLine);
    mixed.push_back(shortLine);
    EXPECT_EQ(paginate(mixed, 1, 50, 50), (std::vector<std::pair<int, int>>{{1, 48}, {49, 50}}));
}

TEST(Printing, PaperSizesInThousandthsOfAnInch) {
    struct Case {
        QPageSize::PageSizeId id;
        QPageLayout::Orientation orientation;
        QSizeF size;
    };
    const Case cases[] = {
        {QPageSize::A4, QPageLayout::Portrait, {8267, 11692}},
        {QPageSize::A4, QPageLayout::Landscape, {11692, 8267}},
        {QPageSize::Letter, QPageLayout::Portrait, {8500, 11000}},
        {QPageSize::Legal, QPageLayout::Portrait, {8500, 14000}},
        {QPageSize::A3, QPageLayout::Portrait, {11692, 16535}},
    };
    for (const Case& c : cases) {
        const QPageLayout layout(QPageSize(c.id), c.orientation, QMarginsF());
        EXPECT_EQ(paperThousandths(layout), c.size) << c.id << " " << c.orientation;
    }
}

bool anyBlack(const QImage& img, const QRect& r) {
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if ((img.pixel(x, y) & 0xFFFFFF) == 0) return true;
    return false;
}

TEST(Printing, ListingPageImage) {
    PrintSettings s;
    s.linesPerPage = 50;
    const std::vector<std::string> lines = {"10 PRINT 1", std::string(130, 'x'), "30 END"};
    s.pages = {{1, 2}, {3, 3}};
    const QImage page = renderListingPage(lines, s, 0);
    EXPECT_EQ(page.size(), QSize(1024, 55 * 18));
    // Rows 18 apart from the top: line 1, then two rows of line 2.
    EXPECT_TRUE(anyBlack(page, QRect(1, 0, 80, 16)));
    EXPECT_TRUE(anyBlack(page, QRect(1, 18, 960, 16)));
    EXPECT_TRUE(anyBlack(page, QRect(1, 36, 80, 16)));
    EXPECT_FALSE(anyBlack(page, QRect(1, 54, 960, 16)));
    // "-1-" at x 200 on row 53.
    EXPECT_TRUE(anyBlack(page, QRect(200, 53 * 18, 24, 16)));
    EXPECT_FALSE(anyBlack(page, QRect(0, 53 * 18, 199, 16)));
}

TEST(Printing, NegativeScreenInvertsEveryPixel) {
    Window w;
    w.line("PRINT \"PIXELS\"");
    const QImage pos = screenImage(w.in(), false);
    const QImage neg = screenImage(w.in(), true);
    ASSERT_EQ(pos.size(), QSize(640, 400));
    int mismatches = 0;
    for (int y = 0; y < 400; ++y)
        for (int x = 0; x < 640; ++x)
            if ((((pos.pixel(x, y) ^ neg.pixel(x, y)) & 0xFFFFFF) ^ 0xFFFFFF) != 0) ++mismatches;
    EXPECT_EQ(mismatches, 0);
}

TEST(Printing, SettingsDialogShownAgainWhileTheRangeIsReversed) {
    Window w;
    PrintSettings bad;
    bad.first = 30;
    bad.last = 10;
    PrintSettings good;
    good.first = 2;
    good.last = 65536;
    w.dialogs.patterns = {bad, good};
    PrintSettings out;
    ASSERT_TRUE(w.frame->askPrintSettings(out));
    EXPECT_EQ(w.dialogs.patternCalls, 2);
    // The last line is clipped to the program (empty here).
    EXPECT_EQ(out.last, 0);
    EXPECT_TRUE(out.pages.empty());
    // Cancel stops printing before the printer dialog.
    w.command(ID_FILE_PRINT);
    EXPECT_EQ(w.dialogs.printDialogs, 0);
}

TEST(Printing, SettingsDialogFields) {
    CPrint_Pat dlg;
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("リスト／画面印刷選択"));
    EXPECT_TRUE(dlg.listingRadio()->isChecked());
    EXPECT_TRUE(dlg.pageRadio(0)->isChecked());
    EXPECT_EQ(dlg.firstEdit()->text(), QStringLiteral("1"));
    EXPECT_EQ(dlg.lastEdit()->text(), QStringLiteral("65536"));
    EXPECT_EQ(dlg.pageRadio(1)->text(), QStringLiteral("１頁７５行（B4標準）"));

    dlg.lastEdit()->setText(QStringLiteral("70000"));
    dlg.accept();
    EXPECT_NE(dlg.result(), QDialog::Accepted);
    EXPECT_FALSE(dlg.problem().isEmpty());

    dlg.firstEdit()->setText(QStringLiteral("5"));
    dlg.lastEdit()->setText(QStringLiteral("9"));
    dlg.pageRadio(2)->click();
    dlg.screenRadio()->click();
    dlg.negativeRadio()->click();
    dlg.accept();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    PrintSettings s;
    dlg.settings(s);
    EXPECT_EQ(s.first, 5);
    EXPECT_EQ(s.last, 9);
    EXPECT_EQ(s.linesPerPage, 100);
    EXPECT_EQ(s.kind, PrintSettings::Screen);
    EXPECT_TRUE(s.reverse);
    EXPECT_FALSE(dlg.listingRadio()->isChecked());
}

// Whole print jobs into PDF files: the page count follows the settings.
TEST(Printing, PrintJobsToPdf) {
    struct Case {
        const char* name;
        int kind;
        int perPage;
        int first, last;
        int pages;
    };
    const Case cases[] = {
        {"listing 50 a page", PrintSettings::Listing, 50, 1, 65536, 3},
        {"listing 100 a page", PrintSettings::Listing, 100, 1, 65536, 2},
        {"listing range", PrintSettings::Listing, 50, 10, 40, 1},
        {"screen", PrintSettings::Screen, 50, 1, 65536, 1},
    };
    QTemporaryDir dir;
    Window w;
    QString text;
    for (int n = 1; n <= 120; ++n) text += QStringLiteral("%1 PRINT %1\n").arg(n * 10);
    QApplication::clipboard()->setText(text);
    w.command(ID_PASTE_ALL);
    ASSERT_EQ(w.in().lineCount(), 120);
    int k = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PrintSettings s;
        s.kind = c.kind;
        s.linesPerPage = c.perPage;
        s.first = c.first;
        s.last = c.last;
        w.dialogs.patterns = {s};
        w.dialogs.pdfPath = dir.filePath(QStringLiteral("out%1.pdf").arg(k++));
        w.command(ID_FILE_PRINT);
        EXPECT_EQ(w.dialogs.lastPageCount, c.pages);
        EXPECT_EQ(twtest::pdfPageCount(w.dialogs.pdfPath), c.pages);
    }
    // Print preview draws the same pages.
    PrintSettings s;
    w.dialogs.patterns = {s};
    w.dialogs.pdfPath = dir.filePath(QStringLiteral("preview.pdf"));
    w.command(ID_FILE_PRINT_PREVIEW);
    EXPECT_EQ(w.dialogs.previews, 1);
    EXPECT_EQ(twtest::pdfPageCount(w.dialogs.pdfPath), 3);
}

}  // namespace
