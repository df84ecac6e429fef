// The real dialogs behind Dialogs: each is answered by a timer as soon as
// it shows, and one still open after a few seconds is closed, so no test
// can wait for a person.
#include <gtest/gtest.h>

#include <functional>

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include "core/host.h"
#include "gui/dialogs.h"
#include "gui/dlgdeletecut.h"
#include "gui/dlglist.h"
#include "gui/printing.h"
#include "gui/printpat.h"

using namespace tw;

namespace {

// Answers the next modal dialog of type D once it shows (looking every
// 10 ms for up to 3 s); a dialog the answer leaves open is closed after 3 s.
template <class D>
void whenShown(std::function<void(D*)> answer, int tries = 300) {
    QTimer::singleShot(tries == 300 ? 0 : 10, [answer, tries] {
        auto* d = qobject_cast<D*>(QApplication::activeModalWidget());
        if (!d) {
            if (tries > 0) whenShown<D>(answer, tries - 1);
            return;
        }
        QPointer<QDialog> guard(d);
        QTimer::singleShot(3000, [guard] {
            if (guard) guard->reject();
        });
        answer(d);
    });
}

TEST(Dialogs, RangeDialogHandsBackItsNumbers) {
    Dialogs dialogs;
    QString title;
    whenShown<CDlgDeleteCut>([&](CDlgDeleteCut* d) {
        title = d->windowTitle();
        d->startEdit()->setText(QStringLiteral("20"));
        d->endEdit()->setText(QStringLiteral("40"));
        d->accept();
    });
    int s = 1, e = 65536;
    ASSERT_TRUE(dialogs.lineRange(nullptr, QStringLiteral("リストの部分コピー"), s, e));
    EXPECT_EQ(title, QStringLiteral("リスト文番号／開始・終了"));
    EXPECT_EQ(s, 20);
    EXPECT_EQ(e, 40);

    whenShown<CDlgDeleteCut>([](CDlgDeleteCut* d) { d->reject(); });
    EXPECT_FALSE(dialogs.lineRange(nullptr, QString(), s, e));
}

TEST(Dialogs, ListDialogHandsBackTextChoiceAndButton) {
    Dialogs dialogs;
    QString shown;
    whenShown<CDlgList>([&](CDlgList* d) {
        shown = d->text();
        d->editor()->setPlainText(QStringLiteral("30 A=1\n10 B=2\n"));
        d->mergeRadio()->click();
        d->button(CDlgList::Sort)->click();
    });
    QString text = QStringLiteral("10 PRINT 1\n");
    bool replaceAll = true;
    EXPECT_EQ(dialogs.listEdit(nullptr, text, replaceAll), CDlgList::Sort);
    EXPECT_EQ(shown, QStringLiteral("10 PRINT 1\n"));
    EXPECT_EQ(text, QStringLiteral("30 A=1\n10 B=2\n"));
    EXPECT_FALSE(replaceAll);

    whenShown<CDlgList>([](CDlgList* d) { d->reject(); });
    EXPECT_EQ(dialogs.listEdit(nullptr, text, replaceAll), -1);
}

TEST(Dialogs, PrintSettingsDialogHandsBackTheChoice) {
    Dialogs dialogs;
    whenShown<CPrint_Pat>([](CPrint_Pat* d) {
        d->screenRadio()->click();
        d->negativeRadio()->click();
        d->accept();
    });
    PrintSettings s;
    ASSERT_TRUE(dialogs.printPattern(nullptr, s));
    EXPECT_EQ(s.kind, PrintSettings::Screen);
    EXPECT_TRUE(s.reverse);
}

TEST(Dialogs, MessageBoxAnswers) {
    struct Case {
        int buttons;
        QMessageBox::StandardButton press;
        int answer;
    };
    const Case cases[] = {
        {Host::Ok, QMessageBox::Ok, Host::AnswerOk},
        {Host::OkCancel, QMessageBox::Cancel, Host::AnswerCancel},
        {Dialogs::YesNoCancel, QMessageBox::Yes, Host::AnswerYes},
        {Dialogs::YesNoCancel, QMessageBox::No, Host::AnswerNo},
        {Host::RetryCancel, QMessageBox::Retry, Host::AnswerRetry},
    };
    Dialogs dialogs;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer);
        QString text;
        whenShown<QMessageBox>([&](QMessageBox* m) {
            text = m->text();
            if (QAbstractButton* b = m->button(c.press)) b->click();
        });
        EXPECT_EQ(dialogs.ask(nullptr, QStringLiteral("全リストの削除をします。"), c.buttons), c.answer);
        EXPECT_EQ(text, QStringLiteral("全リストの削除をします。"));
    }
}

}  // namespace
