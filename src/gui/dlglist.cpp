#include "gui/dlglist.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTextCursor>
#include <QVBoxLayout>

namespace tw {

QString CDlgList::ruler() { return QStringLiteral("1234567890").repeated(8); }

CDlgList::CDlgList(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("リスト編集ﾀﾞｲｱﾛｸﾞ"));
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);

    auto* rulerLabel = new QLabel(ruler(), this);
    rulerLabel->setFont(fixed);
    edit_ = new QPlainTextEdit(this);
    edit_->setFont(fixed);
    edit_->setLineWrapMode(QPlainTextEdit::NoWrap);
    edit_->setTabChangesFocus(true);
    // Wide enough for a full 80-column row.
    edit_->setMinimumWidth(QFontMetrics(fixed).horizontalAdvance(ruler()) + 40);
    edit_->setMinimumHeight(QFontMetrics(fixed).height() * 20);
    connect(edit_, &QPlainTextEdit::textChanged, this, &CDlgList::limitLength);

    replace_ = new QRadioButton(QStringLiteral("新規挿入"), this);
    merge_ = new QRadioButton(QStringLiteral("挿入置換"), this);
    replace_->setChecked(true);

    ok_ = new QPushButton(QStringLiteral("OK"), this);
    auto* cancel = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
    sort_ = new QPushButton(QStringLiteral("SORT"), this);
    renum_ = new QPushButton(QStringLiteral("RENUM"), this);
    ok_->setAutoDefault(false);
    cancel->setAutoDefault(false);
    sort_->setAutoDefault(false);
    renum_->setAutoDefault(false);
    connect(ok_, &QPushButton::clicked, this, [this] { finish(Ok); });
    connect(sort_, &QPushButton::clicked, this, [this] { finish(Sort); });
    connect(renum_, &QPushButton::clicked, this, [this] { finish(Renum); });
    connect(cancel, &QPushButton::clicked, this, &CDlgList::reject);

    auto* options = new QHBoxLayout;
    options->addWidget(replace_);
    options->addWidget(merge_);
    options->addStretch();
    options->addWidget(new QLabel(QStringLiteral("OKを押すとプログラムを置換します。"), this));

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(sort_);
    buttons->addWidget(renum_);
    buttons->addStretch();
    buttons->addWidget(ok_);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(rulerLabel);
    layout->addWidget(edit_, 1);
    layout->addLayout(options);
    layout->addLayout(buttons);
}

void CDlgList::setText(const QString& text) { edit_->setPlainText(text.left(MaxChars)); }

QString CDlgList::text() const { return edit_->toPlainText(); }

bool CDlgList::replaceAll() const { return replace_->isChecked(); }

void CDlgList::setReplaceAll(bool on) { (on ? replace_ : merge_)->setChecked(true); }

QPushButton* CDlgList::button(Result r) const {
    switch (r) {
    case Sort:
        return sort_;
    case Renum:
        return renum_;
    default:
        return ok_;
    }
}

void CDlgList::finish(Result r) {
    choice_ = r;
    accept();
}

void CDlgList::limitLength() {
    const QString t = edit_->toPlainText();
    if (t.size() <= MaxChars) return;
    const QSignalBlocker block(edit_);
    edit_->setPlainText(t.left(MaxChars));
    edit_->moveCursor(QTextCursor::End);
}

void CDlgList::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    edit_->setFocus();
    edit_->selectAll();
}

}  // namespace tw
