// The --speed option of the executable, in batch mode and for the window:
// accepted values leave the transcript as it is at full speed, bad ones are
// a usage error (exit 2) before anything runs.
#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>

namespace {

struct Result {
    int code = -1;
    QString out;
    QString err;
};

Result run(const QStringList& args, const QByteArray& input = {}) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(TARNWICK_EXE), args);
    if (!p.waitForStarted(10000)) return {};
    p.write(input);
    p.closeWriteChannel();
    if (!p.waitForFinished(20000)) {
        p.kill();
        p.waitForFinished();
        return {};
    }
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

TEST(SpeedCommandLine, BatchTranscriptIsTheSameAtAnySpeed) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("T.BAS"));
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("10 FOR I=1 TO 30:NEXT\r\n20 INPUT A\r\n30 PRINT A*2;\"done\"\r\n");
    }
    const QByteArray session = "PRINT 6*7\n10 PRINT \"x\";\nRUN\n";
    const Result full = run({QStringLiteral("--batch")}, session);
    ASSERT_EQ(full.code, 0);
    const Result fullFile = run({QStringLiteral("--batch"), file}, "21\n");
    ASSERT_EQ(fullFile.code, 0);
    for (const char* speed : {"full", "original", "5000", "100000"}) {
        SCOPED_TRACE(speed);
        // Before or after --batch, as every option.
        const Result a = run({QStringLiteral("--batch"), QStringLiteral("--speed"), QString::fromLatin1(speed)}, session);
        EXPECT_EQ(a.code, 0);
        EXPECT_EQ(a.out, full.out);
        const Result b = run({QStringLiteral("--speed"), QString::fromLatin1(speed), QStringLiteral("--batch"), file}, "21\n");
        EXPECT_EQ(b.code, 0);
        EXPECT_EQ(b.out, fullFile.out);
    }
}

TEST(SpeedCommandLine, BadValuesAreUsageErrors) {
    struct Case {
        QStringList args;
        const char* message;
    };
    const Case cases[] = {
        {{QStringLiteral("--batch"), QStringLiteral("--speed"), QStringLiteral("0")}, "bad --speed value: 0"},
        {{QStringLiteral("--batch"), QStringLiteral("--speed"), QStringLiteral("fast")}, "bad --speed value: fast"},
        {{QStringLiteral("--batch"), QStringLiteral("--speed")}, "--speed needs"},
        // The window checks the option before it opens.
        {{QStringLiteral("--speed"), QStringLiteral("-3")}, "bad --speed value"},
        {{QStringLiteral("--speed=slow")}, "bad --speed value"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(QLatin1Char(' ')).toStdString());
        const Result r = run(c.args);
        EXPECT_EQ(r.code, 2);
        EXPECT_TRUE(r.err.contains(QString::fromLatin1(c.message))) << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty());
    }
}

}  // namespace
