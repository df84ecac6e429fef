// The list-editing commands of the view: the listing and line ranges to and
// from the clipboard, deleting, and the list-editing dialog.
#include <QApplication>
#include <QClipboard>

#include "core/interp.h"
#include "gui/dialogs.h"
#include "gui/dlglist.h"
#include "gui/listing.h"
#include "gui/view.h"
#include "io/encoding.h"

namespace tw {

namespace {

constexpr int kClipboardLimit = 64000;

QString fromCp932(const std::string& s) { return QString::fromStdString(cp932ToUtf8(s)); }
std::string toCp932(const QString& s) { return utf8ToCp932(s.toStdString()); }

}  // namespace

bool COrvellanView::askRange(const QString& caption, int& start, int& end) {
    start = 1;
    end = 65536;
    for (;;) {
        if (!dialogs_.lineRange(this, caption, start, end)) return false;
        if (start <= end) return true;
        dialogs_.ask(this, QStringLiteral("Begin > End , let re_input."), Host::Ok);
    }
}

void COrvellanView::readClipboardProgram() {
    const QString text = QApplication::clipboard()->text();
    if (text.size() > kClipboardLimit)
        dialogs_.ask(this, QStringLiteral(" error: Program size over 64k. "), Host::Ok);
    Q_EMIT programEdited();
    const EnterResult r = enterLines(*in_, toCp932(text), false);
    if (!r.error.empty()) reportError(r.error);
}

void COrvellanView::copyAll() { setClipboardText(listingText(*in_, 1, 65536, "\n")); }

void COrvellanView::pasteAll() {
    if (in_->running()) return;
    in_->clearProgram();
    readClipboardProgram();
}

void COrvellanView::pasteRange() {
    if (in_->running()) return;
    readClipboardProgram();
}

void COrvellanView::copyRange() {
    int s = 0, e = 0;
    if (!askRange(QStringLiteral("リストの部分コピー"), s, e)) return;
    setClipboardText(listingText(*in_, s, e, "\n"));
}

void COrvellanView::cutAll() {
    if (in_->running()) return;
    if (dialogs_.ask(this, QStringLiteral("全リストの切り取り・クリップボードにコピーをします。"), Host::OkCancel) !=
        Host::AnswerOk)
        return;
    copyAll();
    in_->clearProgram();
    Q_EMIT programEdited();
}

void COrvellanView::deleteAll() {
    if (in_->running()) return;
    if (dialogs_.ask(this, QStringLiteral("全リストの削除をします。"), Host::OkCancel) != Host::AnswerOk) return;
    in_->clearProgram();
    Q_EMIT programEdited();
}

void COrvellanView::cutRange() {
    if (in_->running()) return;
    int s = 0, e = 0;
    if (!askRange(QStringLiteral("リストの部分切り取り"), s, e)) return;
    setClipboardText(listingText(*in_, s, e, "\n"));
    deleteLines(*in_, s, e);
    Q_EMIT programEdited();
}

void COrvellanView::deleteRange() {
    if (in_->running()) return;
    int s = 0, e = 0;
    if (!askRange(QStringLiteral("リストの部分削除"), s, e)) return;
    deleteLines(*in_, s, e);
    Q_EMIT programEdited();
}

void COrvellanView::editList() {
    if (in_->running()) return;
    bool replaceAll = true;
    for (;;) {
        QString text = fromCp932(listingText(*in_, 1, 65536, "\n"));
        const int r = dialogs_.listEdit(this, text, replaceAll);
        if (r < 0) return;
        Q_EMIT programEdited();
        if (replaceAll) in_->clearProgram();
        const EnterResult entered = enterLines(*in_, toCp932(text), true);
        if (!entered.error.empty()) {
            // The error is reported on the console and the dialog ends.
            reportError(entered.error);
            return;
        }
        if (r == CDlgList::Ok) return;
        if (r == CDlgList::Renum) {
            typeLine("RENUM 10");
            runFor(2000);
        }
        // SORT and RENUM show the dialog again with the program's listing,
        // which is in line-number order.
    }
}

}  // namespace tw
