#include "gui/dialogs.h"

#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>

#include "core/host.h"
#include "gui/aboutdlg.h"
#include "gui/dlgdeletecut.h"
#include "gui/dlglist.h"
#include "gui/manual.h"
#include "gui/printing.h"
#include "gui/printpat.h"

namespace tw {

namespace {
const QString kTitle = QStringLiteral("TARNWICK");
const QString kFilter = QStringLiteral("BAS Files(*.BAS);;All Files(*)");
}  // namespace

int Dialogs::ask(QWidget* parent, const QString& text, int buttons) {
    QMessageBox::StandardButtons b = QMessageBox::Ok;
    QMessageBox::Icon icon = QMessageBox::Information;
    switch (buttons) {
    case Host::OkCancel:
        b = QMessageBox::Ok | QMessageBox::Cancel;
        icon = QMessageBox::Question;
        break;
    case YesNoCancel:
        b = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        icon = QMessageBox::Warning;
        break;
    case Host::YesNo:
        b = QMessageBox::Yes | QMessageBox::No;
        icon = QMessageBox::Question;
        break;
    case Host::RetryCancel:
        b = QMessageBox::Retry | QMessageBox::Cancel;
        icon = QMessageBox::Warning;
        break;
    default:
        break;
    }
    QMessageBox box(icon, kTitle, text, b, parent);
    switch (box.exec()) {
    case QMessageBox::Ok: return Host::AnswerOk;
    case QMessageBox::Yes: return Host::AnswerYes;
    case QMessageBox::No: return Host::AnswerNo;
    case QMessageBox::Retry: return Host::AnswerRetry;
    default: return Host::AnswerCancel;
    }
}

QString Dialogs::openFileName(QWidget* parent) {
    QFileDialog dlg(parent, QStringLiteral("開く"), QString(), kFilter);
    dlg.setAcceptMode(QFileDialog::AcceptOpen);
    dlg.setFileMode(QFileDialog::ExistingFile);
    dlg.setOption(QFileDialog::ReadOnly, false);
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return {};
    return dlg.selectedFiles().first();
}

QString Dialogs::saveFileName(QWidget* parent, const QString& suggested) {
    QFileDialog dlg(parent, QStringLiteral("名前を付けて保存"), QString(), kFilter);
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.setDefaultSuffix(QStringLiteral("BAS"));
    dlg.selectFile(suggested);
    // The dialog asks before an existing file is overwritten.
    dlg.setOption(QFileDialog::DontConfirmOverwrite, false);
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return {};
    return dlg.selectedFiles().first();
}

bool Dialogs::lineRange(QWidget* parent, const QString& caption, int& start, int& end) {
    CDlgDeleteCut dlg(parent);
    dlg.setCaption(caption);
    dlg.setRange(start, end);
    if (dlg.exec() != QDialog::Accepted) return false;
    start = dlg.start();
    end = dlg.end();
    return true;
}

int Dialogs::listEdit(QWidget* parent, QString& text, bool& replaceAll) {
    CDlgList dlg(parent);
    dlg.setText(text);
    dlg.setReplaceAll(replaceAll);
    if (dlg.exec() != QDialog::Accepted) return -1;
    text = dlg.text();
    replaceAll = dlg.replaceAll();
    return dlg.choice();
}

bool Dialogs::printPattern(QWidget* parent, PrintSettings& settings) {
    CPrint_Pat dlg(parent);
    dlg.setSettings(settings);
    if (dlg.exec() != QDialog::Accepted) return false;
    dlg.settings(settings);
    return true;
}

bool Dialogs::printDialog(QWidget* parent, QPrinter& printer, int pageCount) {
    QPrintDialog dlg(&printer, parent);
    dlg.setMinMax(1, pageCount);
    dlg.setOption(QAbstractPrintDialog::PrintPageRange, pageCount > 1);
    return dlg.exec() == QDialog::Accepted;
}

void Dialogs::printPreview(QWidget* parent, QPrinter& printer, const std::function<void(QPrinter*)>& paint) {
    QPrintPreviewDialog dlg(&printer, parent);
    QObject::connect(&dlg, &QPrintPreviewDialog::paintRequested, &dlg, [&](QPrinter* p) { paint(p); });
    dlg.exec();
}

bool Dialogs::printerSetup(QWidget* parent, QPrinter& printer) {
    QPageSetupDialog dlg(&printer, parent);
    return dlg.exec() == QDialog::Accepted;
}

void Dialogs::about(QWidget* parent) {
    CAboutDlg dlg(parent);
    dlg.exec();
}

void Dialogs::help(QWidget* parent) { ManualWindow::showFor(parent); }

void Dialogs::popup(QMenu* menu, const QPoint& globalPos) { menu->exec(globalPos); }

}  // namespace tw
