// Support for the window tests: dialogs that answer from a script instead
// of showing anything, and a main window with helpers to type and wait.
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QApplication>
#include <QElapsedTimer>
#include <QMenu>
#include <QPrinter>
#include <QTest>

#include "core/interp.h"
#include "gui/dialogs.h"
#include "gui/mainframe.h"
#include "gui/printing.h"
#include "gui/view.h"

namespace twtest {

class ScriptedDialogs : public tw::Dialogs {
public:
    // ask(): answers in order; Cancel once they run out.
    std::deque<int> answers;
    std::vector<QString> asked;
    std::deque<QString> openNames;
    std::deque<QString> saveNames;
    std::vector<QString> saveSuggestions;
    // lineRange(): ranges in order; cancelled once they run out.
    std::deque<std::pair<int, int>> ranges;
    std::vector<QString> rangeCaptions;
    // listEdit(): called with the text shown; returns the button (or -1).
    std::function<int(int call, QString& text, bool& replaceAll)> onList;
    std::vector<QString> listTexts;
    // printPattern(): settings in order; cancelled once they run out.
    std::deque<tw::PrintSettings> patterns;
    int patternCalls = 0;
    // printDialog(): accepted, printing to this PDF file (when set).
    QString pdfPath;
    int printDialogs = 0;
    int lastPageCount = 0;
    int previews = 0;
    int abouts = 0;
    int helps = 0;
    QMenu* popped = nullptr;
    QPoint poppedAt;

    int ask(QWidget*, const QString& text, int) override {
        asked.push_back(text);
        if (answers.empty()) return tw::Host::AnswerCancel;
        const int a = answers.front();
        answers.pop_front();
        return a;
    }
    QString openFileName(QWidget*) override { return take(openNames); }
    QString saveFileName(QWidget*, const QString& suggested) override {
        saveSuggestions.push_back(suggested);
        return take(saveNames);
    }
    bool lineRange(QWidget*, const QString& caption, int& start, int& end) override {
        rangeCaptions.push_back(caption);
        if (ranges.empty()) return false;
        std::tie(start, end) = ranges.front();
        ranges.pop_front();
        return true;
    }
    int listEdit(QWidget*, QString& text, bool& replaceAll) override {
        listTexts.push_back(text);
        return onList ? onList(static_cast<int>(listTexts.size()) - 1, text, replaceAll) : -1;
    }
    bool printPattern(QWidget*, tw::PrintSettings& s) override {
        ++patternCalls;
        if (patterns.empty()) return false;
        s = patterns.front();
        patterns.pop_front();
        return true;
    }
    bool printDialog(QWidget*, QPrinter& printer, int pageCount) override {
        ++printDialogs;
        lastPageCount = pageCount;
        if (pdfPath.isEmpty()) return false;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdfPath);
        return true;
    }
    void printPreview(QWidget*, QPrinter& printer, const std::function<void(QPrinter*)>& paint) override {
        ++previews;
        if (pdfPath.isEmpty()) return;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdfPath);
        paint(&printer);
    }
    bool printerSetup(QWidget*, QPrinter&) override { return false; }
    void about(QWidget*) override { ++abouts; }
    void help(QWidget*) override { ++helps; }
    void popup(QMenu* menu, const QPoint& at) override {
        popped = menu;
        poppedAt = at;
    }

private:
    static QString take(std::deque<QString>& q) {
        if (q.empty()) return {};
        QString s = q.front();
        q.pop_front();
        return s;
    }
};

// A main window driven the way a person drives it.
struct Window {
    ScriptedDialogs dialogs;
    std::unique_ptr<tw::CMainFrame> frame;

    Window() : frame(std::make_unique<tw::CMainFrame>(dialogs)) {
        frame->show();
        QApplication::setActiveWindow(frame.get());
        view()->setFocus();
    }
    ~Window() {
        // Nothing is left to save: the window closes without asking.
        if (frame) frame->view()->shutdown();
    }

    tw::COrvellanView* view() const { return frame->view(); }
    tw::Interpreter& in() const { return frame->view()->interp(); }

    // Keys go through the window, as the window system delivers them:
    // shortcuts first, then the focus widget (the view).
    void type(const QString& text) {
        for (QChar c : text) QTest::keyClick(frame->windowHandle(), c.toLatin1());
    }
    void key(Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier) { QTest::keyClick(frame->windowHandle(), k, m); }
    // Types a line, presses Enter and waits until what it started is done.
    void line(const QString& text) {
        type(text);
        key(Qt::Key_Return);
        waitIdle();
    }
    void program(const QStringList& lines) {
        for (const QString& l : lines) line(l);
    }
    void command(int id) { frame->command(id)->trigger(); }

    // Lets the event loop run the program until it stops or waits.
    bool waitIdle(int ms = 5000) {
        QElapsedTimer t;
        t.start();
        while (in().running() && !in().inputWaiting()) {
            if (t.elapsed() > ms) return false;
            QTest::qWait(5);
        }
        QCoreApplication::processEvents();
        return true;
    }

    std::string row(int r) const {
        std::string s = in().screen().rowText(r);
        while (!s.empty() && s.back() == ' ') s.pop_back();
        return s;
    }
    // Index of the first row holding `text`, -1 if none.
    int findRow(const std::string& text) const {
        for (int r = 0; r < tw::TextScreen::Rows; ++r)
            if (row(r).find(text) != std::string::npos) return r;
        return -1;
    }
    std::string listing() const {
        std::string s;
        for (int i = 0; i < in().lineCount(); ++i) s += in().lineText(i) + "|";
        return s;
    }
};

// Number of pages of a PDF file written by QPrinter.
int pdfPageCount(const QString& path);

}  // namespace twtest
