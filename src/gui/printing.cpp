#include "gui/printing.h"

#include <algorithm>
#include <cmath>

#include <QPageLayout>
#include <QPainter>
#include <QPrinter>

#include "core/interp.h"
#include "screen/font.h"

namespace tw {

namespace {

bool leadByte(uint8_t b) { return (b >= 0x81 && b <= 0x9F) || b >= 0xE0; }

double thousandths(double v, QPageSize::Unit unit) {
    const double inches = unit == QPageSize::Inch ? v : unit == QPageSize::Millimeter ? v / 25.4 : v / 72.0;
    // A hair up so that sizes defined as exact inches survive the division.
    return std::floor(inches * 1000.0 + 1e-3);
}

}  // namespace

std::vector<std::string> printRows(std::string_view line) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
    std::vector<std::string> rows;
    size_t i = 0;
    do {
        size_t take = PrintRowBytes;
        const size_t at = i + PrintRowBytes - 1;
        if (at < line.size()) {
            const auto b = static_cast<uint8_t>(line[at]);
            if (b == 0 || leadByte(b)) take = PrintRowBytes + 1;
        }
        take = std::min(take, line.size() - i);
        rows.emplace_back(line.substr(i, take));
        i += take;
    } while (i < line.size());
    return rows;
}

std::vector<std::pair<int, int>> paginate(const std::vector<std::string>& lines, int first, int last,
                                          int linesPerPage) {
    std::vector<std::pair<int, int>> pages;
    first = std::max(first, 1);
    last = std::min(last, static_cast<int>(lines.size()));
    if (first > last) return pages;
    int pageFirst = first;
    int count = 0;
    for (int pos = first; pos <= last; ++pos) {
        const int rows = static_cast<int>(printRows(lines[static_cast<size_t>(pos - 1)]).size());
        count += rows;
        if (count >= linesPerPage + 1 && pos > pageFirst) {
            // The page ends with the previous line; this one opens the next.
            pages.emplace_back(pageFirst, pos - 1);
            pageFirst = pos;
            count = rows;
        }
    }
    pages.emplace_back(pageFirst, last);
    return pages;
}

std::vector<std::string> programLines(const Interpreter& in) {
    std::vector<std::string> lines;
    lines.reserve(static_cast<size_t>(in.lineCount()));
    for (int i = 0; i < in.lineCount(); ++i) lines.push_back(in.lineText(i));
    return lines;
}

QSizeF paperThousandths(const QPageLayout& layout) {
    const QPageSize ps = layout.pageSize();
    const QPageSize::Unit unit = ps.definitionUnits();
    const QSizeF def = ps.definitionSize();
    QSizeF r(thousandths(def.width(), unit), thousandths(def.height(), unit));
    if (layout.orientation() == QPageLayout::Landscape) r.transpose();
    return r;
}

void drawCp932(QImage& img, int x, int y, std::string_view text, QRgb colour) {
    auto plot = [&](const uint8_t* bits, int stride, int x0) {
        for (int gy = 0; gy < 16; ++gy)
            for (int gx = 0; gx < 8 * stride; ++gx)
                if (bits[gy * stride + gx / 8] & (0x80 >> (gx % 8))) {
                    const int px = x0 + gx, py = y + gy;
                    if (px >= 0 && py >= 0 && px < img.width() && py < img.height()) img.setPixel(px, py, colour);
                }
    };
    for (size_t i = 0; i < text.size(); ++i) {
        const auto b = static_cast<uint8_t>(text[i]);
        if (leadByte(b) && i + 1 < text.size()) {
            const auto code = static_cast<uint16_t>(b << 8 | static_cast<uint8_t>(text[i + 1]));
            if (const uint8_t* g = font::fullGlyph(code)) plot(g, 2, x);
            x += 16;
            ++i;
            continue;
        }
        if (const uint8_t* g = font::halfGlyph(b)) plot(g, 1, x);
        x += 8;
    }
}

QImage renderListingPage(const std::vector<std::string>& lines, const PrintSettings& s, int page) {
    const int lpp = s.linesPerPage;
    QImage img(1024, (lpp + 5) * PrintRowPitch, QImage::Format_RGB32);
    img.fill(Qt::white);
    if (page < 0 || page >= static_cast<int>(s.pages.size())) return img;
    const auto [a, b] = s.pages[static_cast<size_t>(page)];
    int y = 0;
    for (int pos = a; pos <= b && pos <= static_cast<int>(lines.size()); ++pos)
        for (const std::string& row : printRows(lines[static_cast<size_t>(pos - 1)])) {
            drawCp932(img, 1, y, row, qRgb(0, 0, 0));
            y += PrintRowPitch;
        }
    drawCp932(img, 200, (lpp + 3) * PrintRowPitch, "-" + std::to_string(page + 1) + "-", qRgb(0, 0, 0));
    return img;
}

QImage screenImage(Interpreter& in, bool reverse) {
    const Framebuffer& fb = in.display().composite();
    QImage img(Framebuffer::Width, Framebuffer::Height, QImage::Format_RGB32);
    for (int y = 0; y < Framebuffer::Height; ++y) {
        auto* out = reinterpret_cast<QRgb*>(img.scanLine(y));
        const uint32_t* src = fb.row(y);
        for (int x = 0; x < Framebuffer::Width; ++x) out[x] = 0xFF000000u | src[x];
    }
    if (reverse) img.invertPixels();
    return img;
}

int pageCount(const PrintSettings& s) {
    return s.kind == PrintSettings::Screen ? 1 : static_cast<int>(s.pages.size());
}

void printPages(QPrinter& printer, Interpreter& in, const PrintSettings& s) {
    const int count = pageCount(s);
    if (count <= 0) return;
    int from = printer.fromPage();
    int to = printer.toPage();
    if (from <= 0) {
        from = 1;
        to = count;
    }
    to = std::min(to, count);
    if (from > to) return;
    printer.setFullPage(true);
    QPainter p;
    if (!p.begin(&printer)) return;
    const std::vector<std::string> lines = s.kind == PrintSettings::Listing ? programLines(in) : std::vector<std::string>{};
    for (int n = from; n <= to; ++n) {
        if (n > from) printer.newPage();
        // Page coordinates are thousandths of an inch from the paper's corner.
        const QSizeF paper = paperThousandths(printer.pageLayout());
        const QRectF dev = printer.paperRect(QPrinter::DevicePixel);
        p.setViewport(QRect(0, 0, qRound(dev.width()), qRound(dev.height())));
        p.setWindow(QRect(0, 0, qRound(paper.width()), qRound(paper.height())));
        const double w = paper.width(), h = paper.height();
        if (s.kind == PrintSettings::Listing) {
            const QImage img = renderListingPage(lines, s, n - 1);
            p.drawImage(QRectF(24, 8, w - 24, h - 8), img,
                        QRectF(0, 0, img.width(), (s.linesPerPage + 5) * PrintRowPitch));
        } else {
            const double f = std::min((w - 16) / Framebuffer::Width, (h - 16) / Framebuffer::Height);
            p.drawImage(QRectF(8, 8, Framebuffer::Width * f, Framebuffer::Height * f), screenImage(in, s.reverse));
        }
    }
    p.end();
}

}  // namespace tw
