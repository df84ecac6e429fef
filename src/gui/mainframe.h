// CMainFrame: the main window. It holds the menus, the popup menu, the
// toolbar, the status bar and the recent-file list, routes every command to
// the document, the view or itself, and asks before a modified program is
// discarded. Its View menu also sets the zoom of the screen (kept in the
// settings), full screen and the run speed.
#pragma once

#include <cstdint>
#include <map>
#include <memory>

#include <QList>
#include <QMainWindow>
#include <QStringList>

class QActionGroup;
class QLabel;
class QMenu;
class QPrinter;
class QToolBar;

namespace tw {

class COrvellanDoc;
class COrvellanView;
class Dialogs;
struct PrintSettings;

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    // The frame's size and place: 640 x 1.04 by 400 x 1.2653 pixels, 15% of
    // that from the left and top of the screen.
    static constexpr int FrameWidth = 665;
    static constexpr int FrameHeight = 506;
    static constexpr int FrameLeft = 99;
    static constexpr int FrameTop = 75;
    static constexpr int RecentCount = 4;
    // The fixed rates of the speed menu, statements a second.
    static constexpr int64_t SpeedRates[] = {500, 1000, 5000, 10000, 50000};

    explicit CMainFrame(Dialogs& dialogs, QWidget* parent = nullptr);
    ~CMainFrame() override;

    COrvellanView* view() const { return view_; }
    COrvellanDoc* document() const { return doc_; }
    // The action of a command id (menus, toolbar, keys), or nullptr.
    QAction* command(int id) const;
    QMenu* popupMenu() const { return popup_; }
    QToolBar* toolBar() const { return toolBar_; }
    // Status-bar indicators: ｶﾅ, CAP, NUM, SCRL.
    const QList<QLabel*>& indicators() const { return indicators_; }
    QStringList recentFiles() const;
    QPrinter& printer();

    // ---- file commands ----
    void onFileNew();
    bool onFileOpen();
    bool onFileSave();
    bool onFileSaveAs();
    void onFilePrint();
    void onFilePrintPreview();
    void onFilePrintSetup();
    // Opens a program file as File Open does after its dialog (also the
    // command-line file, the recent files and dropped files).
    bool openDocumentFile(const QString& path);
    // Before the program is discarded: asks whether to save a modified
    // one. False when the user cancels (or saving failed).
    bool saveModified();
    // CPrint_Pat until the range is right; then the pages are worked out.
    bool askPrintSettings(PrintSettings& s);

    // ---- view ----
    // Statements a second, 0 for full speed (the menu shows the choice).
    void setSpeed(int64_t perSecond);
    // 1..3 or COrvellanView::ZoomFit. A fixed zoom sizes the window to the
    // scaled screen; the choice is kept in the settings.
    void setZoom(int zoom);
    int zoom() const { return zoom_; }
    // Full screen: the screen fitted, without toolbar and status bar.
    void setFullScreenMode(bool on);
    bool fullScreenMode() const { return fullScreen_; }

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    QAction* addCommand(int id, const QString& text, const QString& prompt);
    void runCommand(int id);
    void createMenus();
    void createToolBar();
    void createStatusBar();
    void updateRecentMenu();
    void addRecent(const QString& path);
    void removeRecent(const QString& path);
    void updateTitle();
    void fileDropped(const QString& path);
    void createViewCommands();
    void fitFrameToZoom();
    void updateSpeedMenu();

    Dialogs& dialogs_;
    COrvellanView* view_;
    COrvellanDoc* doc_;
    std::map<int, QAction*> commands_;
    QMenu* fileMenu_ = nullptr;
    QMenu* popup_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    QAction* recentPlaceholder_ = nullptr;
    QList<QAction*> recentActions_;
    QList<QLabel*> indicators_;
    std::unique_ptr<QPrinter> printer_;
    QActionGroup* zoomGroup_ = nullptr;
    QActionGroup* speedGroup_ = nullptr;
    int zoom_ = 1;
    bool fullScreen_ = false;
    // Toolbar and status bar shown before full screen hid them.
    bool toolBarShown_ = true;
    bool statusBarShown_ = true;
};

}  // namespace tw
