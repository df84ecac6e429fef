// The buffered disk file must behave exactly like unbuffered byte-at-a-time
// reads and writes: the same positions, sizes and bytes on disk.
#include "io/diskfile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

namespace tw {
namespace {

namespace fs = std::filesystem;

class DiskFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/tw_diskfile_XXXXXX";
        dir = mkdtemp(tmpl);
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string path(const std::string& name) const { return (fs::path(dir) / name).string(); }
    std::string bytesOf(const std::string& name) const {
        std::ifstream f(path(name), std::ios::binary);
        std::stringstream ss;
        ss << f.rdbuf();
        return ss.str();
    }
    void put(const std::string& name, const std::string& bytes) const {
        std::ofstream(path(name), std::ios::binary) << bytes;
    }

    std::string dir;
};

// Random mixes of the operations the statements use, checked against a
// plain string model after every step; positions run past the read-ahead
// and write-behind windows so that refills and flushes happen in between.
TEST_F(DiskFileTest, MixedOperationsMatchAnUnbufferedModel) {
    for (unsigned seed : {1u, 2u, 3u}) {
        const std::string name = "mix" + std::to_string(seed);
        std::string model;
        int64_t pos = 0;
        auto f = DiskFile::open(path(name), DiskFile::Access::Random);
        ASSERT_TRUE(f);
        std::mt19937 rng(seed);
        for (int step = 0; step < 3000; ++step) {
            switch (rng() % 5) {
            case 0: {  // write a run of bytes
                const size_t n = 1 + rng() % 600;
                std::string bytes(n, static_cast<char>('a' + rng() % 26));
                ASSERT_TRUE(f->write(bytes));
                if (model.size() < static_cast<size_t>(pos)) model.resize(static_cast<size_t>(pos), '\0');
                model.replace(static_cast<size_t>(pos), std::min(n, model.size() - static_cast<size_t>(pos)), bytes);
                pos += static_cast<int64_t>(n);
                break;
            }
            case 1: {  // seek anywhere up to a little past the end, or to the end
                pos = static_cast<int64_t>(rng() % 2 ? rng() % (model.size() + 100) : model.size());
                f->seek(pos);
                break;
            }
            case 2: {  // byte reads
                for (int k = 0; k < 50; ++k) {
                    const int c = f->get();
                    if (pos >= static_cast<int64_t>(model.size())) {
                        ASSERT_EQ(c, DiskFile::End) << "step " << step;
                        break;
                    }
                    ASSERT_EQ(c, static_cast<unsigned char>(model[static_cast<size_t>(pos)])) << "step " << step;
                    ++pos;
                }
                break;
            }
            case 3: {  // a byte read and the step back
                const int c = f->get();
                if (c >= 0) {
                    f->unget();
                    ASSERT_EQ(f->get(), c);
                    ++pos;
                }
                break;
            }
            default: {  // a block read
                char buf[256];
                const int64_t n = f->read(buf, sizeof buf);
                const int64_t want = std::clamp<int64_t>(static_cast<int64_t>(model.size()) - pos, 0, 256);
                ASSERT_EQ(n, want) << "step " << step;
                if (n > 0)
                    ASSERT_EQ(std::string(buf, static_cast<size_t>(n)),
                              model.substr(static_cast<size_t>(pos), static_cast<size_t>(n)));
                pos += n;
                break;
            }
            }
            ASSERT_EQ(f->position(), pos) << "step " << step;
            ASSERT_EQ(f->size(), static_cast<int64_t>(model.size())) << "step " << step;
        }
        ASSERT_GT(model.size(), 70000u) << "the run must pass the buffer sizes";
        ASSERT_TRUE(f->close());
        EXPECT_EQ(bytesOf(name), model) << "seed " << seed;
    }
}

TEST_F(DiskFileTest, AccessModes) {
    put("old", "0123456789");

    // Output empties an existing file; Input needs the file; Random makes it.
    auto out = DiskFile::open(path("old"), DiskFile::Access::Output);
    ASSERT_TRUE(out);
    EXPECT_EQ(out->size(), 0);
    out->write("AB");
    out.reset();  // closing writes the bytes
    EXPECT_EQ(bytesOf("old"), "AB");

    EXPECT_FALSE(DiskFile::open(path("missing"), DiskFile::Access::Input));
    EXPECT_FALSE(DiskFile::open(path("missing"), DiskFile::Access::Append));
    EXPECT_TRUE(DiskFile::open(path("made"), DiskFile::Access::Random));
    EXPECT_TRUE(fs::exists(path("made")));
    EXPECT_FALSE(DiskFile::open(dir, DiskFile::Access::Input)) << "a directory is no data file";

    // Append writes at the end wherever the position stands; reading starts
    // at the beginning.
    auto app = DiskFile::open(path("old"), DiskFile::Access::Append);
    ASSERT_TRUE(app);
    EXPECT_EQ(app->position(), 0);
    EXPECT_EQ(app->get(), 'A');
    app->write("CD");
    EXPECT_EQ(app->position(), 4);
    app->seek(0);
    app->write("E");
    EXPECT_EQ(app->position(), 5);
    EXPECT_TRUE(app->atEnd());
    ASSERT_TRUE(app->close());
    EXPECT_EQ(bytesOf("old"), "ABCDE");
}

TEST_F(DiskFileTest, SecondHandleSeesWritesAfterFlushAndResync) {
    auto a = DiskFile::open(path("shared"), DiskFile::Access::Random);
    auto b = DiskFile::open(path("shared"), DiskFile::Access::Random);
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->device(), b->device());
    EXPECT_EQ(a->inode(), b->inode());
    EXPECT_EQ(b->get(), DiskFile::End);
    a->write("HELLO");
    a->flush();
    b->resync();
    EXPECT_EQ(b->size(), 5);
    b->seek(0);
    EXPECT_EQ(b->get(), 'H');
    // b has read ahead; a rewrites a byte b holds in its window.
    a->seek(1);
    a->write("A");
    a->flush();
    b->resync();
    EXPECT_EQ(b->get(), 'A');
}

TEST(HostFileName, ConvertsToUtf8AndDosSeparators) {
    EXPECT_EQ(hostFileName("DATA\\A.DAT"), "DATA/A.DAT");
    EXPECT_EQ(hostFileName("a.dat"), "a.dat");
    // U+30BD (katakana SO) is 0x83 0x5C in CP932: its second byte is no
    // separator.
    EXPECT_EQ(hostFileName("\x83\x5C.DAT"), "\xE3\x82\xBD.DAT");
}

}  // namespace
}  // namespace tw
