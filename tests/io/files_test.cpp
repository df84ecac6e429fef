// File statements checked by the bytes they leave on disk and by what they
// read back from bytes put there, each test in its own empty directory.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "io/serial.h"
#include "support/harness.h"

namespace tw {
namespace {

namespace fs = std::filesystem;
using test::directOutput;
using test::runLines;

class FilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/tw_files_XXXXXX";
        dir = mkdtemp(tmpl);
        old = fs::current_path();
        fs::current_path(dir);
    }
    void TearDown() override {
        fs::current_path(old);
        fs::remove_all(dir);
    }

    static std::string bytesOf(const std::string& name) {
        std::ifstream f(name, std::ios::binary);
        std::stringstream ss;
        ss << f.rdbuf();
        return ss.str();
    }
    static void put(const std::string& name, const std::string& bytes) {
        std::ofstream(name, std::ios::binary) << bytes;
    }

    std::string dir;
    fs::path old;
};

TEST_F(FilesTest, OutputStatementsWriteTheseBytes) {
    struct Case {
        const char* statements;  // after OPEN "O.DAT" FOR OUTPUT AS #1
        std::string bytes;
    };
    const Case cases[] = {
        {"PRINT #1,\"A\";\"B\"", "AB\r"},
        {"PRINT #1,\"A\";", "A"},
        {"PRINT #1,", "\r"},
        {"PRINT #1,1;-2", " 1 -2 \r"},
        {"PRINT #1,\"A\",\"B\"", "A" + std::string(13, ' ') + "B\r"},
        // Zones count from the start of the file's line, across statements.
        {"PRINT #1,\"AB\";:PRINT #1,\"C\",\"D\"", "ABC" + std::string(11, ' ') + "D\r"},
        {"PRINT #1,\"A\";TAB(5);\"B\"", "A    B\r"},
        {"PRINT #1,USING \"##.#\";3.14159;2", " 3.1 2.0\r"},
        {"WRITE #1,\"AB\",3.5,10", "\"AB\",3.5,10\r"},
        {"WRITE #1,\"AB\";-1.5", "\"AB\",-1.5\r"},
        {"WRITE #1,CHR$(34)+\"X\"", "\"\"X\"\r"},
        {"A=1/3:A#=1/3:WRITE #1,A,A#,7", "0.333333,0.3333333333333333,7\r"},
        {"WRITE #1,", "\r"},
        // A screen PRINT ending in ";" does not end the file's line.
        {"PRINT \"S\";:PRINT #1,\"F\"", "F\r"},
    };
    for (const Case& c : cases) {
        fs::remove("O.DAT");
        runLines({std::string("OPEN \"O.DAT\" FOR OUTPUT AS #1:") + c.statements + ":CLOSE"});
        EXPECT_EQ(bytesOf("O.DAT"), c.bytes) << c.statements;
    }
}

TEST_F(FilesTest, InputReadsFields) {
    struct Case {
        std::string bytes;
        const char* statement;  // reads from #1, then prints
        const char* shown;
    };
    const Case cases[] = {
        {"\"x,y\",  12\r", "INPUT #1,A$,B:PRINT \"[\";A$;\"]\";B", "[x,y] 12"},
        {"  ab ,cd\r", "INPUT #1,A$,B$:PRINT \"[\";A$;\"][\";B$;\"]\"", "[  ab ][cd]"},
        {"\n\n1\n,\r\r2\r", "INPUT #1,A,B:PRINT A;B", " 1  2"},
        {"12 34\r", "INPUT #1,A,B:PRINT A;B", " 12  34"},
        {"12 34\r", "INPUT #1,A$:PRINT \"[\";A$;\"]\"", "[12 34]"},
        {"\"\",5\r", "INPUT #1,A$,B:PRINT \"[\";A$;\"]\";B", "[] 5"},
        {"\"a\"\"b\"\r", "INPUT #1,A$:PRINT A$", "ab"},
        {"3,4\r", "INPUT #1,A;B:PRINT A;B", " 3  4"},
        {"7,8\r", "INPUT #1,X(1),X(2):PRINT X(1)+X(2)", " 15"},
        // A last field that the end of the file cuts short is complete.
        {"7", "INPUT #1,A:PRINT A", " 7"},
        {"", "INPUT #1,A:PRINT A", "Disk I/O error"},
        {"1\r", "INPUT #1,A,B:PRINT A;B", "Disk I/O error"},
        {"1,2\r", "INPUT #1,A%,B$:PRINT A%;B$", " 1 2"},
        {"40000\r", "INPUT #1,A%", "Overflow"},
    };
    for (const Case& c : cases) {
        put("I.DAT", c.bytes);
        EXPECT_EQ(directOutput(std::string("OPEN \"I.DAT\" FOR INPUT AS #1:") + c.statement), c.shown)
            << c.statement;
    }
}

TEST_F(FilesTest, LineInputSplitsLines) {
    struct Case {
        std::string bytes;
        const char* shown;  // each line in brackets, then EOF
    };
    const Case cases[] = {
        {"A\rB\r", "[A][B]-1"},
        {"A\r\nB\r\n", "[A][B]-1"},
        {"A\nB\n", "[A\nB\n]-1"},
        {"\"X\rY\"\rZ", "[X\rY][Z]-1"},
        {"A\r\rB", "[A][][B]-1"},
        {"A\r", "[A]-1"},
        {"", "[]-1"},
    };
    for (const Case& c : cases) {
        put("L.DAT", c.bytes);
        runLines({"OPEN \"L.DAT\" FOR INPUT AS #1:OPEN \"R.DAT\" FOR OUTPUT AS #2",
                  "PRINT #2,\"[\";:LINE INPUT #1,L$:PRINT #2,L$;\"]\";",
                  "WHILE NOT EOF(1):PRINT #2,\"[\";:LINE INPUT #1,L$:PRINT #2,L$;\"]\";:WEND",
                  "PRINT #2,EOF(1):CLOSE"});
        EXPECT_EQ(bytesOf("R.DAT"), std::string(c.shown) + " \r") << c.shown;
    }
}

TEST_F(FilesTest, LocLofAndEofFollowTheBytes) {
    put("P.DAT", "AB\rCD\r\n");
    EXPECT_EQ(directOutput("OPEN \"P.DAT\" FOR INPUT AS #1:PRINT LOF(1);LOC(1);EOF(1);:"
                           "LINE INPUT #1,A$:PRINT LOC(1);:LINE INPUT #1,A$:PRINT LOC(1);EOF(1)"),
              " 7  0  0  3  7 -1");
    EXPECT_EQ(directOutput("OPEN \"Q.DAT\" FOR OUTPUT AS #1:PRINT #1,\"XYZ\";:PRINT LOF(1);LOC(1);EOF(1)"),
              " 3  3 -1");
    EXPECT_EQ(directOutput("OPEN \"P.DAT\" FOR INPUT AS #1:A$=INPUT$(4,1):PRINT LEN(A$);LOC(1)"), " 4  4");
    EXPECT_EQ(directOutput("OPEN \"P.DAT\" FOR INPUT AS #1:A$=INPUT$(8,1)"), "Disk I/O error");
    EXPECT_EQ(directOutput("OPEN \"Q.DAT\" FOR OUTPUT AS #1:A$=INPUT$(1,1)"), "Syntax error");
    EXPECT_EQ(directOutput("PRINT EOF(2)"), "File not open");
    EXPECT_EQ(directOutput("OPEN \"SCRN:\" FOR OUTPUT AS #1:PRINT LOF(1)"), "Illegal function call");
}

TEST_F(FilesTest, RecordLayout) {
    runLines({"OPEN \"R.DAT\" AS #1:FIELD #1,2 AS A$,4 AS B$",
              "FOR I=1 TO 3:LSET A$=CHR$(64+I):RSET B$=MID$(STR$(I*11),2):PUT #1,I:NEXT",
              "LSET A$=\"WXYZ\":RSET B$=\"\":PUT #1"});
    EXPECT_EQ(bytesOf("R.DAT"), "A   11B   22C   33WX    ");
    // Record 3 is bytes 12..17; GET without a number takes the next record.
    EXPECT_EQ(directOutput("OPEN \"R.DAT\" AS #1:FIELD #1,2 AS A$,4 AS B$:GET #1,3:PRINT A$;B$;LOC(1);:"
                           "GET #1,1:GET #1:PRINT A$;B$"),
              "C   33 18 B   22");
    // Writing past the end fills the gap with zero bytes.
    runLines({"OPEN \"G.DAT\" AS #1:FIELD #1,1 AS A$:LSET A$=\"Z\":PUT #1,3"});
    EXPECT_EQ(bytesOf("G.DAT"), std::string("\0\0Z", 3));
    // Numbers in fields come back exactly.
    EXPECT_EQ(directOutput("OPEN \"N.DAT\" AS #1:FIELD #1,2 AS I$,4 AS S$,8 AS D$:"
                           "LSET I$=MKI$(-2):LSET S$=MKS$(1.5):LSET D$=MKD$(1/3):PUT #1,2:"
                           "LSET I$=\"\":GET #1,2:PRINT CVI(I$);CVS(S$);CVD(D$)"),
              "-2  1.5  0.3333333333333333");
    EXPECT_EQ(bytesOf("N.DAT").substr(14, 6), std::string("\xFE\xFF\x00\x00\xC0\x3F", 6));
}

TEST_F(FilesTest, RandomFileErrors) {
    struct Case {
        const char* statement;
        const char* shown;
    };
    const Case cases[] = {
        {"FIELD #1,200 AS A$,100 AS B$", "FIELD overflow"},
        {"FIELD #1,0 AS A$", "Illegal function call"},
        {"FIELD #1,257 AS A$", "Illegal function call"},
        {"FIELD #1,2 AS A", "Illegal function call"},
        {"FIELD #1", "Illegal function call"},
        {"FIELD #2,2 AS A$", "File not open"},
        {"GET #1,65001", "Disk I/O error"},
        {"GET #1,0", "Disk I/O error"},
        {"GET #1,-1", "Disk I/O error"},
        {"FIELD #1,2 AS A$:LSET B$=\"X\"", "Illegal function call"},
        {"FIELD #1,2 AS A$:LSET A$", "Syntax error"},
        {"FIELD #1,2 AS A$:LSET A$=5", "Type mismatch"},
        {"CLOSE #1:OPEN \"S.DAT\" FOR OUTPUT AS #1:GET #1,1", "Syntax error"},
        {"CLOSE #1:OPEN \"S.DAT\" FOR OUTPUT AS #1:FIELD #1,2 AS A$", "Illegal function call"},
    };
    for (const Case& c : cases) {
        fs::remove("E.DAT");
        EXPECT_EQ(directOutput(std::string("OPEN \"E.DAT\" AS #1:") + c.statement), c.shown) << c.statement;
    }
    // Sixty-four fields fit; the sixty-fifth does not.
    std::string list = "OPEN \"E.DAT\" AS #1:FIELD #1";
    for (int i = 0; i < 64; ++i) list += ",1 AS F" + std::to_string(i) + "$";
    EXPECT_EQ(directOutput(list + ":PRINT \"OK\""), "OK");
    EXPECT_EQ(directOutput(list + ",1 AS G$"), "Out of memory");
}

TEST_F(FilesTest, OpenAndCloseErrors) {
    put("THERE.DAT", "X");
    // Port 1 names a device that does not exist.
    ::setenv("TARNWICK_COM1", "/nonexistent/tty", 1);
    struct Case {
        const char* statement;
        const char* shown;
    };
    const Case cases[] = {
        {"OPEN \"NONE.DAT\" FOR APPEND AS #1", "File not found"},
        {"OPEN \"NONE.DAT\" FOR INPUT AS #1", "File not found"},
        {"OPEN \"NODIR/X.DAT\" FOR OUTPUT AS #1", "File not found"},
        {"OPEN \"NODIR/X.DAT\" AS #1", "File not open"},
        {"OPEN \"X.DAT\" AS #16", "Bad file number"},
        {"OPEN \"X.DAT\" AS #0", "Bad file number"},
        {"OPEN \"X.DAT\" FOR OUTPUT AS 1", "Syntax error"},
        {"OPEN \"X.DAT\" FOR WRITING AS #1", "Syntax error"},
        {"OPEN \"X.DAT\" TO #1", "Syntax error"},
        {"OPEN 5 FOR OUTPUT AS #1", "Type mismatch"},
        {"OPEN \"KYBD:\" FOR OUTPUT AS #1", "Syntax error"},
        {"OPEN \"SCRN:\" FOR INPUT AS #1", "Syntax error"},
        {"OPEN \"LPT1:\" FOR APPEND AS #1", "Syntax error"},
        {"OPEN \"LPT1:\" AS #1", "Syntax error"},
        {"OPEN \"COM1:9600,E,8,1,N\" AS #1", "Syntax error"},
        {"OPEN \"COMPUTER.DAT\" FOR OUTPUT AS #1", "Syntax error"},
        {"OPEN \"COM-1:9600,N,8,1,N\" AS #1", "Illegal function call"},
        {"OPEN \"COM1:9600,E,7,1,N\" AS #1", "File can not open"},
        {"CLOSE #2", "File not open"},
        {"OPEN \"THERE.DAT\" FOR INPUT AS #1:CLOSE #1,#2", "File not open"},
        {"OPEN \"THERE.DAT\" FOR INPUT AS #1:CLOSE #1,:PRINT EOF(1)", "File not open"},
        {"OPEN \"THERE.DAT\" FOR INPUT AS #1:PRINT #1,1", "File not open"},
        {"OPEN \"THERE.DAT\" FOR INPUT AS #1:PRINT #1", "Syntax error"},
        {"OPEN \"O.DAT\" FOR OUTPUT AS #1:INPUT #1,A", "File not open"},
        {"OPEN \"O.DAT\" FOR OUTPUT AS #1:LINE INPUT #1,A$", "File not open"},
        {"LPRINT 1", "File not open"},
        {"LPRINT 1/0", "Division by Zero (/0)"},
    };
    for (const Case& c : cases) EXPECT_EQ(directOutput(c.statement), c.shown) << c.statement;
    ::unsetenv("TARNWICK_COM1");
    // Names match existing files without regard to case, as program files do.
    put("MIXED.Dat", "M\r");
    EXPECT_EQ(directOutput("OPEN \"mixed.dat\" FOR INPUT AS #1:LINE INPUT #1,A$:PRINT A$"), "M");
    // The name SCRN without a colon is a disk file.
    runLines({"OPEN \"SCRN\" FOR OUTPUT AS #1:PRINT #1,\"D\""});
    EXPECT_EQ(bytesOf("SCRN"), "D\r");
}

TEST_F(FilesTest, CloseWithoutNumberClosesAll) {
    EXPECT_EQ(directOutput("OPEN \"A\" FOR OUTPUT AS #1:OPEN \"B\" FOR OUTPUT AS #3:CLOSE:PRINT #1,1"),
              "File not open");
    EXPECT_EQ(directOutput("OPEN \"A\" FOR OUTPUT AS #1:OPEN \"B\" FOR OUTPUT AS #3:CLOSE 7:PRINT #3,1"),
              "File not open");
}

TEST_F(FilesTest, NothingWrittenIsLost) {
    // Still open when the interpreter goes away; larger than any buffer.
    runLines({"OPEN \"BIG.DAT\" FOR OUTPUT AS #1", "FOR I=1 TO 20000:PRINT #1,\"LINE\";I:NEXT"});
    const std::string big = bytesOf("BIG.DAT");
    EXPECT_EQ(big.size(), 20000u * 7 + 9 * 1 + 90 * 2 + 900 * 3 + 9000 * 4 + 10001 * 5);
    EXPECT_EQ(big.substr(0, 16), "LINE 1 \rLINE 2 \r");
    EXPECT_EQ(big.substr(big.size() - 12), "LINE 20000 \r");

    // Opening a number again closes the earlier file with its bytes.
    runLines({"OPEN \"A.DAT\" FOR OUTPUT AS #1:PRINT #1,\"ONE\":OPEN \"B.DAT\" FOR OUTPUT AS #1",
              "PRINT #1,\"TWO\""});
    EXPECT_EQ(bytesOf("A.DAT"), "ONE\r");
    EXPECT_EQ(bytesOf("B.DAT"), "TWO\r");

    // Two numbers on one file see each other's bytes at once.
    EXPECT_EQ(directOutput("OPEN \"S.DAT\" FOR OUTPUT AS #1:PRINT #1,\"X\":OPEN \"S.DAT\" FOR INPUT AS #2:"
                           "LINE INPUT #2,A$:PRINT A$;LOF(2):PRINT #1,\"Y\":LINE INPUT #2,A$:PRINT A$"),
              "X 2\nY");
    // APPEND adds at the end.
    runLines({"OPEN \"P.DAT\" FOR OUTPUT AS #1:PRINT #1,\"A\":CLOSE:OPEN \"P.DAT\" FOR APPEND AS #1:"
              "PRINT #1,\"B\":CLOSE"});
    EXPECT_EQ(bytesOf("P.DAT"), "A\rB\r");
}

TEST_F(FilesTest, FilesStayOpenAcrossRunNewAndClear) {
    runLines({"OPEN \"K.DAT\" FOR OUTPUT AS #1", "10 PRINT #1,\"RUN\"", "RUN", "CLEAR", "PRINT #1,\"CLEAR\"",
              "NEW", "PRINT #1,\"NEW\""});
    EXPECT_EQ(bytesOf("K.DAT"), "RUN\rCLEAR\rNEW\r");
}

TEST_F(FilesTest, ScreenDevicePrintsAsPrint) {
    EXPECT_EQ(directOutput("OPEN \"SCRN:\" FOR OUTPUT AS #2:PRINT #2,\"A\";1,\"B\":PRINT \"C\""),
              "A 1           B\nC");
    EXPECT_EQ(directOutput("OPEN \"SCRN:\" FOR OUTPUT AS #2:PRINT #2,\"A\";:WRITE #2,\"W\",1.5:PRINT \"Z\""),
              "A\"W\",1.5\nZ");
    EXPECT_EQ(directOutput("WRITE \"A\",-1,2.5"), "\"A\",-1,2.5");
}

TEST_F(FilesTest, PrinterSinkFromTheEnvironment) {
    const std::string sink = dir + "/printed.txt";
    setenv("TARNWICK_LPT3", sink.c_str(), 1);
    runLines({"OPEN \"LPT3:\" FOR OUTPUT AS #1:LPRINT \"A\";1:LPRINT \"B\";:LPRINT USING \"##\";7",
              "PRINT #1,\"P\":WRITE #1,\"W\"", "CLOSE:OPEN \"LPT3:\" FOR OUTPUT AS #2:LPRINT \"AGAIN\""});
    unsetenv("TARNWICK_LPT3");
    EXPECT_EQ(bytesOf(sink), "A 1 \r\nB 7\r\nP\r\n\"W\"\r\nAGAIN\r\n");
    // LPRINT follows the printer opened or written through its number last.
    runLines({"OPEN \"LPT5:\" FOR OUTPUT AS #1:OPEN \"LPT6:\" FOR OUTPUT AS #2:LPRINT \"TO6\"",
              "PRINT #1,\"BY1\";:LPRINT \"TO5\":CLOSE #1:LPRINT \"TO6 AGAIN\":CLOSE #2:LPRINT \"NONE\""});
    EXPECT_EQ(bytesOf("LPT5.PRN"), "BY1TO5\r\n");
    EXPECT_EQ(bytesOf("LPT6.PRN"), "TO6\r\nTO6 AGAIN\r\n");
    // Without the variable: LPTn.PRN here, appended to.
    put("LPT2.PRN", "OLD\r\n");
    runLines({"OPEN \"LPT2:\" FOR OUTPUT AS #1:LPRINT \"NEW\""});
    EXPECT_EQ(bytesOf("LPT2.PRN"), "OLD\r\nNEW\r\n");
    // A command as the sink gets the text on its standard input.
    setenv("TARNWICK_LPT4", ("|cat > " + dir + "/piped.txt").c_str(), 1);
    runLines({"OPEN \"LPT4:\" FOR OUTPUT AS #1:LPRINT \"PIPE\""});
    unsetenv("TARNWICK_LPT4");
    EXPECT_EQ(bytesOf("piped.txt"), "PIPE\r\n");
}

// Printer text reaches its sink as it is written, not when the file is
// closed: a program reads the sink back while the printer is still open.
TEST_F(FilesTest, PrinterTextIsInTheSinkBeforeClose) {
    setenv("TARNWICK_LPT7", "sink.txt", 1);
    setenv("TARNWICK_LPT1", "listed.txt", 1);
    struct Case {
        const char* writes;  // with "LPT7:" open as #1
        int sinkBytes;       // LOF of the sink right after
    };
    const Case cases[] = {
        {"LPRINT \"ONE\"", 5},
        {"PRINT #1,\"TWO\";", 8},
        {"PRINT #1,", 10},
        {"WRITE #1,3", 13},
        {"LPRINT USING \"##\";7;", 15},
    };
    std::vector<std::string> lines = {"OPEN \"LPT7:\" FOR OUTPUT AS #1"};
    std::string expected;
    for (const Case& c : cases) {
        lines.push_back(std::string(c.writes) + ":OPEN \"SINK.TXT\" FOR INPUT AS #2:PRINT LOF(2):CLOSE #2");
        expected += " " + std::to_string(c.sinkBytes) + "\n";
    }
    const std::string out = runLines(lines);
    // The rows PRINT LOF(2) left: a blank and digits.
    std::string sizes;
    std::istringstream rows(out);
    for (std::string row; std::getline(rows, row);)
        if (std::regex_match(row, std::regex(" [0-9]+"))) sizes += row + "\n";
    EXPECT_EQ(sizes, expected) << out;
    // LLIST goes to printer 1 and is complete when LLIST returns.
    EXPECT_NE(runLines({"10 REM LISTED", "LLIST:OPEN \"LISTED.TXT\" FOR INPUT AS #2:PRINT LOF(2)"}).find(" 15\n"),
              std::string::npos);
    unsetenv("TARNWICK_LPT7");
    unsetenv("TARNWICK_LPT1");
    EXPECT_EQ(bytesOf("sink.txt"), "ONE\r\nTWO\r\n3\r\n 7");
}

TEST(SerialNames, SettingsAndTheirErrors) {
    struct Case {
        const char* name;
        int error;  // 0: accepted
        int port;
        int flow;
    };
    const Case cases[] = {
        {"COM1:9600,N,8,1,N", 0, 1, 2},
        {"COM2:110,E,7,1.5,X", 0, 2, 3},
        {"COM:256000,O,7,2,N", 0, 1, 2},
        {"COM0: 1200 , N , 8 , 2 , X", 0, 1, 3},
        {"COM1:9600,E,8,1,N", 2, 0, 0},
        {"COM1:9600,N,7,1,N", 2, 0, 0},
        {"COM1:109,N,8,1,N", 2, 0, 0},
        {"COM1:256001,N,8,1,N", 2, 0, 0},
        {"COM1:96X0,N,8,1,N", 2, 0, 0},
        {"COM1:9600,N,8,3,N", 2, 0, 0},
        {"COM1:9600,N,8,1,Y", 2, 0, 0},
        {"COM1:9600,N,8,1", 2, 0, 0},
        {"COM1:9600,N,8,1,N,N", 2, 0, 0},
        {"COM1", 2, 0, 0},
        {"COMPUTER.DAT", 2, 0, 0},
        {"COM-2:9600,N,8,1,N", 5, 0, 0},
    };
    for (const Case& c : cases) {
        int got = 0;
        SerialSettings s;
        try {
            s = serialSettings(c.name);
        } catch (const BasicError& e) {
            got = e.code;
        }
        EXPECT_EQ(got, c.error) << c.name;
        if (c.error == 0) {
            EXPECT_EQ(s.port, c.port) << c.name;
            EXPECT_EQ(s.flow, c.flow) << c.name;
        }
    }
    EXPECT_EQ(serialPort("COM3:"), 3);
    EXPECT_EQ(serialPort("XCOM12:"), 12);
}

TEST_F(FilesTest, MemoryAndPorts) {
    struct Case {
        const char* statement;
        const char* shown;
    };
    const Case cases[] = {
        {"DEF SEG=&H100:POKE 5,65:DEF SEG=0:PRINT PEEK(&H105);DEFUSER;SEGPTR", " 65  0  0"},
        {"DEF SEG=1048575:POKE 2,9:DEF SEG=0:PRINT PEEK(1)", " 9"},
        {"POKE 1,-1:POKE 2,258:PRINT PEEK(1);PEEK(2)", " 255  2"},
        {"DEF SEG=-1:PRINT DEFUSER", " 4294967295"},
        {"OUT 100,300:PRINT INP(100);INP(101)", " 44  255"},
        {"OUT 40000,1", "Illegal function call"},
        {"OUT -1,1", "Illegal function call"},
        {"OUT 100", "Illegal function call"},
        {"DEF SEG 5", "Syntax error"},
        {"POKE 1", "Syntax error"},
        {"CALL 0", "Illegal function call"},
        {"X=USR0(1)", "Illegal function call"},
        {"DEF USR1=&H100:PRINT 1", " 1"},
        {"DEF USR 1", "Syntax error"},
        {"A%=1:B!=2:C#=3:D$=\"\":E=4:F$=\"\":PRINT VARPTR(A%);VARPTR(B!);VARPTR(C#);VARPTR(E)",
         " 1048576  1048578  1048582  1048592"},
        {"A$=\"\":B=1:C$=\"\":PRINT VARPTR(A$);VARPTR(C$)", " 3145732  3145736"},
        {"BSAVE \"M.BIN\",0", "Syntax error"},
        {"BLOAD \"M.BIN\"", "Syntax error"},
        {"BLOAD \"NONE.BIN\",0", "File not open"},
    };
    for (const Case& c : cases) EXPECT_EQ(directOutput(c.statement), c.shown) << c.statement;

    // BSAVE writes the range; one that would pass the end stops there.
    runLines({"DEF SEG=&H10:POKE 0,1:POKE 1,2:POKE 2,3:BSAVE \"M.BIN\",0,3",
              "DEF SEG=0:POKE 1048575,7:BSAVE \"E.BIN\",1048574,10"});
    EXPECT_EQ(bytesOf("M.BIN"), std::string("\1\2\3", 3));
    EXPECT_EQ(bytesOf("E.BIN"), std::string("\0\7", 2));
    EXPECT_EQ(directOutput("BLOAD \"M.BIN\",1048574:PRINT PEEK(1048574);PEEK(1048575);PEEK(0)"), " 1  2  0");
}

TEST(VarPtr, ArrayElementsLieInTheirBlocks) {
    test::TestHost host;
    Interpreter in(host);
    for (char c : std::string("DIM B%(3),A(5),C#(1)")) in.keyChar(static_cast<uint8_t>(c));
    in.keyChar(13);
    while (in.running()) in.runSlice(100, 1000);
    // Blocks in name order: A (6 singles), B% (4 integers), C# (2 doubles).
    EXPECT_EQ(in.fnVarPtr("A(0)"), 0x200000u);
    EXPECT_EQ(in.fnVarPtr("A(2)"), 0x200000u + 8);
    EXPECT_EQ(in.fnVarPtr("B%(1)"), 0x200000u + 24 + 2);
    EXPECT_EQ(in.fnVarPtr("C#(1)"), 0x200000u + 24 + 8 + 8);
    EXPECT_THROW(in.fnVarPtr("A(6)"), BasicError);
}

}  // namespace
}  // namespace tw
