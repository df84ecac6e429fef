// Program file formats, names and disk operations.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "io/progfile.h"

namespace {

namespace fs = std::filesystem;
using namespace tw::progfile;

std::vector<std::string> texts(const std::vector<Line>& lines) {
    std::vector<std::string> out;
    for (const auto& l : lines) out.push_back(l.text);
    return out;
}

// A scratch directory that is the current directory while it lives.
class ScratchDir {
public:
    ScratchDir() {
        char tmpl[] = "/tmp/tarnwick-progfile-XXXXXX";
        dir_ = ::mkdtemp(tmpl);
        old_ = fs::current_path();
        fs::current_path(dir_);
    }
    ~ScratchDir() {
        fs::current_path(old_);
        fs::remove_all(dir_);
    }
    const std::string& path() const { return dir_; }

private:
    std::string dir_;
    fs::path old_;
};

std::string slurp(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

TEST(ProgramFile, TextLineNumbers) {
    struct Case {
        const char* piece;
        int32_t number;
        size_t rest;
    } cases[] = {
        {"10 PRINT", 10, 2},   {"  20 X", 20, 4},  {"\t30 X", 30, 3}, {"1.5 X", 15, 3},
        {"40PRINT", 40, 2},    {"PRINT 5", 0, 0},  {"", 0, 0},        {"-7 X", 7, 2},
        {"   ", 0, 3},         {"65536 A", 65536, 5},
    };
    for (const auto& c : cases) {
        size_t rest = 99;
        EXPECT_EQ(textLineNumber(c.piece, &rest), c.number) << c.piece;
        EXPECT_EQ(rest, c.rest) << c.piece;
    }
}

TEST(ProgramFile, TextFormatLinesAndCase) {
    struct Case {
        std::string file;
        std::vector<std::string> lines;
    } cases[] = {
        // Line ends: CR LF, LF alone, CR alone, and a last line without one.
        {"10 A=1\r\n20 B=2\n30 C=3\r40 D=4", {"10 A=1", "20 B=2", "30 C=3", "40 D=4"}},
        // A line without a number is dropped; blank lines too.
        {"10 A=1\r\nno number here\r\n\r\n20 B=2\r\n", {"10 A=1", "20 B=2"}},
        // Keywords are upper-cased; quoted text, comments and DATA keep case.
        {"10 print \"abc\":rem xyz\r\n", {"10 PRINT \"abc\":REM xyz"}},
        {"10 a=1:data abc,def:b=2\r\n", {"10 A=1:DATA abc,def:B=2"}},
        {"10 x=1 ' it's: still a comment\r\n", {"10 X=1 ' it's: still a comment"}},
        // The second byte of a double-byte character is never converted
        // (0x83 0x62 is a katakana whose second byte reads as 'b').
        {"10 print \x83\x62:x=1\r\n", {"10 PRINT \x83\x62:X=1"}},
        // Leading blanks go, the number is written as stored; a statement
        // glued to the number gets its blank; trailing blanks go.
        {"   20   PRINT 1   \r\n10PRINT 2\r\n", {"20   PRINT 1", "10 PRINT 2"}},
        // A number alone is no program line.
        {"10\r\n20 END\r\n", {"20 END"}},
        // 0x1A ends the text.
        {"10 A=1\r\n20 B=2\x1a" "30 C=3\r\n", {"10 A=1", "20 B=2"}},
    };
    for (const auto& c : cases) {
        Format f = Binary;
        EXPECT_EQ(texts(parseImage(c.file, &f)), c.lines) << c.file;
        EXPECT_EQ(f, Text);
    }
}

TEST(ProgramFile, OnlyTheFirst65535BytesAreRead) {
    // Lines of x's; the padding of the first line puts byte 65535 inside
    // the x's of a line, so that line is cut there.
    std::string file;
    size_t lastStart = 0;
    for (size_t pad = 0;; pad += 7) {
        file = "5 REM *" + std::string(pad, '-') + "\r\n";
        for (int n = 10; file.size() < 70000; n += 10)
            file += std::to_string(n) + " PRINT \"" + std::string(40, 'x') + "\"\r\n";
        lastStart = file.rfind("\r\n", kMaxProgramBytes - 1) + 2;
        const size_t quote = file.find('"', lastStart);
        if (quote + 1 < kMaxProgramBytes && kMaxProgramBytes < quote + 40) break;
    }
    const auto lines = parseImage(file);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back().text, file.substr(lastStart, kMaxProgramBytes - lastStart));
    size_t total = 0;
    for (const auto& l : lines) total += l.text.size() + 2;
    EXPECT_EQ(total, kMaxProgramBytes + 2);
}

TEST(ProgramFile, BinaryFormat) {
    // Records: length (header included), number, text from the blank on.
    std::string file("\xFE", 1);
    auto record = [&](uint16_t number, const std::string& text) {
        const size_t len = text.size() + 4;
        file.push_back(static_cast<char>(len & 0xFF));
        file.push_back(static_cast<char>(len >> 8));
        file.push_back(static_cast<char>(number & 0xFF));
        file.push_back(static_cast<char>(number >> 8));
        file += text;
    };
    record(10, " print \"\x82\xa0\"");  // kept as it is: no case conversion
    record(300, " GOTO 10");
    Format f = Text;
    EXPECT_EQ(texts(parseImage(file, &f)), (std::vector<std::string>{"10 print \"\x82\xa0\"", "300 GOTO 10"}));
    EXPECT_EQ(f, Binary);
    // A record cut off by the end of the file, or shorter than its header,
    // ends the program.
    std::string cut = file;
    record(400, " END");
    cut += file.substr(cut.size(), 6);
    EXPECT_EQ(parseImage(cut).size(), 2u);
    std::string bad = file.substr(0, cut.size() - 6) + std::string("\x02\x00\x05\x00", 4);
    EXPECT_EQ(parseImage(bad).size(), 2u);
}

TEST(ProgramFile, WritingBothFormats) {
    const std::vector<std::string> program = {"10 PRINT \"\x93\xfa\x96\x7b\"", "20 ' note", "65535 END"};
    EXPECT_EQ(textImage(program), "10 PRINT \"\x93\xfa\x96\x7b\"\r\n20 ' note\r\n65535 END\r\n");
    std::string bin;
    ASSERT_TRUE(binaryImage(program, bin));
    EXPECT_EQ(bin.substr(0, 5), std::string("\xFE\x11\x00\x0A\x00", 5));
    Format f;
    EXPECT_EQ(texts(parseImage(bin, &f)), program);
    EXPECT_EQ(texts(parseImage(textImage(program))), program);

    // The number is the text before the first blank that reads as nonzero.
    ASSERT_TRUE(binaryImage({"  10 X"}, bin));
    EXPECT_EQ(texts(parseImage(bin)), std::vector<std::string>{"10 X"});
    struct Bad {
        std::vector<std::string> lines;
        size_t index;
    } bad[] = {{{"10 A", "NONUMBER"}, 1}, {{"65536 X"}, 0}, {{"10 A", "20"}, 1}, {{"0 X 20 Y"}, 0}};
    for (const auto& b : bad) {
        size_t index = 99;
        EXPECT_FALSE(binaryImage(b.lines, bin, &index));
        EXPECT_EQ(index, b.index);
    }
}

TEST(ProgramFile, Utf8FilesBecomeCp932) {
    const std::string utf8 = "10 PRINT \"\xE6\x97\xA5\xE6\x9C\xAC\"\r\n";  // 日本
    EXPECT_EQ(programBytes(utf8, false), "10 PRINT \"\x93\xfa\x96\x7b\"\r\n");
    EXPECT_EQ(programBytes("\xEF\xBB\xBF" + utf8, false), "10 PRINT \"\x93\xfa\x96\x7b\"\r\n");
    // CP932 bytes are no UTF-8: kept.
    const std::string sjis = "10 PRINT \"\x93\xfa\x96\x7b\"\r\n";
    EXPECT_EQ(programBytes(sjis, false), sjis);
    // A read cut inside a character still counts as UTF-8.
    EXPECT_EQ(programBytes(utf8.substr(0, 14), true), "10 PRINT \"\x93\xfa");
    // The binary format is never converted.
    const std::string bin("\xFE\x0A\x00\x0A\x00 \xE6\x97\xA5", 9);
    EXPECT_EQ(programBytes(bin, false), bin);
}

TEST(ProgramFile, Names) {
    struct Clean {
        const char* value;
        const char* name;
    } clean[] = {{"  prog  ", "PROG"}, {"\"my\"file", "MYFILE"}, {"a.bas", "A.BAS"},
                 {"\x83\x62x", "\x83\x62X"}, {"\"\"", ""}};
    for (const auto& c : clean) EXPECT_EQ(cleanName(c.value), c.name) << c.value;

    EXPECT_EQ(withBasExtension("PROG"), "PROG.BAS");
    EXPECT_EQ(withBasExtension("PROG.TXT"), "PROG.TXT");
    EXPECT_EQ(withBasExtension("../PROG"), "../PROG");

    struct Device {
        const char* name;
        const char* device;
        bool is;
    } devices[] = {{"COM1:", "COM", true},      {"COM1", "COM", false},  {":COM1", "COM", false},
                   {"LPT1:", "LPT", true},      {"LPT1:", "COM", false}, {"X:COMMON", "COM", true}};
    for (const auto& d : devices) EXPECT_EQ(isDeviceName(d.name, d.device), d.is) << d.name;

    size_t end = 0;
    EXPECT_EQ(quotedName("\"MY FILE.BAS\" AS \"B\"", 0, &end), "MYFILE.BAS");
    EXPECT_EQ(end, 13u);
    EXPECT_EQ(quotedName("\"MY FILE.BAS\" AS \"B C\"", end), "BC");
    EXPECT_EQ(quotedName("NOQUOTES"), "");
    EXPECT_EQ(quotedName(" \"OPEN END"), "OPENEND");
}

TEST(ProgramFile, HostPathsIgnoreLetterCase) {
    ScratchDir dir;
    fs::create_directory("Sub");
    std::ofstream("Sub/Prog.bas") << "10 END\r\n";
    EXPECT_EQ(hostPath("SUB\\PROG.BAS"), "Sub/Prog.bas");
    EXPECT_EQ(hostPath("sub/prog.BAS"), "Sub/Prog.bas");
    // A name that matches nothing stays as written (a file to create).
    EXPECT_EQ(hostPath("SUB/NEW.BAS"), "Sub/NEW.BAS");
    EXPECT_EQ(hostPath("NODIR/X.BAS"), "NODIR/X.BAS");
    EXPECT_EQ(hostPathIn("Sub", "PROG.BAS"), "Sub/Prog.bas");
    EXPECT_EQ(hostPath("\x93\xfa.BAS"), "\xE6\x97\xA5.BAS");
    EXPECT_EQ(directoryOf("Sub/Prog.bas"), "Sub");
    EXPECT_EQ(directoryOf("/Prog.bas"), "/");
    EXPECT_EQ(directoryOf("Prog.bas"), "");
    EXPECT_TRUE(readable("Sub/Prog.bas"));
    EXPECT_FALSE(readable("Sub"));
    EXPECT_FALSE(readable("Sub/None.bas"));
}

TEST(ProgramFile, ReplacingAFileIsAllOrNothing) {
    ScratchDir dir;
    ASSERT_TRUE(writeFileReplacing("A.BAS", "first"));
    EXPECT_EQ(slurp("A.BAS"), "first");
    ::chmod("A.BAS", 0640);
    ASSERT_TRUE(writeFileReplacing("A.BAS", "second, longer"));
    EXPECT_EQ(slurp("A.BAS"), "second, longer");
    struct stat st;
    ASSERT_EQ(::stat("A.BAS", &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    // A directory in the way, or a missing directory: refused, nothing left behind.
    fs::create_directory("D.BAS");
    EXPECT_FALSE(writeFileReplacing("D.BAS", "x"));
    EXPECT_FALSE(writeFileReplacing("NODIR/A.BAS", "x"));
    int entries = 0;
    for (const auto& e : fs::directory_iterator(".")) {
        (void)e;
        ++entries;
    }
    EXPECT_EQ(entries, 2);
    // Through a link the file it points to is replaced.
    fs::create_symlink("A.BAS", "L.BAS");
    ASSERT_TRUE(writeFileReplacing("L.BAS", "third"));
    EXPECT_TRUE(fs::is_symlink("L.BAS"));
    EXPECT_EQ(slurp("A.BAS"), "third");
}

}  // namespace
