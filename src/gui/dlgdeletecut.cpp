#include "gui/dlgdeletecut.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tw {

namespace {

// Reads a line number field: an integer 1..65536, else false.
bool readLineNumberField(const QString& text, int& value) {
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    if (!ok || v < 1 || v > 65536) return false;
    value = v;
    return true;
}

}  // namespace

bool readLineRangeFields(QLineEdit* firstEdit, QLineEdit* lastEdit, QLabel* problem, int& first, int& last) {
    QLineEdit* bad = nullptr;
    if (!readLineNumberField(firstEdit->text(), first)) bad = firstEdit;
    else if (!readLineNumberField(lastEdit->text(), last)) bad = lastEdit;
    if (bad) {
        // The dialog stays open on the field to correct.
        problem->setText(QStringLiteral("1 から 65536 までの整数を入力してください。"));
        problem->show();
        bad->setFocus();
        bad->selectAll();
        return false;
    }
    problem->hide();
    problem->clear();
    return true;
}

CDlgDeleteCut::CDlgDeleteCut(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("リスト文番号／開始・終了"));
    caption_ = new QLabel(this);
    startEdit_ = new QLineEdit(this);
    endEdit_ = new QLineEdit(this);
    startEdit_->setMaxLength(5);
    endEdit_->setMaxLength(5);
    problem_ = new QLabel(this);
    problem_->setStyleSheet(QStringLiteral("color: #c00000"));
    problem_->hide();

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("開始文番号"), startEdit_);
    form->addRow(QStringLiteral("終了文番号"), endEdit_);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(QStringLiteral("ｷｬﾝｾﾙ"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &CDlgDeleteCut::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CDlgDeleteCut::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(caption_);
    layout->addLayout(form);
    layout->addWidget(problem_);
    layout->addWidget(buttons);
    setRange(1, 65536);
}

void CDlgDeleteCut::setCaption(const QString& text) { caption_->setText(text); }

void CDlgDeleteCut::setRange(int start, int end) {
    start_ = start;
    end_ = end;
    startEdit_->setText(QString::number(start));
    endEdit_->setText(QString::number(end));
}

QString CDlgDeleteCut::problem() const { return problem_->isHidden() ? QString() : problem_->text(); }

void CDlgDeleteCut::accept() {
    int s = 0, e = 0;
    if (!readLineRangeFields(startEdit_, endEdit_, problem_, s, e)) return;
    start_ = s;
    end_ = e;
    QDialog::accept();
}

void CDlgDeleteCut::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    startEdit_->setFocus();
    startEdit_->selectAll();
}

}  // namespace tw
