#include "gui/printpat.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "gui/dlgdeletecut.h"
#include "gui/printing.h"

namespace tw {

namespace {
constexpr int kLinesPerPage[3] = {50, 75, 100};
}

CPrint_Pat::CPrint_Pat(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("リスト／画面印刷選択"));

    listing_ = new QRadioButton(QStringLiteral("リスト印刷"), this);
    screen_ = new QRadioButton(QStringLiteral("画面印刷"), this);
    auto* kind = new QButtonGroup(this);
    kind->addButton(listing_);
    kind->addButton(screen_);

    first_ = new QLineEdit(this);
    last_ = new QLineEdit(this);
    first_->setMaxLength(5);
    last_->setMaxLength(5);
    perPage_[0] = new QRadioButton(QStringLiteral("１頁５０行（A4標準）"), this);
    perPage_[1] = new QRadioButton(QStringLiteral("１頁７５行（B4標準）"), this);
    perPage_[2] = new QRadioButton(QStringLiteral("１頁１００行（A3標準）"), this);

    auto* listGroup = new QGroupBox(QStringLiteral("プログラムリスト"), this);
    auto* listLayout = new QVBoxLayout(listGroup);
    listLayout->addWidget(listing_);
    auto* range = new QFormLayout;
    range->addRow(QStringLiteral("開始行No"), first_);
    range->addRow(QStringLiteral("終了行No"), last_);
    listLayout->addLayout(range);
    listLayout->addWidget(new QLabel(QStringLiteral("１行１２０文字"), listGroup));
    auto* pageGroup = new QButtonGroup(this);
    for (QRadioButton* r : perPage_) {
        pageGroup->addButton(r);
        listLayout->addWidget(r);
    }

    positive_ = new QRadioButton(QStringLiteral("白黒反転しない/Positive Print"), this);
    negative_ = new QRadioButton(QStringLiteral("白黒反転印刷/Negative Print"), this);
    auto* reverseGroup = new QGroupBox(QStringLiteral("画面印刷の白黒反転設定/Reverse Print"), this);
    auto* reverseLayout = new QVBoxLayout(reverseGroup);
    reverseLayout->addWidget(positive_);
    reverseLayout->addWidget(negative_);
    auto* screenGroup = new QGroupBox(QStringLiteral("ＢＡＳＩＣ画面"), this);
    auto* screenLayout = new QVBoxLayout(screenGroup);
    screenLayout->addWidget(screen_);
    screenLayout->addWidget(reverseGroup);

    problem_ = new QLabel(this);
    problem_->setStyleSheet(QStringLiteral("color: #c00000"));
    problem_->hide();

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(QStringLiteral("ｷｬﾝｾﾙ"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &CPrint_Pat::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CPrint_Pat::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(listGroup);
    layout->addWidget(screenGroup);
    layout->addWidget(problem_);
    layout->addWidget(buttons);

    setSettings(PrintSettings{});
}

void CPrint_Pat::setSettings(const PrintSettings& s) {
    (s.kind == PrintSettings::Screen ? screen_ : listing_)->setChecked(true);
    (s.reverse ? negative_ : positive_)->setChecked(true);
    firstValue_ = s.first;
    lastValue_ = s.last;
    first_->setText(QString::number(s.first));
    last_->setText(QString::number(s.last));
    int choice = 0;
    for (int i = 0; i < 3; ++i)
        if (kLinesPerPage[i] == s.linesPerPage) choice = i;
    perPage_[choice]->setChecked(true);
}

void CPrint_Pat::settings(PrintSettings& s) const {
    s.kind = screen_->isChecked() ? PrintSettings::Screen : PrintSettings::Listing;
    s.reverse = negative_->isChecked();
    s.first = firstValue_;
    s.last = lastValue_;
    for (int i = 0; i < 3; ++i)
        if (perPage_[i]->isChecked()) s.linesPerPage = kLinesPerPage[i];
}

QString CPrint_Pat::problem() const { return problem_->isHidden() ? QString() : problem_->text(); }

void CPrint_Pat::accept() {
    int f = 0, l = 0;
    if (!readLineRangeFields(first_, last_, problem_, f, l)) return;
    firstValue_ = f;
    lastValue_ = l;
    QDialog::accept();
}

void CPrint_Pat::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    first_->setFocus();
    first_->selectAll();
}

}  // namespace tw
