// The user manual in a window of its own: the Markdown text built into the
// program (docs/manual.md), rendered by Qt, with a contents list made of
// its headings. The window is not modal; the screen stays usable beside it.
#pragma once

#include <QWidget>

class QTextBrowser;
class QTreeWidget;
class QTreeWidgetItem;

namespace tw {

class ManualWindow : public QWidget {
    Q_OBJECT
public:
    explicit ManualWindow(QWidget* parent = nullptr);

    // The manual's Markdown text as built into the program.
    static QString markdown();
    // Shows the manual window of `owner` (one per owner), made on first use,
    // and brings it to the front.
    static ManualWindow* showFor(QWidget* owner);

    QTextBrowser* browser() const { return browser_; }
    QTreeWidget* contents() const { return contents_; }
    // Scrolls the text to the heading with this title; false if none.
    bool showHeading(const QString& title);

private:
    void buildContents();
    void headingChosen(QTreeWidgetItem* item);

    QTextBrowser* browser_;
    QTreeWidget* contents_;
};

}  // namespace tw
