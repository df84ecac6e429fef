// The program file behind the window: File Open, Save, Save As, New, the
// unsaved-changes question, dropped files and the command-line file.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QSettings>
#include <QTemporaryDir>
#include <QUrl>

#include "gui/app.h"
#include "gui/commands.h"
#include "gui/document.h"
#include "gui_support.h"

using namespace tw;
using twtest::Window;

namespace {

QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
    const QString p = dir.filePath(name);
    QFile f(p);
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
    return QFileInfo(p).absoluteFilePath();
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// Restores the working directory, which reading and writing programs move.
struct KeepCwd {
    QString saved = QDir::currentPath();
    ~KeepCwd() { QDir::setCurrent(saved); }
};

TEST(Document, OpenReadsTheFileAndFollowsItsDirectory) {
    struct Case {
        const char* name;
        QByteArray bytes;
        std::string listing;
    };
    const Case cases[] = {
        {"CRLF", "10 print \"abc\":rem xyz\r\n20 END\r\n", "10 PRINT \"abc\":REM xyz|20 END|"},
        {"LF only", "10 A=1\n\n20 B=2\n", "10 A=1|20 B=2|"},
        {"no number dropped", "10 A=1\r\nHELLO\r\n30 C=3\r\n", "10 A=1|30 C=3|"},
        {"UTF-8", "10 PRINT \"\xE3\x81\x82\"\r\n", "10 PRINT \"\x82\xA0\"|"},
    };
    KeepCwd keep;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const QString path = writeFile(dir, QStringLiteral("PROG.BAS"), c.bytes);
        Window w;
        w.dialogs.openNames = {path};
        w.command(ID_FILE_OPEN);
        EXPECT_EQ(w.listing(), c.listing);
        EXPECT_EQ(w.frame->windowTitle(), QStringLiteral("PROG.BAS - TARNWICK"));
        EXPECT_EQ(w.frame->document()->pathName(), path);
        EXPECT_FALSE(w.frame->document()->isModified());
        EXPECT_EQ(QDir::currentPath(), QFileInfo(path).absolutePath());
    }
}

TEST(Document, OpenFailureIsReported) {
    Window w;
    w.line("10 PRINT 1");
    w.dialogs.answers = {Host::AnswerNo};  // discard the typed program
    w.dialogs.openNames = {QStringLiteral("/nonexistent/dir/X.BAS")};
    w.command(ID_FILE_OPEN);
    ASSERT_EQ(w.dialogs.asked.size(), 2u);
    EXPECT_TRUE(w.dialogs.asked[1].startsWith(QStringLiteral("File not open")));
    EXPECT_EQ(w.frame->windowTitle(), QStringLiteral("TARNWICK"));
}

TEST(Document, SaveAsAddsTheExtensionAndSaveReusesThePath) {
    KeepCwd keep;
    QTemporaryDir dir;
    Window w;
    w.program({"20 PRINT 2", "10 PRINT 1"});
    ASSERT_TRUE(w.frame->document()->isModified());
    // Save without a file goes to Save As.
    w.dialogs.saveNames = {dir.filePath(QStringLiteral("OUT"))};
    w.command(ID_FILE_SAVE);
    const QString path = QFileInfo(dir.filePath(QStringLiteral("OUT.BAS"))).absoluteFilePath();
    EXPECT_EQ(readFile(path), QByteArray("10 PRINT 1\r\n20 PRINT 2\r\n"));
    EXPECT_EQ(w.frame->windowTitle(), QStringLiteral("OUT.BAS - TARNWICK"));
    EXPECT_FALSE(w.frame->document()->isModified());

    w.line("30 PRINT 3");
    EXPECT_TRUE(w.frame->document()->isModified());
    w.command(ID_FILE_SAVE);
    EXPECT_EQ(w.dialogs.saveSuggestions.size(), 1u);  // no second Save As
    EXPECT_EQ(readFile(path), QByteArray("10 PRINT 1\r\n20 PRINT 2\r\n30 PRINT 3\r\n"));
    EXPECT_EQ(w.frame->recentFiles().value(0), path);
}

TEST(Document, BinaryProgramIsSavedBackInBinary) {
    KeepCwd keep;
    QTemporaryDir dir;
    // 0xFE, then a record: length 12, line 10, " PRINT 1".
    const QByteArray binary("\xFE\x0C\x00\x0A\x00 PRINT 1", 13);
    const QString path = writeFile(dir, QStringLiteral("B.BAS"), binary);
    Window w;
    ASSERT_TRUE(w.frame->openDocumentFile(path));
    EXPECT_EQ(w.listing(), "10 PRINT 1|");
    w.command(ID_FILE_SAVE);
    EXPECT_EQ(readFile(path), binary);
}

TEST(Document, UnsavedChangesQuestionBeforeNew) {
    struct Case {
        int answer;
        bool saved;
        int linesAfter;
    };
    KeepCwd keep;
    for (const Case c : {Case{Host::AnswerYes, true, 0}, Case{Host::AnswerNo, false, 0},
                         Case{Host::AnswerCancel, false, 1}}) {
        SCOPED_TRACE(c.answer);
        QTemporaryDir dir;
        const QString path = writeFile(dir, QStringLiteral("A.BAS"), "10 PRINT 1\r\n");
        Window w;
        ASSERT_TRUE(w.frame->openDocumentFile(path));
        w.line("10 PRINT 9");
        w.dialogs.answers = {c.answer};
        w.command(ID_FILE_NEW);
        ASSERT_EQ(w.dialogs.asked.size(), 1u);
        EXPECT_EQ(w.dialogs.asked[0], QStringLiteral("A.BAS への変更を保存しますか?"));
        EXPECT_EQ(readFile(path) == QByteArray("10 PRINT 9\r\n"), c.saved);
        EXPECT_EQ(w.in().lineCount(), c.linesAfter);
        EXPECT_EQ(w.frame->windowTitle(),
                  c.linesAfter ? QStringLiteral("A.BAS - TARNWICK") : QStringLiteral("TARNWICK"));
    }
}

TEST(Document, UnmodifiedProgramIsDiscardedWithoutAQuestion) {
    Window w;
    w.command(ID_FILE_NEW);
    w.dialogs.openNames = {};
    w.command(ID_FILE_OPEN);
    EXPECT_TRUE(w.dialogs.asked.empty());
}

TEST(Document, CancelKeepsTheWindowOpen) {
    Window w;
    w.line("10 PRINT 1");
    w.dialogs.answers = {Host::AnswerCancel};
    EXPECT_FALSE(w.frame->close());
    EXPECT_TRUE(w.frame->isVisible());
    w.dialogs.answers = {Host::AnswerNo};
    EXPECT_TRUE(w.frame->close());
}

TEST(Document, DroppedFileIsLoaded) {
    KeepCwd keep;
    QTemporaryDir dir;
    const QString first = writeFile(dir, QStringLiteral("DROP.BAS"), "10 PRINT \"DROPPED\"\r\n");
    const QString second = writeFile(dir, QStringLiteral("OTHER.BAS"), "10 PRINT 2\r\n");
    Window w;
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(first), QUrl::fromLocalFile(second)});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w.view()->viewport(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w.view()->viewport(), &drop);
    // Only the first file counts.
    EXPECT_EQ(w.listing(), "10 PRINT \"DROPPED\"|");
    EXPECT_EQ(w.frame->windowTitle(), QStringLiteral("DROP.BAS - TARNWICK"));
}

TEST(Document, CommandLineFileOpensAtStartUp) {
    KeepCwd keep;
    QTemporaryDir dir;
    const QString path = writeFile(dir, QStringLiteral("CMD.BAS"), "10 PRINT 1\r\n20 PRINT 2\r\n");
    {
        twtest::ScriptedDialogs dialogs;
        COrvellanApp app(&dialogs);
        ASSERT_TRUE(app.initInstance(path));
        EXPECT_TRUE(app.mainFrame()->isVisible());
        EXPECT_EQ(app.mainFrame()->view()->interp().lineCount(), 2);
        EXPECT_EQ(app.mainFrame()->windowTitle(), QStringLiteral("CMD.BAS - TARNWICK"));
    }
    // A file that cannot be opened ends start-up.
    twtest::ScriptedDialogs dialogs;
    COrvellanApp app(&dialogs);
    EXPECT_FALSE(app.initInstance(dir.filePath(QStringLiteral("MISSING.BAS"))));
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_TRUE(dialogs.asked[0].startsWith(QStringLiteral("File not open")));
}

}  // namespace
