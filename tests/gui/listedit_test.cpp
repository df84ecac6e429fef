// The list-editing commands: the listing and line ranges through the
// clipboard, deleting, the range dialog and the list-editing dialog.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>

#include "gui/commands.h"
#include "gui/dlgdeletecut.h"
#include "gui/dlglist.h"
#include "gui/document.h"
#include "gui/listing.h"
#include "gui_support.h"

using namespace tw;
using twtest::Window;

namespace {

QString clip() { return QApplication::clipboard()->text(); }

void fourLines(Window& w) { w.program({"10 PRINT 1", "20 PRINT 2", "30 PRINT 3", "50 PRINT 5"}); }

TEST(ListEdit, CopyWholeListingAndARange) {
    Window w;
    fourLines(w);
    w.command(ID_COPY_ALL);
    EXPECT_EQ(clip(), QStringLiteral("10 PRINT 1\n20 PRINT 2\n30 PRINT 3\n50 PRINT 5\n"));
    w.dialogs.ranges = {{20, 40}};
    w.command(ID_COPY_RANGE);
    EXPECT_EQ(clip(), QStringLiteral("20 PRINT 2\n30 PRINT 3\n"));
    EXPECT_EQ(w.dialogs.rangeCaptions.back(), QStringLiteral("リストの部分コピー"));
    EXPECT_EQ(w.in().lineCount(), 4);
}

TEST(ListEdit, ReversedRangeAsksAgain) {
    Window w;
    fourLines(w);
    QApplication::clipboard()->setText(QStringLiteral("unchanged"));
    w.dialogs.ranges = {{30, 10}, {10, 20}};
    w.command(ID_COPY_RANGE);
    ASSERT_EQ(w.dialogs.asked.size(), 1u);
    EXPECT_EQ(w.dialogs.asked[0], QStringLiteral("Begin > End , let re_input."));
    EXPECT_EQ(w.dialogs.rangeCaptions.size(), 2u);
    EXPECT_EQ(clip(), QStringLiteral("10 PRINT 1\n20 PRINT 2\n"));
    // Cancelling the range dialog ends the command.
    w.dialogs.ranges.clear();
    w.command(ID_DELETE_RANGE);
    EXPECT_EQ(w.in().lineCount(), 4);
}

// Whole-listing cut and delete ask first; Cancel keeps the program.
TEST(ListEdit, CutAndDeleteTheWholeListing) {
    struct Case {
        int id;
        const char* question;
        int answer;
        bool emptied;
        bool copied;
    };
    const Case cases[] = {
        {ID_CUT_ALL, "全リストの切り取り・クリップボードにコピーをします。", Host::AnswerOk, true, true},
        {ID_CUT_ALL, "全リストの切り取り・クリップボードにコピーをします。", Host::AnswerCancel, false, false},
        {ID_DELETE_ALL, "全リストの削除をします。", Host::AnswerOk, true, false},
        {ID_DELETE_ALL, "全リストの削除をします。", Host::AnswerCancel, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.id) + " " + std::to_string(c.answer));
        Window w;
        fourLines(w);
        // Saved: the document is clean until a command changes the program.
        QTemporaryDir dir;
        ASSERT_TRUE(w.frame->document()->onSaveDocument(dir.filePath(QStringLiteral("F.BAS"))));
        ASSERT_FALSE(w.frame->document()->isModified());
        QApplication::clipboard()->setText(QStringLiteral("before"));
        w.dialogs.answers = {c.answer};
        w.command(c.id);
        ASSERT_EQ(w.dialogs.asked.size(), 1u);
        EXPECT_EQ(w.dialogs.asked[0], QString::fromUtf8(c.question));
        EXPECT_EQ(w.in().lineCount(), c.emptied ? 0 : 4);
        EXPECT_EQ(clip().startsWith(QStringLiteral("10 PRINT 1\n")), c.copied);
        EXPECT_EQ(w.frame->document()->isModified(), c.emptied);
    }
}

TEST(ListEdit, CutAndDeleteARange) {
    Window w;
    fourLines(w);
    w.dialogs.ranges = {{20, 30}};
    w.command(ID_CUT_RANGE);
    EXPECT_EQ(clip(), QStringLiteral("20 PRINT 2\n30 PRINT 3\n"));
    EXPECT_EQ(w.listing(), "10 PRINT 1|50 PRINT 5|");
    w.dialogs.ranges = {{1, 10}};
    w.command(ID_DELETE_RANGE);
    EXPECT_EQ(w.listing(), "50 PRINT 5|");
    EXPECT_EQ(w.dialogs.rangeCaptions,
              (std::vector<QString>{QStringLiteral("リストの部分切り取り"), QStringLiteral("リストの部分削除")}));
}

TEST(ListEdit, PasteReplacesOrMergesByNumber) {
    struct Case {
        int id;
        std::string listing;
    };
    const Case cases[] = {
        {ID_PASTE_ALL, "20 PRINT \"new\"|40 PRINT 4|"},
        {ID_PASTE_RANGE, "10 PRINT 1|20 PRINT \"new\"|30 PRINT 3|40 PRINT 4|50 PRINT 5|"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        Window w;
        fourLines(w);
        // Lines without a number, or with one past 65536, are ignored;
        // pasted text is entered as if typed.
        QApplication::clipboard()->setText(
            QStringLiteral("  20 print \"new\"\r\nnot a line\n40 ?4\n99999 PRINT 9\n"));
        w.command(c.id);
        EXPECT_EQ(w.listing(), c.listing);
        EXPECT_TRUE(w.frame->document()->isModified());
        EXPECT_TRUE(w.dialogs.asked.empty());
    }
}

TEST(ListEdit, OversizedClipboardIsReportedAndStillRead) {
    Window w;
    QString big = QStringLiteral("10 PRINT 1\n");
    big += QString(64001, QLatin1Char('x'));
    QApplication::clipboard()->setText(big);
    w.command(ID_PASTE_ALL);
    ASSERT_EQ(w.dialogs.asked.size(), 1u);
    EXPECT_EQ(w.dialogs.asked[0], QStringLiteral(" error: Program size over 64k. "));
    EXPECT_EQ(w.listing(), "10 PRINT 1|");
}

TEST(ListEdit, ListDialogReplacesOrMerges) {
    struct Case {
        bool replaceAll;
        std::string listing;
    };
    for (const Case c : {Case{true, "10 PRINT \"A\"|15 A$=\"?\"|"},
                         Case{false, "10 PRINT \"A\"|15 A$=\"?\"|20 PRINT 2|30 PRINT 3|50 PRINT 5|"}}) {
        SCOPED_TRACE(c.replaceAll);
        Window w;
        fourLines(w);
        w.dialogs.onList = [&](int, QString& text, bool& replaceAll) {
            text = QStringLiteral("10 ?\"A\"\n  15 a$=\"?\"  \nno number here\n");
            replaceAll = c.replaceAll;
            return static_cast<int>(CDlgList::Ok);
        };
        w.command(ID_LIST_EDIT);
        ASSERT_EQ(w.dialogs.listTexts.size(), 1u);
        EXPECT_EQ(w.dialogs.listTexts[0], QStringLiteral("10 PRINT 1\n20 PRINT 2\n30 PRINT 3\n50 PRINT 5\n"));
        EXPECT_EQ(w.listing(), c.listing);
        EXPECT_TRUE(w.frame->document()->isModified());
    }
}

TEST(ListEdit, SortShowsTheDialogAgainInOrder) {
    Window w;
    w.dialogs.onList = [](int call, QString& text, bool&) {
        if (call == 0) {
            text = QStringLiteral("30 PRINT 3\n10 PRINT 1\n20 PRINT 2\n");
            return static_cast<int>(CDlgList::Sort);
        }
        return -1;  // cancelled: no change
    };
    w.command(ID_LIST_EDIT);
    ASSERT_EQ(w.dialogs.listTexts.size(), 2u);
    EXPECT_EQ(w.dialogs.listTexts[1], QStringLiteral("10 PRINT 1\n20 PRINT 2\n30 PRINT 3\n"));
    EXPECT_EQ(w.in().lineCount(), 3);
}

TEST(ListEdit, RenumShowsTheDialogAgain) {
    Window w;
    w.dialogs.onList = [](int call, QString& text, bool&) {
        if (call == 0) {
            text = QStringLiteral("1 PRINT 1\n2 PRINT 2\n");
            return static_cast<int>(CDlgList::Renum);
        }
        return -1;
    };
    w.command(ID_LIST_EDIT);
    ASSERT_EQ(w.dialogs.listTexts.size(), 2u);
    EXPECT_FALSE(w.in().running());
}

TEST(ListEdit, LineNumberPast65536EndsTheDialogWithAnError) {
    Window w;
    w.dialogs.onList = [](int, QString& text, bool&) {
        text = QStringLiteral("10 PRINT 1\n70000 PRINT 7\n20 PRINT 2\n");
        return static_cast<int>(CDlgList::Sort);
    };
    w.command(ID_LIST_EDIT);
    EXPECT_EQ(w.dialogs.listTexts.size(), 1u);
    EXPECT_EQ(w.listing(), "10 PRINT 1|");
    EXPECT_GE(w.findRow("Out of memory"), 0);
}

TEST(ListEdit, EnterLinesCutsLongLinesAndCountsEntries) {
    Window w;
    const std::string longLine = "10 REM " + std::string(2000, 'x');
    enterLines(w.in(), longLine + "\n20 PRINT 2\n", false);
    // The rest of the long line is dropped, not read as another line.
    ASSERT_EQ(w.in().lineCount(), 2);
    EXPECT_EQ(w.in().lineText(0).rfind("10 REM xxx", 0), 0u);
    EXPECT_EQ(w.in().lineText(1), "20 PRINT 2");
    EXPECT_EQ(leadingLineNumber("  120 PRINT"), 120);
    EXPECT_EQ(leadingLineNumber("PRINT 1"), 0);
}

TEST(ListEdit, RangeDialogChecksItsNumbers) {
    CDlgDeleteCut dlg;
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("リスト文番号／開始・終了"));
    EXPECT_EQ(dlg.startEdit()->text(), QStringLiteral("1"));
    EXPECT_EQ(dlg.endEdit()->text(), QStringLiteral("65536"));
    struct Case {
        const char* start;
        const char* end;
        bool accepted;
    };
    for (const Case c : {Case{"0", "10", false}, Case{"1", "65537", false}, Case{"x", "5", false},
                         Case{"30", "10", true}, Case{" 20 ", "40", true}}) {
        SCOPED_TRACE(std::string(c.start) + "-" + c.end);
        dlg.setResult(QDialog::Rejected);
        dlg.startEdit()->setText(QString::fromLatin1(c.start));
        dlg.endEdit()->setText(QString::fromLatin1(c.end));
        dlg.accept();
        EXPECT_EQ(dlg.result() == QDialog::Accepted, c.accepted);
        EXPECT_EQ(dlg.problem().isEmpty(), c.accepted);
    }
    EXPECT_EQ(dlg.start(), 20);
    EXPECT_EQ(dlg.end(), 40);
}

TEST(ListEdit, ListDialogButtonsAndLimit) {
    CDlgList dlg;
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("リスト編集ﾀﾞｲｱﾛｸﾞ"));
    EXPECT_EQ(CDlgList::ruler().size(), 80);
    EXPECT_TRUE(CDlgList::ruler().startsWith(QStringLiteral("12345678901")));
    EXPECT_TRUE(dlg.replaceAll());
    EXPECT_EQ(dlg.replaceRadio()->text(), QStringLiteral("新規挿入"));
    EXPECT_EQ(dlg.mergeRadio()->text(), QStringLiteral("挿入置換"));
    dlg.setText(QString(70000, QLatin1Char('a')));
    EXPECT_EQ(dlg.text().size(), CDlgList::MaxChars);
    for (CDlgList::Result r : {CDlgList::Sort, CDlgList::Renum, CDlgList::Ok}) {
        dlg.setResult(QDialog::Rejected);
        dlg.button(r)->click();
        EXPECT_EQ(dlg.choice(), r);
        EXPECT_EQ(dlg.result(), QDialog::Accepted);
        EXPECT_TRUE(dlg.isHidden());
    }
    dlg.mergeRadio()->click();
    EXPECT_FALSE(dlg.replaceAll());
}

}  // namespace
