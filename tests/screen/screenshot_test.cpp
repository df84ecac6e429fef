// --screenshot of the batch driver: the PNG holds the 640x400 composite.
#include <gtest/gtest.h>

#include <QImage>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

// Runs the batch driver on `program` and loads the screenshot it writes.
QImage shoot(const std::string& name, const std::string& program, int* exitCode = nullptr) {
    const std::string dir = ::testing::TempDir();
    const std::string bas = dir + name + ".bas";
    const std::string png = dir + name + ".png";
    std::remove(png.c_str());
    std::ofstream(bas) << program;
    const std::string cmd = std::string("'") + TARNWICK_EXE + "' --batch --screenshot '" + png + "' '" + bas +
                            "' </dev/null >/dev/null 2>&1";
    const int rc = std::system(cmd.c_str());
    if (exitCode) *exitCode = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    return QImage(QString::fromStdString(png));
}

TEST(ScreenshotTest, WritesTheCompositeAsPng) {
    // Blue background, a red "A" at the home cell, the function-key line.
    const QImage img = shoot("shot", "10 COLOR 2,1:CLS 3:PRINT \"A\"\n");
    ASSERT_FALSE(img.isNull());
    EXPECT_EQ(img.width(), 640);
    EXPECT_EQ(img.height(), 400);
    EXPECT_EQ(img.pixel(300, 150) & 0xFFFFFF, 0x0000FFu);
    // 'A' glyph row 9 is 0x7E: pixels 1..6 red, 0 and 7 background.
    EXPECT_EQ(img.pixel(0, 9) & 0xFFFFFF, 0x0000FFu);
    for (int x = 1; x <= 6; ++x) EXPECT_EQ(img.pixel(x, 9) & 0xFFFFFF, 0xFF0000u) << x;
    EXPECT_EQ(img.pixel(7, 9) & 0xFFFFFF, 0x0000FFu);
    // Function-key box 0 is white at its last column.
    EXPECT_EQ(img.pixel(52, 390) & 0xFFFFFF, 0xFFFFFFu);
}

TEST(ScreenshotTest, UnwritableFileFails) {
    const std::string cmd = std::string("'") + TARNWICK_EXE +
                            "' --batch --screenshot /nonexistent-dir/x.png </dev/null >/dev/null 2>&1";
    const int rc = std::system(cmd.c_str());
    ASSERT_TRUE(WIFEXITED(rc));
    EXPECT_EQ(WEXITSTATUS(rc), 2);
}

}  // namespace
