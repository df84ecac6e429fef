// Every modal question the window asks goes through one Dialogs object (and
// the help window, which is not modal, opens through it as well):
// message boxes, file dialogs, the list-editing and print dialogs, the
// printer dialogs and the popup menu. The window is handed one at start-up;
// a replacement answers without showing anything (scripts, tests).
#pragma once

#include <functional>

#include <QPoint>
#include <QString>

class QMenu;
class QPrinter;
class QWidget;

namespace tw {

struct PrintSettings;

class Dialogs {
public:
    virtual ~Dialogs() = default;

    // Buttons of ask(): the Host values, plus Yes/No/Cancel.
    enum { YesNoCancel = 3 };

    // A message box with the given buttons (Host::Buttons or YesNoCancel);
    // returns the Host::Answer of the button chosen.
    virtual int ask(QWidget* parent, const QString& text, int buttons);
    // File Open: the chosen path, or empty when cancelled.
    virtual QString openFileName(QWidget* parent);
    // File Save As: the chosen path (asks before overwriting), or empty.
    virtual QString saveFileName(QWidget* parent, const QString& suggested);
    // CDlgDeleteCut: a range of line numbers. False when cancelled.
    virtual bool lineRange(QWidget* parent, const QString& caption, int& start, int& end);
    // CDlgList: the listing to edit. Returns the button that closed it
    // (CDlgList::Result: Ok, Sort, Renum) or -1 when cancelled.
    virtual int listEdit(QWidget* parent, QString& text, bool& replaceAll);
    // CPrint_Pat: what to print. False when cancelled.
    virtual bool printPattern(QWidget* parent, PrintSettings& settings);
    // The printer dialog before printing `pageCount` pages.
    virtual bool printDialog(QWidget* parent, QPrinter& printer, int pageCount);
    // Print preview: `paint` draws every page on the printer it is given.
    virtual void printPreview(QWidget* parent, QPrinter& printer, const std::function<void(QPrinter*)>& paint);
    // Printer setup (paper, orientation).
    virtual bool printerSetup(QWidget* parent, QPrinter& printer);
    virtual void about(QWidget* parent);
    // The user manual, in a window that is not modal (it stays open beside
    // the screen).
    virtual void help(QWidget* parent);
    // Shows a popup menu at a global position and lets it run its command.
    virtual void popup(QMenu* menu, const QPoint& globalPos);
};

}  // namespace tw
