// COrvellanApp: start-up of the window program. It names the settings
// (where the recent-file list is kept), creates the main frame and opens
// the program file named on the command line.
#pragma once

#include <memory>

#include <QStringList>

namespace tw {

class CMainFrame;
class Dialogs;

class COrvellanApp {
public:
    // `dialogs` answers the window's questions; the real dialogs when null.
    explicit COrvellanApp(Dialogs* dialogs = nullptr);
    ~COrvellanApp();

    // Sets the application's names; call before any settings are read.
    static void setNames();
    // Creates and shows the frame; `file` is opened as File Open does.
    // False when that file cannot be opened (start-up ends then).
    bool initInstance(const QString& file = QString());
    CMainFrame* mainFrame() const { return frame_.get(); }

private:
    std::unique_ptr<Dialogs> ownDialogs_;
    Dialogs* dialogs_;
    std::unique_ptr<CMainFrame> frame_;
};

// Runs the window program: arguments as given to main (Qt's own options
// included). Returns the exit code.
int runWindow(int argc, char** argv);

}  // namespace tw
