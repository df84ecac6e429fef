#include "gui/manual.h"

#include <QFile>
#include <QHBoxLayout>
#include <QSplitter>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

namespace tw {

namespace {
// The block number of a heading is kept in the contents item.
constexpr int BlockRole = Qt::UserRole + 1;
}  // namespace

QString ManualWindow::markdown() {
    QFile f(QStringLiteral(":/help/manual.md"));
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(f.readAll());
}

ManualWindow::ManualWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("manual"));
    setWindowTitle(QStringLiteral("TARNWICK ヘルプ"));

    auto* split = new QSplitter(this);
    contents_ = new QTreeWidget(split);
    contents_->setHeaderHidden(true);
    contents_->setColumnCount(1);
    browser_ = new QTextBrowser(split);
    browser_->setOpenExternalLinks(true);
    browser_->setMarkdown(markdown());
    split->addWidget(contents_);
    split->addWidget(browser_);
    split->setStretchFactor(1, 1);
    split->setSizes({220, 620});

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(split);
    resize(860, 640);

    buildContents();
    connect(contents_, &QTreeWidget::itemClicked, this, &ManualWindow::headingChosen);
    connect(contents_, &QTreeWidget::itemActivated, this, &ManualWindow::headingChosen);
}

void ManualWindow::buildContents() {
    // Level 1 and 2 headings make the list; deeper ones (single statements)
    // are reached by scrolling.
    QTreeWidgetItem* chapter = nullptr;
    for (QTextBlock b = browser_->document()->begin(); b.isValid(); b = b.next()) {
        const int level = b.blockFormat().headingLevel();
        if (level < 1 || level > 2) continue;
        QTreeWidgetItem* item =
            level == 1 || !chapter ? new QTreeWidgetItem(contents_) : new QTreeWidgetItem(chapter);
        item->setText(0, b.text());
        item->setData(0, BlockRole, b.blockNumber());
        if (level == 1) chapter = item;
    }
    contents_->expandAll();
}

void ManualWindow::headingChosen(QTreeWidgetItem* item) {
    if (!item) return;
    const QTextBlock b = browser_->document()->findBlockByNumber(item->data(0, BlockRole).toInt());
    if (!b.isValid()) return;
    // The heading goes to the top of the text: first to the end, then back.
    QTextCursor c(b);
    browser_->moveCursor(QTextCursor::End);
    browser_->setTextCursor(c);
    browser_->ensureCursorVisible();
}

bool ManualWindow::showHeading(const QString& title) {
    for (QTreeWidgetItemIterator it(contents_); *it; ++it)
        if ((*it)->text(0) == title) {
            contents_->setCurrentItem(*it);
            headingChosen(*it);
            return true;
        }
    return false;
}

ManualWindow* ManualWindow::showFor(QWidget* owner) {
    auto* w = owner ? owner->findChild<ManualWindow*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
    if (!w) {
        w = new ManualWindow(owner);
        // A window nobody owns goes when it is closed.
        if (!owner) w->setAttribute(Qt::WA_DeleteOnClose);
    }
    w->show();
    w->raise();
    w->activateWindow();
    return w;
}

}  // namespace tw
