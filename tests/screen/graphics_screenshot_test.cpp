// A composed graphics screen written by the batch driver's --screenshot,
// compared pixel for pixel with the picture the program describes.
#include <gtest/gtest.h>

#include <QImage>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

struct Box {
    int x1, y1, x2, y2;
    uint32_t rgb;
};

TEST(GraphicsScreenshot, BoxesViewAndClippedLine) {
    const std::string dir = ::testing::TempDir();
    const std::string bas = dir + "gfx_shot.bas";
    const std::string png = dir + "gfx_shot.png";
    std::remove(png.c_str());
    std::ofstream(bas) << "10 CONSOLE 0,25,0\n"
                          "20 LINE (100,100)-(199,149),2,BF\n"
                          "30 LINE (399,149)-(300,100),4,B\n"
                          "40 VIEW (400,200)-(500,300),1,6\n"
                          "50 LINE (0,250)-(639,250),7\n"
                          "60 SCREEN ,,1:LINE (0,0)-(639,399),5,BF:SCREEN ,,0\n";
    const std::string cmd = std::string("'") + TARNWICK_EXE + "' --batch --screenshot '" + png + "' '" + bas +
                            "' </dev/null >/dev/null 2>&1";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    const QImage img(QString::fromStdString(png));
    ASSERT_EQ(img.width(), 640);
    ASSERT_EQ(img.height(), 400);

    // Later boxes lie over earlier ones; everything else is black.
    const Box boxes[] = {
        {100, 100, 199, 149, 0xFF0000},                                       // filled box
        {300, 100, 399, 100, 0x00FF00}, {300, 149, 399, 149, 0x00FF00},       // outline
        {300, 100, 300, 149, 0x00FF00}, {399, 100, 399, 149, 0x00FF00},
        {399, 199, 501, 301, 0xFFFF00},                                       // view border
        {400, 200, 500, 300, 0x0000FF},                                       // view fill
        {400, 250, 500, 250, 0xFFFFFF},                                       // line cut to the view
    };
    int wrong = 0;
    // Row 0 holds the "OK" of the finished program.
    for (int y = 16; y < 400; ++y)
        for (int x = 0; x < 640; ++x) {
            uint32_t want = 0;
            for (const Box& b : boxes)
                if (x >= b.x1 && x <= b.x2 && y >= b.y1 && y <= b.y2) want = b.rgb;
            const uint32_t got = img.pixel(x, y) & 0xFFFFFF;
            if (got != want && ++wrong <= 5) ADD_FAILURE() << "pixel " << x << "," << y << std::hex << ": " << got << " not " << want;
        }
    EXPECT_EQ(wrong, 0);
}

}  // namespace
