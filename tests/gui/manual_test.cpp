// The user manual: built into the program, complete (every statement of the
// keyword table, every builtin function and every error message has its
// entry), and shown by the help command in a window that is not modal.
#include <gtest/gtest.h>

#include <QApplication>
#include <QScrollBar>
#include <QStringList>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTreeWidget>

#include "core/errors.h"
#include "core/stmt.h"
#include "eval/functions.h"
#include "gui/dialogs.h"
#include "gui/manual.h"
#include "gui_support.h"

using namespace tw;

namespace {

// The items of every statement heading ("### GOTO, GO TO" gives two).
QStringList statementHeadings(const QString& md) {
    QStringList items;
    for (const QString& line : md.split(QLatin1Char('\n')))
        if (line.startsWith(QStringLiteral("### ")))
            for (const QString& item : line.mid(4).split(QStringLiteral(", "))) items << item.trimmed();
    return items;
}

TEST(Manual, IsBuiltIn) {
    const QString md = ManualWindow::markdown();
    ASSERT_FALSE(md.isEmpty());
    EXPECT_TRUE(md.startsWith(QStringLiteral("# TARNWICK user manual")));
    for (const char* chapter : {"# Getting started", "# The language", "# Statements", "# Functions",
                                "# Error messages", "# Files and devices", "# Batch mode", "# The window"}) {
        SCOPED_TRACE(chapter);
        EXPECT_TRUE(md.contains(QLatin1Char('\n') + QString::fromLatin1(chapter) + QLatin1Char('\n')));
    }
}

// Each keyword of the dispatcher's table has a heading of its own (or a
// share of one), in the spelling a program uses.
TEST(Manual, EveryStatementHasAnEntry) {
    const QStringList headings = statementHeadings(ManualWindow::markdown());
    // Table entries that are spelt otherwise in programs.
    const std::pair<const char*, const char*> spelling[] = {
        {"LINEINPUT", "LINE INPUT"},  {"LINEINPUT #", "LINE INPUT #"}, {"LINE(", "LINE"},
        {"KEY ON/OFF/STOP", "KEY ON"}, {"STOP ON/OFF/STOP", "STOP ON"},  {"TIME$ ON/OFF/STOP", "TIME$ ON"},
        {"ON", "ON … GOTO"},           {"PEN", "PEN ON"},                {"COM", "COM ON"},
    };
    for (int code = 1; code <= kw::Count; ++code) {
        QString k = QString::fromLatin1(keywordText(code)).trimmed();
        for (const auto& [table, written] : spelling)
            if (k == QLatin1String(table)) k = QString::fromUtf8(written);
        SCOPED_TRACE(k.toStdString());
        bool found = false;
        for (const QString& h : headings)
            if (h == k || h.startsWith(k + QLatin1Char(' '))) found = true;
        EXPECT_TRUE(found);
    }
}

TEST(Manual, EveryFunctionHasAnEntry) {
    const QString md = ManualWindow::markdown();
    // USR1 .. USR8 share the row of USR0 .. USR9.
    const char* names[] = {
        "SIN", "COS", "TAN", "LOG", "SQR", "ABS", "EXP", "ATN", "SGN", "CINT", "CSNG", "CDBL", "ASC", "CSRLIN",
        "POS", "CVI", "CVS", "CVD", "VAL", "POINT", "FIX", "INT", "RND", "INSTR", "EOF", "LEN", "PEEK", "DEFUSER",
        "VARPTR", "INP", "USR0", "USR9", "ERL", "ERR", "SEC", "CSC", "COT", "ARCSIN", "ARCCOS", "ARCSEC",
        "ARCCSC", "ARCCOT", "SINH", "COSH", "TANH", "SECH", "CSCH", "COTH", "ARCSINH", "ARCCOSH", "ARCTANH",
        "ARCSECH", "ARCCSCH", "ARCCOTH", "COSEC", "ASIN", "ACOS", "ASEC", "ACSC", "ACOSEC", "ACOT", "COSECH",
        "ASINH", "ACOSH", "ATANH", "ASECH", "ACSCH", "ACOSECH", "ACOTH", "MAP", "VIEW", "WINDOW", "LOF", "PEN",
        "ROUND", "SEGPTR", "LOC", "CHR$", "LEFT$", "RIGHT$", "MID$", "SPACE$", "HEX$", "OCT$", "MKI$", "MKS$",
        "MKD$", "STR$", "STRING$", "INKEY$", "SPC$", "TAB$", "INPUT$", "DATE$", "TIME$",
    };
    for (const char* n : names) {
        SCOPED_TRACE(n);
        // The list names real functions...
        ASSERT_NE(findFunction(n), nullptr);
        // ...and the manual shows each as code, called or alone.
        const QString name = QLatin1Char('`') + QString::fromLatin1(n);
        EXPECT_TRUE(md.contains(name + QLatin1Char('(')) || md.contains(name + QLatin1Char('`')) ||
                    md.contains(name + QLatin1Char('[')));
    }
    EXPECT_TRUE(md.contains(QStringLiteral("`FNname(")));
}

TEST(Manual, EveryErrorMessageIsListedWithItsCode) {
    const QString md = ManualWindow::markdown();
    using namespace err;
    for (int code : {NextWithoutFor, Syntax, ReturnWithoutGosub, OutOfData, IllegalFunctionCall, Overflow,
                     OutOfMemory, UndefinedLine, SubscriptOutOfRange, DuplicateDefinition, DivisionByZero,
                     TypeMismatch, CantContinue, UndefinedUserFunction, MissingOperand, LineBufferOverflow,
                     ForWithoutNext, WhileWithoutWend, DuplicateLabel, UndefinedLabel, FieldOverflow, BadFileNumber,
                     FileNotFound, FileAlreadyOpen, FileNotOpen, DiskIO, FileAlreadyExist, IllegalOperation,
                     NotConnectCom, PortAlreadyOpen}) {
        QString text = QString::fromLatin1(message(code));
        if (text.endsWith(QStringLiteral(" in "))) text.chop(4);
        text = text.trimmed();
        SCOPED_TRACE(text.toStdString());
        EXPECT_TRUE(md.contains(QStringLiteral("| %1 | %2 |").arg(code).arg(text)));
    }
}

TEST(Manual, WindowShowsTheRenderedTextWithContents) {
    ManualWindow w;
    QTextDocument* doc = w.browser()->document();
    // Rendered, not shown as source: no Markdown marks at line starts.
    EXPECT_FALSE(doc->toPlainText().contains(QStringLiteral("\n### ")));
    EXPECT_TRUE(doc->toPlainText().contains(QStringLiteral("Division by Zero (/0)")));
    QStringList top;
    for (int i = 0; i < w.contents()->topLevelItemCount(); ++i) top << w.contents()->topLevelItem(i)->text(0);
    EXPECT_EQ(top, (QStringList{QStringLiteral("TARNWICK user manual"), QStringLiteral("Getting started"),
                                QStringLiteral("The language"), QStringLiteral("Statements"),
                                QStringLiteral("Functions"), QStringLiteral("Error messages"),
                                QStringLiteral("Files and devices"), QStringLiteral("Batch mode"),
                                QStringLiteral("The window")}));
    // A heading chosen in the list moves the text to it.
    w.resize(800, 500);
    w.show();
    ASSERT_TRUE(w.showHeading(QStringLiteral("Run speed")));
    EXPECT_EQ(w.browser()->textCursor().block().text(), QStringLiteral("Run speed"));
    EXPECT_GT(w.browser()->verticalScrollBar()->value(), 0);
    EXPECT_FALSE(w.showHeading(QStringLiteral("No such heading")));
}

TEST(Manual, HelpCommandOpensOneWindowThatIsNotModal) {
    Dialogs dialogs;
    QWidget owner;
    owner.show();
    dialogs.help(&owner);
    QCoreApplication::processEvents();
    auto* w = owner.findChild<ManualWindow*>();
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->isVisible());
    EXPECT_TRUE(w->isWindow());
    EXPECT_EQ(w->windowModality(), Qt::NonModal);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    // Asked again: the same window comes to the front.
    w->hide();
    dialogs.help(&owner);
    EXPECT_EQ(owner.findChildren<ManualWindow*>().size(), 1);
    EXPECT_TRUE(w->isVisible());
}

}  // namespace
