// COM files over real lines (a pseudo-terminal pair, loopback TCP) and over
// a scripted line for the waits and prompts. The interpreter runs in small
// slices while the test plays the partner, so nothing here sleeps for long.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <pty.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "io/serial.h"
#include "support/harness.h"

namespace tw {
namespace {

class ScriptedHost : public test::TestHost {
public:
    int ask(const std::string& text, int) override {
        asked.push_back(text);
        if (answers.empty()) return AnswerCancel;
        const int a = answers.front();
        answers.pop_front();
        return a;
    }
    std::deque<int> answers;
};

// One interpreter with its host: lines are typed as at the console and the
// run loop is driven in slices, `each` playing the partner in between.
struct Rig {
    ScriptedHost host;
    Interpreter in{host};
    int64_t msPerSlice = 1;

    void type(const std::string& line) {
        for (char c : line) in.keyChar(static_cast<uint8_t>(c));
        in.keyChar(13);
    }
    void program(const std::vector<std::string>& lines) {
        for (const auto& l : lines) type(l);
    }
    // One slice; false when the run has ended or waits for a typed line.
    bool slice() {
        if (!in.running() || in.inputWaiting()) return false;
        in.runSlice(5, 500);
        host.nowMs += msPerSlice;
        if (in.deviceWaiting()) ::usleep(100);
        return true;
    }
    // Runs until the run ends (true) or `limit` slices have passed.
    bool run(const std::function<void()>& each = {}, int limit = 20000) {
        for (int i = 0; i < limit; ++i) {
            if (!slice()) return true;
            if (each) each();
        }
        return false;
    }
    std::string screen() const {
        std::ostringstream out;
        for (const std::string& r : host.scrolled) out << trimRight(r) << "\n";
        const TextScreen& s = in.screen();
        for (int r = 0; r <= s.lastUsedRow(23); ++r) out << trimRight(s.rowText(r)) << "\n";
        return out.str();
    }
    bool shows(const std::string& text) const { return screen().find(text) != std::string::npos; }
};

// ------------------------------------------------------------ pty

class PtyTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(::openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
        ::fcntl(master, F_SETFL, O_NONBLOCK);
        ::setenv("TARNWICK_COM1", ::ttyname(slave), 1);
    }
    void TearDown() override {
        ::unsetenv("TARNWICK_COM1");
        ::close(master);
        ::close(slave);
    }
    // What the interpreter has sent so far.
    std::string drain() {
        char buf[4096];
        for (;;) {
            const ssize_t n = ::read(master, buf, sizeof buf);
            if (n <= 0) break;
            sent.append(buf, static_cast<size_t>(n));
        }
        return sent;
    }
    void say(const std::string& bytes) { ASSERT_EQ(::write(master, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size())); }

    int master = -1, slave = -1;
    std::string sent;
};

TEST_F(PtyTest, ProgramSendsAndReceivesLinesFieldsAndCharacters) {
    Rig r;
    r.program({"10 OPEN \"COM1:9600,N,8,1,N\" AS #1", "20 PRINT #1,\"HELLO\";123", "25 WRITE #1,\"W\",4",
               "30 LINE INPUT #1,A$", "40 INPUT #1,B,C$", "50 X$=INPUT$(3,#1)",
               "60 PRINT A$;\"|\";B;\"|\";C$;\"|\";X$;\"|\";LOC(1);EOF(1)", "70 CLOSE #1", "RUN"});
    bool answered = false;
    ASSERT_TRUE(r.run([&] {
        // The reply comes in pieces once the greeting has arrived.
        if (!answered && drain().find("4\r") != std::string::npos) {
            answered = true;
            say("\r\nLINE, \"ON:E\"");
            say("\r\n12,\"Q,R\"\r");
            say("XYZ!");
        }
    }));
    EXPECT_EQ(sent, "HELLO 123 \r\"W\",4\r");
    EXPECT_TRUE(r.shows("LINE, ON:E| 12 |Q,R|XYZ| 1  0")) << r.screen();
}

TEST(SerialTermios, SettingsBecomeTheseFlags) {
    struct Case {
        const char* name;
        speed_t speed;
        tcflag_t size;
        tcflag_t parity;  // PARENB / PARODD bits
        bool twoStop;
        bool xonXoff;
    };
    const Case cases[] = {
        {"COM1:9600,N,8,1,N", B9600, CS8, 0, false, false},
        {"COM1:4800,E,7,2,X", B4800, CS7, PARENB, true, true},
        {"COM:115200,O,7,1.5,N", B115200, CS7, PARENB | PARODD, true, false},
        {"COM:110,N,8,1,X", B110, CS8, 0, false, true},
    };
    for (const Case& c : cases) {
        termios t{};
        t.c_lflag = ICANON | ECHO;
        t.c_iflag = ICRNL;
        EXPECT_TRUE(serialTermios(t, serialSettings(c.name))) << c.name;
        EXPECT_EQ(::cfgetospeed(&t), c.speed) << c.name;
        EXPECT_EQ(::cfgetispeed(&t), c.speed) << c.name;
        EXPECT_EQ(t.c_cflag & CSIZE, c.size) << c.name;
        EXPECT_EQ(t.c_cflag & (PARENB | PARODD), c.parity) << c.name;
        EXPECT_EQ((t.c_cflag & CSTOPB) != 0, c.twoStop) << c.name;
        EXPECT_EQ((t.c_iflag & (IXON | IXOFF)) != 0, c.xonXoff) << c.name;
        EXPECT_NE(t.c_cflag & CRTSCTS, 0u) << c.name;  // both flow codes hand-shake on RTS
        EXPECT_EQ(t.c_lflag & (ICANON | ECHO), 0u) << c.name;  // raw bytes
        EXPECT_EQ(t.c_iflag & ICRNL, 0u) << c.name;
    }
    termios t{};
    EXPECT_FALSE(serialTermios(t, serialSettings("COM1:256000,N,8,1,N")));  // no constant for it
}

TEST_F(PtyTest, OpenSetsTheLine) {
    // A pseudo-terminal keeps the speed, stop bits and flow control it is
    // given (it is always 8 bits without parity).
    Rig r;
    r.type("OPEN \"COM1:4800,E,7,2,X\" AS #1");
    r.run();
    EXPECT_FALSE(r.shows("error")) << r.screen();
    termios t{};
    ASSERT_EQ(::tcgetattr(slave, &t), 0);
    EXPECT_EQ(::cfgetospeed(&t), static_cast<speed_t>(B4800));
    EXPECT_NE(t.c_cflag & CSTOPB, 0u);
    EXPECT_NE(t.c_iflag & IXON, 0u);
    EXPECT_EQ(t.c_lflag & ICANON, 0u);
}

TEST_F(PtyTest, OnComFiresWhenDataArrivesAndCloseIsRefusedWhileArmed) {
    Rig r;
    r.program({"10 OPEN \"COM1:9600,N,8,1,N\" AS #1", "20 ON COM(1) GOSUB 100", "30 COM(1) ON",
               "40 IF N<2 THEN 40", "50 CLOSE #1", "60 END",
               "100 LINE INPUT #1,A$:N=N+1:PRINT \"GOT \";A$;N:RETURN", "RUN"});
    int turn = 0;
    r.run([&] {
        if (++turn == 20) say("ONE\r");
        if (turn == 40) say("TW");
        if (turn == 60) say("O\r");
    });
    EXPECT_TRUE(r.shows("GOT ONE 1\nGOT TWO 2\nIllegal operation in 50")) << r.screen();
    // Switched off, the port closes and its trap row goes with it.
    r.type("COM(1) OFF:CLOSE #1:COM(1) ON");
    r.run();
    EXPECT_TRUE(r.shows("File not open")) << r.screen();
}

TEST_F(PtyTest, ComTrapStatementErrors) {
    const std::pair<const char*, const char*> cases[] = {
        {"ON COM(3) GOSUB 100", "Illegal function call"},
        {"COM(2) ON", "File not open"},
        {"OPEN \"COM1:9600,N,8,1,N\" AS #1:COM(1) ON", "Illegal function call"},
        {"OPEN \"COM1:9600,N,8,1,N\" AS #1:OPEN \"COM1:9600,N,8,1,N\" AS #2", "Port already open"},
    };
    for (const auto& [statement, shown] : cases) {
        Rig r;
        r.type(statement);
        r.run();
        EXPECT_TRUE(r.shows(shown)) << statement << "\n" << r.screen();
    }
}

TEST_F(PtyTest, SaveSendsTheProgramAndClosesTheNumber) {
    Rig r;
    std::string expected;
    for (int n = 10; n <= 990; n += 10) {
        const std::string line = std::to_string(n) + " PRINT \"" + std::string(30, 'A' + n % 26) + "\"";
        r.type(line);
        expected += line + "\r\n";
    }
    r.type("SAVE \"COM1:9600,N,8,1,N\"");
    ASSERT_TRUE(r.run([&] { drain(); }));
    drain();
    EXPECT_EQ(sent, expected);
    EXPECT_GT(expected.size(), 3000u);  // several chunks
    r.type("PRINT LOC(1)");
    r.run();
    EXPECT_TRUE(r.shows("File not open")) << r.screen();
}

TEST_F(PtyTest, LoadTakesTextUntilBreak) {
    Rig r;
    r.program({"5 REM OLD", "LOAD \"COM1:9600,N,8,1,N\""});
    for (int i = 0; i < 30; ++i) r.slice();
    say("10 print \"hi\"\r\n");
    for (int i = 0; i < 30; ++i) r.slice();
    say("20 a=1:data x,y\r\nno number\r\n30 end\r\n");
    for (int i = 0; i < 30; ++i) r.slice();
    ASSERT_TRUE(r.in.running());
    r.in.breakRun();
    ASSERT_EQ(r.in.lineCount(), 3);
    EXPECT_EQ(r.in.lineText(0), "10 PRINT \"hi\"");
    EXPECT_EQ(r.in.lineText(1), "20 A=1:DATA x,y");
    EXPECT_EQ(r.in.lineText(2), "30 END");
    // The number is closed: port 1 opens again.
    r.type("OPEN \"COM1:9600,N,8,1,N\" AS #2");
    r.run();
    EXPECT_FALSE(r.shows("Port already open")) << r.screen();
}

// ------------------------------------------------------------ scripted line

// A line the test controls: what it delivers, whether the partner is there.
struct Script {
    std::string incoming;
    std::string outgoing;
    int partnerAfter = 0;  // partnerPresent() calls before the partner shows
    long room = 1 << 30;   // bytes the line takes before it is full
};

class ScriptedLink : public SerialLink {
public:
    explicit ScriptedLink(Script& s) : s_(s) {}
    bool open(const SerialSettings&) override { return true; }
    bool partnerPresent() override { return s_.partnerAfter-- <= 0; }
    void close() override {}
    long write(std::string_view b) override {
        const long n = std::min<long>(s_.room, static_cast<long>(b.size()));
        s_.outgoing.append(b.substr(0, static_cast<size_t>(n)));
        s_.room -= n;
        return n;
    }
    bool read(std::string& into, size_t max) override {
        const size_t n = std::min(max, s_.incoming.size());
        into.append(s_.incoming, 0, n);
        s_.incoming.erase(0, n);
        return true;
    }

private:
    Script& s_;
};

class ScriptedTest : public ::testing::Test {
protected:
    void SetUp() override {
        setSerialLinkFactory([this](int) { return std::make_unique<ScriptedLink>(script); });
    }
    void TearDown() override { setSerialLinkFactory({}); }
    Script script;
};

TEST_F(ScriptedTest, PartnerWaitAsksUntilTheUserGivesUp) {
    struct Case {
        int partnerAfter;
        std::vector<int> answers;
        size_t asks;
        const char* shown;
    };
    const Case cases[] = {
        {1000, {Host::AnswerCancel}, 1, "Not connect COM line in 10"},
        {1000, {Host::AnswerRetry, Host::AnswerRetry, Host::AnswerCancel}, 3, "Not connect COM line in 10"},
        {2, {Host::AnswerRetry, Host::AnswerRetry}, 2, "OPENED"},
        {0, {}, 0, "OPENED"},
    };
    for (const Case& c : cases) {
        script = Script{};
        script.partnerAfter = c.partnerAfter;
        Rig r;
        r.host.answers.assign(c.answers.begin(), c.answers.end());
        r.program({"10 OPEN \"COM1:9600,N,8,1,N\" AS #1", "20 PRINT \"OPENED\"", "RUN"});
        ASSERT_TRUE(r.run());
        EXPECT_EQ(r.host.asked.size(), c.asks);
        for (const auto& a : r.host.asked) EXPECT_EQ(a, "Partner is not connect , Retry ?");
        EXPECT_TRUE(r.shows(c.shown)) << r.screen();
    }
    // A failed OPEN holds no slot: the port opens afterwards.
    script = Script{};
    Rig r;
    r.type("OPEN \"COM1:9600,N,8,1,N\" AS #1:PRINT \"AGAIN\"");
    r.run();
    EXPECT_TRUE(r.shows("AGAIN")) << r.screen();
}

TEST_F(ScriptedTest, ReceiveWaitAsksAfterTenSeconds) {
    struct Case {
        const char* statement;
        std::vector<int> answers;
        const char* shown;
    };
    const Case cases[] = {
        {"20 INPUT #1,A$", {Host::AnswerCancel}, "Disk I/O error in 20"},
        {"20 LINE INPUT #1,A$", {Host::AnswerRetry, Host::AnswerCancel}, "Disk I/O error in 20"},
        {"20 A$=INPUT$(2,#1)", {Host::AnswerCancel}, "Disk I/O error in 20"},
    };
    for (const Case& c : cases) {
        script = Script{};
        Rig r;
        r.msPerSlice = 500;
        r.host.answers.assign(c.answers.begin(), c.answers.end());
        r.program({"10 OPEN \"COM1:9600,N,8,1,N\" AS #1", c.statement, "RUN"});
        ASSERT_TRUE(r.run());
        EXPECT_EQ(r.host.asked.size(), c.answers.size()) << c.statement;
        for (const auto& a : r.host.asked) EXPECT_EQ(a, "Input data none , Wait ?");
        EXPECT_TRUE(r.shows(c.shown)) << r.screen();
        // About ten seconds per prompt on the host's clock, not at once.
        EXPECT_GE(r.host.nowMs, 10000 * static_cast<int64_t>(c.answers.size()));
    }
    // Retry, then the data comes: the statement completes.
    script = Script{};
    Rig r;
    r.msPerSlice = 500;
    r.host.answers = {Host::AnswerRetry};
    r.program({"10 OPEN \"COM1:9600,N,8,1,N\" AS #1", "20 LINE INPUT #1,A$:PRINT \"[\";A$;\"]\"", "RUN"});
    ASSERT_TRUE(r.run([&] {
        if (!r.host.asked.empty() && r.host.nowMs > 15000 && script.incoming.empty()) script.incoming = "LATE\r";
    }));
    EXPECT_TRUE(r.shows("[LATE]")) << r.screen();
}

TEST_F(ScriptedTest, EscEndsAReceiveWait) {
    Rig r;
    r.program({"10 OPEN \"COM1:9600,N,8,1,N\" AS #1", "20 INPUT #1,A", "RUN"});
    for (int i = 0; i < 50; ++i) r.slice();
    ASSERT_TRUE(r.in.running());
    EXPECT_TRUE(r.in.deviceWaiting());
    r.in.keyChar(27);
    EXPECT_FALSE(r.in.running());
    EXPECT_TRUE(r.shows("BREAK, OK in 20")) << r.screen();
    EXPECT_TRUE(r.host.asked.empty());
}

TEST_F(ScriptedTest, CountsAndSendLimit) {
    script.incoming = "ABCDE";
    Rig r;
    std::string items = "A$";
    for (int i = 0; i < 32; ++i) items += ";A$";  // 33 x 255 bytes
    r.type("OPEN \"COM1:9600,N,8,1,N\" AS #1:PRINT LOC(1);LOF(1);EOF(1):X$=INPUT$(5,#1):PRINT LOC(1);LOF(1);EOF(1)");
    r.run();
    EXPECT_TRUE(r.shows(" 5  8187  0\n 0  8192 -1")) << r.screen();
    r.type("A$=STRING$(255,\"Z\"):PRINT #1," + items);
    r.run();
    EXPECT_TRUE(r.shows("Disk I/O error")) << r.screen();
    EXPECT_EQ(script.outgoing, "");
}

TEST_F(ScriptedTest, FullOutputWaitsAndNothingIsLost) {
    script.room = 0;  // the partner does not read yet
    Rig r;
    r.program({"10 OPEN \"COM1:9600,N,8,1,N\" AS #1", "20 FOR I=1 TO 100:PRINT #1,STRING$(200,\"Q\"):NEXT",
               "30 CLOSE #1:PRINT \"SENT\"", "RUN"});
    for (int i = 0; i < 200; ++i) r.slice();
    EXPECT_TRUE(r.in.running());
    EXPECT_TRUE(r.in.deviceWaiting());
    script.room = 1 << 30;
    ASSERT_TRUE(r.run());
    EXPECT_TRUE(r.shows("SENT")) << r.screen();
    std::string expected;
    for (int i = 0; i < 100; ++i) expected += std::string(200, 'Q') + "\r";
    EXPECT_EQ(script.outgoing, expected);
}

TEST_F(ScriptedTest, FiveSlotsAndPortNumbers) {
    const std::pair<const char*, const char*> cases[] = {
        {"10 FOR I=1 TO 6:P$=\"COM\"+MID$(STR$(I),2)+\":9600,N,8,1,N\":ON I GOSUB 21,22,23,24,25,26:NEXT:END",
         " 1  2  3  4  5 Out of memory in 26"},
        {"OPEN \"COM0:9600,N,8,1,N\" AS #1:OPEN \"COM1:9600,N,8,1,N\" AS #2", "Port already open"},
        {"OPEN \"COM:9600,N,8,1,N\" AS #3:ON COM GOSUB 10:PRINT \"SET\"", "SET"},
        {"OPEN \"COM2:9600,N,8,1,N\" AS #3:ON COM(1) GOSUB 10", "Illegal function call"},
    };
    for (const auto& [statement, shown] : cases) {
        Rig r;
        for (int n = 1; n <= 6; ++n)
            r.type(std::to_string(20 + n) + " OPEN P$ AS #" + std::to_string(n) + ":PRINT I;:RETURN");
        r.type(statement);
        if (statement[0] == '1') r.type("RUN");
        r.run();
        EXPECT_TRUE(r.shows(shown)) << statement << "\n" << r.screen();
    }
}

TEST_F(ScriptedTest, StoppedComTrapFiresAtOn) {
    script.incoming = "X\r";
    Rig r;
    r.program({"10 OPEN \"COM1:9600,N,8,1,N\" AS #1:ON COM(1) GOSUB 100:COM(1) STOP",
               "20 FOR I=1 TO 20:NEXT:PRINT \"ON\":COM(1) ON", "30 PRINT \"AFTER\":COM(1) OFF:CLOSE #1:END",
               "100 LINE INPUT #1,A$:PRINT \"GOT \";A$:RETURN", "RUN"});
    ASSERT_TRUE(r.run());
    EXPECT_TRUE(r.shows("ON\nGOT X\nAFTER")) << r.screen();
}

TEST_F(ScriptedTest, TransfersToOtherDevicesAreRefused) {
    const std::pair<const char*, const char*> cases[] = {
        {"LOAD \"LPT1:\"", "Illegal operetion"},
        {"SAVE \"SCRN:\"", "Illegal operetion"},
        {"LOAD \"KYBD:\"", "Illegal operetion"},
    };
    for (const auto& [statement, shown] : cases) EXPECT_EQ(test::directOutput(statement), shown) << statement;
}

TEST(PrinterTransfer, SaveToThePrinterWritesTheListing) {
    const std::string path = std::filesystem::temp_directory_path() / ("tw_lpt_" + std::to_string(::getpid()));
    std::filesystem::remove(path);
    ::setenv("TARNWICK_LPT1", path.c_str(), 1);
    Rig r;
    r.program({"10 PRINT 1", "20 END", "SAVE \"LPT1:\""});
    r.run();
    ::unsetenv("TARNWICK_LPT1");
    std::ifstream f(path, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    EXPECT_EQ(ss.str(), "10 PRINT 1\r\n20 END\r\n");
    std::filesystem::remove(path);
}

// ------------------------------------------------------------ TCP

int freePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    ::close(fd);
    return ntohs(a.sin_port);
}

// Two interpreters, one listening on port 1, the other connecting on
// port 2, run in turns.
class TcpTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string port = std::to_string(freePort());
        ::setenv("TARNWICK_COM1", ("listen:" + port).c_str(), 1);
        ::setenv("TARNWICK_COM2", ("tcp:127.0.0.1:" + port).c_str(), 1);
    }
    void TearDown() override {
        ::unsetenv("TARNWICK_COM1");
        ::unsetenv("TARNWICK_COM2");
    }
    // Both run until both have ended.
    static bool runBoth(Rig& a, Rig& b, int limit = 20000) {
        for (int i = 0; i < limit; ++i) {
            const bool ra = a.slice();
            const bool rb = b.slice();
            if (!ra && !rb) return true;
        }
        return false;
    }
};

TEST_F(TcpTest, TwoInterpretersTalkAndOnComFires) {
    Rig a, b;
    a.program({"10 OPEN \"COM1:9600,N,8,1,N\" AS #1", "20 ON COM(1) GOSUB 100", "30 COM(1) ON",
               "40 IF N<2 THEN 40", "50 COM(1) OFF:PRINT #1,\"BYE\":CLOSE:END",
               "100 INPUT #1,W$,V:N=N+1:PRINT W$;V:RETURN", "RUN"});
    b.program({"10 OPEN \"COM2:9600,N,8,1,N\" AS #2", "20 WRITE #2,\"ONE\",1", "30 WRITE #2,\"TWO\",2",
               "40 LINE INPUT #2,A$:PRINT \"B:\";A$:CLOSE #2", "RUN"});
    ASSERT_TRUE(runBoth(a, b));
    EXPECT_TRUE(a.shows("ONE 1\nTWO 2")) << a.screen();
    EXPECT_TRUE(b.shows("B:BYE")) << b.screen();
    EXPECT_TRUE(a.host.asked.empty());
}

TEST_F(TcpTest, ProgramTransferBetweenInterpreters) {
    Rig a, b;
    a.program({"10 REM SENT OVER TCP", "20 PRINT \"OK\"", "30 END"});
    b.type("LOAD \"COM1:9600,N,8,1,N\"");
    a.type("SAVE \"COM2:9600,N,8,1,N\"");
    // The sender finishes and closes; the receiver waits for its break.
    for (int i = 0; i < 20000 && a.in.running(); ++i) {
        a.slice();
        b.slice();
    }
    ASSERT_FALSE(a.in.running());
    for (int i = 0; i < 50; ++i) b.slice();
    ASSERT_TRUE(b.in.running());
    b.in.breakRun();
    ASSERT_EQ(b.in.lineCount(), 3);
    EXPECT_EQ(b.in.lineText(0), "10 REM SENT OVER TCP");
    EXPECT_EQ(b.in.lineText(2), "30 END");
}

TEST(TcpListen, PartnerWaitPromptsAfterItsTimeAndAcceptsLater) {
    const int port = freePort();
    ::setenv("TARNWICK_COM1", ("listen:127.0.0.1:" + std::to_string(port)).c_str(), 1);
    Rig r;
    r.msPerSlice = 100;
    r.host.answers = {Host::AnswerRetry};
    r.program({"10 OPEN \"COM1:1200,N,8,1,N\" AS #1", "20 LINE INPUT #1,A$:PRINT \"<\";A$;\">\"", "RUN"});
    int peer = -1;
    ASSERT_TRUE(r.run([&] {
        // The peer connects only after the first prompt.
        if (peer < 0 && !r.host.asked.empty()) {
            peer = ::socket(AF_INET, SOCK_STREAM, 0);
            sockaddr_in a{};
            a.sin_family = AF_INET;
            a.sin_port = htons(static_cast<uint16_t>(port));
            a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            ASSERT_EQ(::connect(peer, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
            ASSERT_EQ(::write(peer, "HI\r\n", 4), 4);
        }
    }));
    ::unsetenv("TARNWICK_COM1");
    if (peer >= 0) ::close(peer);
    ASSERT_EQ(r.host.asked.size(), 1u);
    EXPECT_EQ(r.host.asked[0], "Partner is not connect , Retry ?");
    EXPECT_TRUE(r.shows("<HI>")) << r.screen();
}

}  // namespace
}  // namespace tw
