#include "gui/mainframe.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPrinter>
#include <QSettings>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QWhatsThis>

#include "core/interp.h"
#include "gui/commands.h"
#include "gui/dialogs.h"
#include "gui/document.h"
#include "gui/printing.h"
#include "gui/view.h"

namespace tw {

namespace {

// Menu text, status-bar prompt and toolbar tooltip of each command.
struct CommandText {
    int id;
    const char* text;
    const char* prompt;
    const char* tip;
};

const CommandText kCommands[] = {
    {ID_FILE_NEW, "新規作成(&N)\tCtrl+N", "新しいプログラムを作成します/New", "新規作成"},
    {ID_FILE_OPEN, "開く(&O)\tCtrl+O", "既存のプログラムを開きます/Open", "開く"},
    {ID_FILE_SAVE, "上書き保存(&S)\tCtrl+S", "プログラムを上書き保存します/Save", "上書き保存"},
    {ID_FILE_SAVE_AS, "名前を付けて保存(&A)...", "プログラムに名前を付けて保存します/Save As", "名前を付けて保存"},
    {ID_FILE_PRINT, "印刷(&P)...\tCtrl+P", "リストまたは画面を印刷します/Print", "印刷"},
    {ID_FILE_PRINT_PREVIEW, "印刷ﾌﾟﾚﾋﾞｭｰ(&V)", "印刷イメージを表示します/Print Preview", "印刷ﾌﾟﾚﾋﾞｭｰ"},
    {ID_FILE_PRINT_SETUP, "ﾌﾟﾘﾝﾀの設定(&R)...", "プリンタと用紙を設定します/Print Setup", "ﾌﾟﾘﾝﾀの設定"},
    {ID_FILE_MRU_FILE1, "最近使ったﾌｧｲﾙ", "このプログラムを開きます/Open this file", "最近使ったﾌｧｲﾙ"},
    {ID_APP_EXIT, "ｱﾌﾟﾘｹｰｼｮﾝの終了(&X)", "アプリケーションを終了します/Exit", "終了"},
    {ID_EDIT_UNDO, "元に戻す(&U)\tCtrl+Z", "直前の操作を元に戻します/Undo", "元に戻す"},
    {ID_LIST_EDIT, "エディターでリスト編集", "エディターでリスト編集/Edit the listing", "エディターでリスト編集"},
    {ID_CLS, "CLS（テキスト画面消去）", "テキスト画面消去/CLS", "CLS"},
    {ID_CLS2, "CLS 2（グラフィック画面消去）", "グラフィック画面消去/CLS 2", "CLS 2"},
    {ID_CLS3, "CLS 3（テキスト＆グラフィック画面消去）", "テキスト＆グラフィック画面消去/CLS 3", "CLS 3"},
    {ID_LIST, "LIST(リストの画面表示)", "リストの画面表示/LIST", "LIST"},
    {ID_COPY_GRAPHICS, "グラフィック画面をクリップにコピー", "グラフィック画面をクリップにコピー/Copy graphics",
     "グラフィック画面をコピー"},
    {ID_COPY_TEXT, "テキスト画面をクリップにコピー", "テキスト画面をクリップにコピー/Copy text", "テキスト画面をコピー"},
    {ID_COPY_ALL, "全リストをｺﾋﾟｰ(&C)\tCtrl+C", "全リストをコピー/Copy the listing", "全リストをｺﾋﾟｰ"},
    {ID_PASTE_ALL, "貼り付け／全リストを置換(&P)\tCtrl+V", "貼り付け／全リストを置換/Replace the listing",
     "貼り付け／全リストを置換"},
    {ID_COPY_RANGE, "リストの部分コピー", "リストの部分コピー/Copy lines", "リストの部分コピー"},
    {ID_PASTE_RANGE, "リストの部分貼り付け", "リストの部分貼り付け/Paste lines", "リストの部分貼り付け"},
    {ID_CUT_ALL, "全リストの切り取り", "全リストの切り取り/Cut the listing", "全リストの切り取り"},
    {ID_DELETE_ALL, "全リストの削除", "全リストの削除", "全リストの削除"},
    {ID_CUT_RANGE, "リストの部分切り取り(&T)\tCtrl+X", "リストの部分切り取り/Cut lines", "リストの部分切り取り"},
    {ID_DELETE_RANGE, "リストの部分削除", "リストの部分削除/Delete lines", "リストの部分削除"},
    {ID_RUN, "RUN", "実行/RUN", "RUN"},
    {ID_BREAK, "BREAK, STOP", "停止/STOP", "BREAK, STOP"},
    {ID_CONT, "CONT", "継続/CONT", "CONT"},
    {ID_VIEW_TOOLBAR, "ﾂｰﾙ ﾊﾞｰ(&T)", "ツール バーの表示/非表示/Toolbar", "ﾂｰﾙ ﾊﾞｰ"},
    {ID_VIEW_STATUS_BAR, "ｽﾃｰﾀｽ ﾊﾞｰ(&S)", "ステータス バーの表示/非表示/Status bar", "ｽﾃｰﾀｽ ﾊﾞｰ"},
    {ID_VIEW_ZOOM1, "等倍 (x1)(&1)", "画面を等倍で表示します/Zoom x1", "等倍"},
    {ID_VIEW_ZOOM2, "2 倍 (x2)(&2)", "画面を 2 倍で表示します/Zoom x2", "2 倍"},
    {ID_VIEW_ZOOM3, "3 倍 (x3)(&3)", "画面を 3 倍で表示します/Zoom x3", "3 倍"},
    {ID_VIEW_ZOOM_FIT, "ｳｨﾝﾄﾞｳに合わせる(&W)", "ウィンドウに収まる最大の倍率で表示します/Fit to window",
     "ｳｨﾝﾄﾞｳに合わせる"},
    {ID_VIEW_FULL_SCREEN, "全画面表示(&U)\tF12", "全画面表示の切り替え/Full screen", "全画面表示"},
    {ID_SPEED_FULL, "全速(&F)", "プログラムを全速で実行します/Full speed", "全速"},
    {ID_SPEED_ORIGINAL, "当時の速度 - 毎秒 2,000 文(&O)", "当時の機械に近い速さで実行します/Original speed",
     "当時の速度"},
    {ID_HELP_FINDER, "ﾄﾋﾟｯｸの検索(&H)", "ヘルプ トピックの一覧/Help topics", "ヘルプ"},
    {ID_APP_ABOUT, "TARNWICK のﾊﾞｰｼﾞｮﾝ情報(&A)...", "バージョン情報を表示します/About", "ﾊﾞｰｼﾞｮﾝ情報"},
    {ID_CONTEXT_HELP, "ヘルプ", "画面の項目のヘルプを表示します/Help on an item", "ヘルプ"},
    {ID_F10, "F10", "F10", "F10"},
};

// Keys of the commands that have them (the Ctrl letters shown in the edit
// menu texts are not bound).
const std::pair<int, const char*> kKeys[] = {
    {ID_FILE_NEW, "Ctrl+N"}, {ID_FILE_OPEN, "Ctrl+O"}, {ID_FILE_SAVE, "Ctrl+S"}, {ID_FILE_PRINT, "Ctrl+P"},
    {ID_HELP_FINDER, "F11"}, {ID_F10, "F10"}, {ID_VIEW_FULL_SCREEN, "F12"},
};

// Theme icon names of the toolbar commands.
const std::pair<int, const char*> kIcons[] = {
    {ID_FILE_NEW, "document-new"},     {ID_FILE_OPEN, "document-open"},
    {ID_FILE_SAVE, "document-save"},   {ID_RUN, "media-playback-start"},
    {ID_BREAK, "media-playback-stop"}, {ID_CONT, "media-seek-forward"},
    {ID_CLS, "edit-clear"},            {ID_CLS2, "edit-clear"},
    {ID_CLS3, "edit-clear-all"},       {ID_LIST, "view-list-text"},
    {ID_LIST_EDIT, "accessories-text-editor"},
    {ID_CUT_ALL, "edit-cut"},          {ID_COPY_ALL, "edit-copy"},
    {ID_PASTE_ALL, "edit-paste"},      {ID_FILE_PRINT, "document-print"},
    {ID_HELP_FINDER, "help-contents"}, {ID_CONTEXT_HELP, "help-whatsthis"},
};

// A small icon with a word on it, for commands no icon theme has.
QIcon textIcon(const QString& word) {
    QPixmap pm(24, 24);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QColor(40, 40, 40));
    p.setBrush(QColor(235, 235, 235));
    p.drawRoundedRect(QRectF(0.5, 3.5, 23, 17), 3, 3);
    QFont f = p.font();
    f.setPixelSize(word.size() > 3 ? 7 : 9);
    f.setBold(true);
    p.setFont(f);
    p.drawText(QRect(0, 3, 24, 18), Qt::AlignCenter, word);
    return QIcon(pm);
}

QIcon commandIcon(int id, const QStyle* style) {
    const char* theme = nullptr;
    for (const auto& [cid, name] : kIcons)
        if (cid == id) theme = name;
    QIcon fallback;
    switch (id) {
    case ID_FILE_NEW: fallback = style->standardIcon(QStyle::SP_FileIcon); break;
    case ID_FILE_OPEN: fallback = style->standardIcon(QStyle::SP_DialogOpenButton); break;
    case ID_FILE_SAVE: fallback = style->standardIcon(QStyle::SP_DialogSaveButton); break;
    case ID_RUN: fallback = style->standardIcon(QStyle::SP_MediaPlay); break;
    case ID_BREAK: fallback = style->standardIcon(QStyle::SP_MediaStop); break;
    case ID_CONT: fallback = style->standardIcon(QStyle::SP_MediaSeekForward); break;
    case ID_CLS: fallback = textIcon(QStringLiteral("CLS")); break;
    case ID_CLS2: fallback = textIcon(QStringLiteral("CLS2")); break;
    case ID_CLS3: fallback = textIcon(QStringLiteral("CLS3")); break;
    case ID_LIST: fallback = textIcon(QStringLiteral("LIST")); break;
    case ID_LIST_EDIT: fallback = textIcon(QStringLiteral("EDIT")); break;
    case ID_CUT_ALL: fallback = textIcon(QStringLiteral("CUT")); break;
    case ID_COPY_ALL: fallback = textIcon(QStringLiteral("COPY")); break;
    case ID_PASTE_ALL: fallback = textIcon(QStringLiteral("PST")); break;
    case ID_FILE_PRINT: fallback = textIcon(QStringLiteral("PRT")); break;
    case ID_HELP_FINDER: fallback = style->standardIcon(QStyle::SP_DialogHelpButton); break;
    case ID_CONTEXT_HELP: fallback = style->standardIcon(QStyle::SP_TitleBarContextHelpButton); break;
    default: break;
    }
    if (fallback.isNull()) fallback = textIcon(QStringLiteral("?"));
    return theme ? QIcon::fromTheme(QString::fromLatin1(theme), fallback) : fallback;
}

const char* kRecentGroup = "Recent File List";
const char* kZoomKey = "View/Zoom";

const int kZoomIds[] = {ID_VIEW_ZOOM1, ID_VIEW_ZOOM2, ID_VIEW_ZOOM3, ID_VIEW_ZOOM_FIT};

// "毎秒 10,000 文": statements a second, digits grouped by thousands.
QString rateText(int64_t perSecond) {
    QString digits = QString::number(perSecond);
    for (qsizetype i = digits.size() - 3; i > 0; i -= 3) digits.insert(i, QLatin1Char(','));
    return QStringLiteral("毎秒 %1 文").arg(digits);
}

}  // namespace

CMainFrame::CMainFrame(Dialogs& dialogs, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                              Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      dialogs_(dialogs) {
    view_ = new COrvellanView(dialogs_, this);
    doc_ = new COrvellanDoc(view_->interp(), this);
    setCentralWidget(view_);
    connect(view_, &COrvellanView::programEdited, this, [this] { doc_->setModifiedFlag(true); });
    connect(view_, &COrvellanView::fileDropped, this, &CMainFrame::fileDropped);
    connect(doc_, &COrvellanDoc::titleChanged, this, &CMainFrame::updateTitle);

    for (const CommandText& c : kCommands)
        addCommand(c.id, QString::fromUtf8(c.text), QString::fromUtf8(c.prompt))
            ->setToolTip(QString::fromUtf8(c.tip));
    for (const auto& [id, keys] : kKeys) command(id)->setShortcut(QKeySequence(QString::fromLatin1(keys)));
    QAction* undo = command(ID_EDIT_UNDO);
    undo->setShortcuts({QKeySequence(QStringLiteral("Ctrl+Z")), QKeySequence(QStringLiteral("Alt+Backspace"))});
    // No command answers undo.
    undo->setEnabled(false);
    // F10 belongs to the console, not to the menu bar.
    command(ID_F10)->setShortcutContext(Qt::WindowShortcut);
    addAction(command(ID_F10));
    command(ID_VIEW_TOOLBAR)->setCheckable(true);
    command(ID_VIEW_STATUS_BAR)->setCheckable(true);
    command(ID_VIEW_TOOLBAR)->setChecked(true);
    command(ID_VIEW_STATUS_BAR)->setChecked(true);
    createViewCommands();

    createMenus();
    createToolBar();
    createStatusBar();
    view_->setPopupMenu(popup_);

    resize(FrameWidth, FrameHeight);
    move(FrameLeft, FrameTop);
    setZoom(QSettings().value(QString::fromLatin1(kZoomKey), 1).toInt());
    updateRecentMenu();
    updateTitle();
    view_->setFocus();
}

CMainFrame::~CMainFrame() { view_->shutdown(); }

QAction* CMainFrame::command(int id) const {
    const auto it = commands_.find(id);
    return it == commands_.end() ? nullptr : it->second;
}

QAction* CMainFrame::addCommand(int id, const QString& text, const QString& prompt) {
    auto* a = new QAction(text, this);
    a->setData(id);
    a->setStatusTip(prompt);
    a->setIcon(commandIcon(id, style()));
    a->setIconVisibleInMenu(false);
    commands_[id] = a;
    connect(a, &QAction::triggered, this, [this, id] { runCommand(id); });
    return a;
}

void CMainFrame::runCommand(int id) {
    switch (id) {
    case ID_FILE_NEW: onFileNew(); break;
    case ID_FILE_OPEN: onFileOpen(); break;
    case ID_FILE_SAVE: onFileSave(); break;
    case ID_FILE_SAVE_AS: onFileSaveAs(); break;
    case ID_FILE_PRINT: onFilePrint(); break;
    case ID_FILE_PRINT_PREVIEW: onFilePrintPreview(); break;
    case ID_FILE_PRINT_SETUP: onFilePrintSetup(); break;
    case ID_APP_EXIT: close(); break;
    case ID_LIST_EDIT: view_->editList(); break;
    case ID_CLS: view_->onCls(1); break;
    case ID_CLS2: view_->onCls(2); break;
    case ID_CLS3: view_->onCls(3); break;
    case ID_LIST: view_->onList(); break;
    case ID_COPY_GRAPHICS: view_->copyGraphicsScreen(); break;
    case ID_COPY_TEXT: view_->copyTextScreen(); break;
    case ID_COPY_ALL: view_->copyAll(); break;
    case ID_PASTE_ALL: view_->pasteAll(); break;
    case ID_COPY_RANGE: view_->copyRange(); break;
    case ID_PASTE_RANGE: view_->pasteRange(); break;
    case ID_CUT_ALL: view_->cutAll(); break;
    case ID_DELETE_ALL: view_->deleteAll(); break;
    case ID_CUT_RANGE: view_->cutRange(); break;
    case ID_DELETE_RANGE: view_->deleteRange(); break;
    case ID_RUN: view_->onRun(); break;
    case ID_BREAK: view_->onBreak(); break;
    case ID_CONT: view_->onCont(); break;
    case ID_VIEW_TOOLBAR: toolBar_->setVisible(command(ID_VIEW_TOOLBAR)->isChecked()); break;
    case ID_VIEW_STATUS_BAR: statusBar()->setVisible(command(ID_VIEW_STATUS_BAR)->isChecked()); break;
    case ID_VIEW_ZOOM1: setZoom(1); break;
    case ID_VIEW_ZOOM2: setZoom(2); break;
    case ID_VIEW_ZOOM3: setZoom(3); break;
    case ID_VIEW_ZOOM_FIT: setZoom(COrvellanView::ZoomFit); break;
    case ID_VIEW_FULL_SCREEN: setFullScreenMode(!fullScreen_); break;
    case ID_SPEED_FULL: setSpeed(0); break;
    case ID_SPEED_ORIGINAL: setSpeed(speed::Original); break;
    case ID_SPEED_OTHER: updateSpeedMenu(); break;
    case ID_HELP_FINDER: dialogs_.help(this); break;
    case ID_APP_ABOUT: dialogs_.about(this); break;
    case ID_CONTEXT_HELP: QWhatsThis::enterWhatsThisMode(); break;
    case ID_F10: view_->onF10(); break;
    default:
        if (id >= ID_SPEED_RATE1 && id < ID_SPEED_RATE1 + static_cast<int>(std::size(SpeedRates)))
            setSpeed(SpeedRates[id - ID_SPEED_RATE1]);
        break;
    }
}

void CMainFrame::createMenus() {
    QMenuBar* bar = menuBar();
    fileMenu_ = bar->addMenu(QStringLiteral("ﾌｧｲﾙ(&F)"));
    for (int id : {ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_SAVE, ID_FILE_SAVE_AS}) fileMenu_->addAction(command(id));
    fileMenu_->addSeparator();
    for (int id : {ID_FILE_PRINT, ID_FILE_PRINT_PREVIEW, ID_FILE_PRINT_SETUP}) fileMenu_->addAction(command(id));
    fileMenu_->addSeparator();
    recentPlaceholder_ = command(ID_FILE_MRU_FILE1);
    fileMenu_->addAction(recentPlaceholder_);
    for (int i = 0; i < RecentCount; ++i) {
        auto* a = new QAction(this);
        a->setData(ID_FILE_MRU_FILE1 + i);
        a->setStatusTip(recentPlaceholder_->statusTip());
        connect(a, &QAction::triggered, this, [this, i] {
            const QStringList files = recentFiles();
            if (i < files.size() && saveModified()) openDocumentFile(files[i]);
        });
        recentActions_.append(a);
        fileMenu_->addAction(a);
    }
    fileMenu_->addSeparator();
    fileMenu_->addAction(command(ID_APP_EXIT));

    // The edit menu and the popup menu hold the same commands.
    QMenu* edit = bar->addMenu(QStringLiteral("編集(&E)"));
    popup_ = new QMenu(this);
    for (QMenu* m : {edit, popup_}) {
        m->addAction(command(ID_EDIT_UNDO));
        m->addSeparator();
        m->addAction(command(ID_LIST_EDIT));
        m->addSeparator();
        for (int id : {ID_CLS, ID_CLS2, ID_CLS3, ID_LIST}) m->addAction(command(id));
        m->addSeparator();
        for (int id : {ID_COPY_GRAPHICS, ID_COPY_TEXT}) m->addAction(command(id));
        m->addSeparator();
        for (int id : {ID_COPY_ALL, ID_PASTE_ALL, ID_COPY_RANGE, ID_PASTE_RANGE, ID_CUT_ALL, ID_DELETE_ALL,
                       ID_CUT_RANGE, ID_DELETE_RANGE})
            m->addAction(command(id));
    }

    QMenu* run = bar->addMenu(QStringLiteral("RUN/STOP"));
    for (int id : {ID_RUN, ID_BREAK, ID_CONT}) run->addAction(command(id));

    QMenu* view = bar->addMenu(QStringLiteral("表示(&V)"));
    view->addAction(command(ID_VIEW_TOOLBAR));
    view->addAction(command(ID_VIEW_STATUS_BAR));
    view->addSeparator();
    QMenu* zoom = view->addMenu(QStringLiteral("拡大表示(&Z)"));
    for (int id : kZoomIds) zoom->addAction(command(id));
    view->addAction(command(ID_VIEW_FULL_SCREEN));
    view->addSeparator();
    QMenu* speed = view->addMenu(QStringLiteral("実行速度(&P)"));
    speed->addAction(command(ID_SPEED_FULL));
    speed->addAction(command(ID_SPEED_ORIGINAL));
    speed->addSeparator();
    for (int i = 0; i < static_cast<int>(std::size(SpeedRates)); ++i) speed->addAction(command(ID_SPEED_RATE1 + i));
    speed->addAction(command(ID_SPEED_OTHER));

    QMenu* help = bar->addMenu(QStringLiteral("ﾍﾙﾌﾟ(&H)"));
    help->addAction(command(ID_HELP_FINDER));
    help->addSeparator();
    help->addAction(command(ID_APP_ABOUT));
}

// ------------------------------------------------------------ view commands

void CMainFrame::createViewCommands() {
    for (int i = 0; i < static_cast<int>(std::size(SpeedRates)); ++i) {
        const QString text = rateText(SpeedRates[i]);
        addCommand(ID_SPEED_RATE1 + i, text, text + QStringLiteral("で実行します/Run at this speed"))
            ->setToolTip(text);
    }
    // Shown only for a rate from the command line that no entry has.
    addCommand(ID_SPEED_OTHER, QString(), QStringLiteral("指定の速さで実行します/Run at the given speed"))
        ->setVisible(false);

    zoomGroup_ = new QActionGroup(this);
    for (int id : kZoomIds) {
        command(id)->setCheckable(true);
        zoomGroup_->addAction(command(id));
    }
    speedGroup_ = new QActionGroup(this);
    for (int id = ID_SPEED_FULL; id <= ID_SPEED_OTHER; ++id)
        if (QAction* a = command(id)) {
            a->setCheckable(true);
            speedGroup_->addAction(a);
        }
    command(ID_VIEW_FULL_SCREEN)->setCheckable(true);
    command(ID_SPEED_FULL)->setChecked(true);
}

void CMainFrame::setSpeed(int64_t perSecond) {
    view_->setSpeed(perSecond);
    updateSpeedMenu();
}

void CMainFrame::updateSpeedMenu() {
    const int64_t rate = view_->speed();
    int id = ID_SPEED_OTHER;
    if (rate == 0) id = ID_SPEED_FULL;
    else if (rate == speed::Original) id = ID_SPEED_ORIGINAL;
    for (int i = 0; i < static_cast<int>(std::size(SpeedRates)); ++i)
        if (rate == SpeedRates[i]) id = ID_SPEED_RATE1 + i;
    QAction* other = command(ID_SPEED_OTHER);
    other->setVisible(id == ID_SPEED_OTHER);
    if (id == ID_SPEED_OTHER) other->setText(rateText(rate));
    command(id)->setChecked(true);
}

void CMainFrame::setZoom(int z) {
    zoom_ = zoom::normalized(z);
    QSettings settings;
    if (settings.value(QString::fromLatin1(kZoomKey), 1).toInt() != zoom_)
        settings.setValue(QString::fromLatin1(kZoomKey), zoom_);
    const int ids[] = {ID_VIEW_ZOOM_FIT, ID_VIEW_ZOOM1, ID_VIEW_ZOOM2, ID_VIEW_ZOOM3};
    command(ids[zoom_])->setChecked(true);
    // In full screen the screen stays fitted; the choice applies after.
    if (fullScreen_) return;
    view_->setZoom(zoom_);
    fitFrameToZoom();
}

void CMainFrame::fitFrameToZoom() {
    if (fullScreen_ || zoom_ == COrvellanView::ZoomFit) return;
    if (zoom_ == 1) {
        // The start-up size holds the whole screen.
        resize(FrameWidth, FrameHeight);
        return;
    }
    // Menu bar, toolbar and status bar take what the view does not.
    if (QLayout* l = layout()) l->activate();
    const QSize chrome = size() - view_->size();
    resize(chrome + QSize(COrvellanView::ScreenWidth * zoom_, COrvellanView::ScreenHeight * zoom_));
}

void CMainFrame::setFullScreenMode(bool on) {
    command(ID_VIEW_FULL_SCREEN)->setChecked(on);
    if (on == fullScreen_) return;
    fullScreen_ = on;
    if (on) {
        toolBarShown_ = toolBar_->isVisible();
        statusBarShown_ = statusBar()->isVisible();
        toolBar_->hide();
        statusBar()->hide();
        view_->setZoom(COrvellanView::ZoomFit);
        showFullScreen();
    } else {
        showNormal();
        toolBar_->setVisible(toolBarShown_);
        statusBar()->setVisible(statusBarShown_);
        view_->setZoom(zoom_);
        fitFrameToZoom();
    }
    view_->setFocus();
}

void CMainFrame::createToolBar() {
    toolBar_ = addToolBar(QStringLiteral("ﾂｰﾙ ﾊﾞｰ"));
    toolBar_->setObjectName(QStringLiteral("toolbar"));
    toolBar_->setAllowedAreas(Qt::AllToolBarAreas);
    toolBar_->setIconSize(QSize(16, 16));
    const int groups[][4] = {
        {ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_SAVE, 0},
        {ID_RUN, ID_BREAK, ID_CONT, 0},
        {ID_CLS, ID_CLS2, ID_CLS3, 0},
        {ID_LIST, ID_LIST_EDIT, 0, 0},
        {ID_CUT_ALL, ID_COPY_ALL, ID_PASTE_ALL, ID_FILE_PRINT},
        {ID_HELP_FINDER, ID_CONTEXT_HELP, 0, 0},
    };
    bool first = true;
    for (const auto& g : groups) {
        if (!first) toolBar_->addSeparator();
        first = false;
        for (int id : g)
            if (id) toolBar_->addAction(command(id));
    }
    connect(toolBar_, &QToolBar::visibilityChanged, command(ID_VIEW_TOOLBAR), &QAction::setChecked);
}

void CMainFrame::createStatusBar() {
    QStatusBar* sb = statusBar();
    // The message pane: command prompts replace this while they show.
    sb->addWidget(new QLabel(QStringLiteral("レディ"), sb), 1);
    for (const char* name : {"ｶﾅ", "CAP", "NUM", "SCRL"}) {
        auto* l = new QLabel(QString::fromUtf8(name), sb);
        l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        l->setAlignment(Qt::AlignCenter);
        l->setMinimumWidth(l->fontMetrics().horizontalAdvance(QStringLiteral("SCRL")) + 8);
        // The lock states are not known here: the indicators stay dimmed.
        l->setEnabled(false);
        sb->addPermanentWidget(l);
        indicators_.append(l);
    }
}

// ------------------------------------------------------------ recent files

QStringList CMainFrame::recentFiles() const {
    QSettings settings;
    settings.beginGroup(QString::fromLatin1(kRecentGroup));
    QStringList files;
    for (int i = 1; i <= RecentCount; ++i) {
        const QString f = settings.value(QStringLiteral("File%1").arg(i)).toString();
        if (!f.isEmpty()) files.append(f);
    }
    return files;
}

void CMainFrame::addRecent(const QString& path) {
    QStringList files = recentFiles();
    files.removeAll(path);
    files.prepend(path);
    while (files.size() > RecentCount) files.removeLast();
    QSettings settings;
    settings.beginGroup(QString::fromLatin1(kRecentGroup));
    for (int i = 1; i <= RecentCount; ++i) {
        if (i <= files.size()) settings.setValue(QStringLiteral("File%1").arg(i), files[i - 1]);
        else settings.remove(QStringLiteral("File%1").arg(i));
    }
    updateRecentMenu();
}

void CMainFrame::removeRecent(const QString& path) {
    QStringList files = recentFiles();
    if (!files.removeAll(path)) return;
    QSettings settings;
    settings.beginGroup(QString::fromLatin1(kRecentGroup));
    for (int i = 1; i <= RecentCount; ++i) {
        if (i <= files.size()) settings.setValue(QStringLiteral("File%1").arg(i), files[i - 1]);
        else settings.remove(QStringLiteral("File%1").arg(i));
    }
    updateRecentMenu();
}

void CMainFrame::updateRecentMenu() {
    const QStringList files = recentFiles();
    recentPlaceholder_->setVisible(files.isEmpty());
    recentPlaceholder_->setEnabled(false);
    for (int i = 0; i < RecentCount; ++i) {
        QAction* a = recentActions_[i];
        a->setVisible(i < files.size());
        if (i < files.size())
            a->setText(QStringLiteral("&%1 %2").arg(i + 1).arg(QDir::toNativeSeparators(files[i])));
    }
}

// ------------------------------------------------------------ file commands

void CMainFrame::updateTitle() {
    const QString path = doc_->pathName();
    setWindowTitle(path.isEmpty() ? QStringLiteral("TARNWICK") : doc_->title() + QStringLiteral(" - TARNWICK"));
}

bool CMainFrame::saveModified() {
    if (!doc_->isModified()) return true;
    const int answer =
        dialogs_.ask(this, QStringLiteral("%1 への変更を保存しますか?").arg(doc_->title()), Dialogs::YesNoCancel);
    if (answer == Host::AnswerYes) return onFileSave();
    return answer == Host::AnswerNo;
}

void CMainFrame::onFileNew() {
    if (!saveModified()) return;
    view_->onBreak();
    doc_->onNewDocument();
    view_->refresh();
}

bool CMainFrame::onFileOpen() {
    if (!saveModified()) return false;
    const QString path = dialogs_.openFileName(this);
    if (path.isEmpty()) return false;
    return openDocumentFile(path);
}

bool CMainFrame::openDocumentFile(const QString& path) {
    view_->onBreak();
    QString error;
    if (!doc_->onOpenDocument(path, &error)) {
        dialogs_.ask(this, error + QLatin1Char('\n') + QDir::toNativeSeparators(path), Host::Ok);
        removeRecent(QFileInfo(path).absoluteFilePath());
        return false;
    }
    addRecent(doc_->pathName());
    view_->refresh();
    return true;
}

void CMainFrame::fileDropped(const QString& path) {
    if (!saveModified()) return;
    openDocumentFile(path);
}

bool CMainFrame::onFileSave() {
    if (doc_->pathName().isEmpty()) return onFileSaveAs();
    QString error;
    if (!doc_->onSaveDocument(doc_->pathName(), &error)) {
        dialogs_.ask(this, error + QLatin1Char('\n') + QDir::toNativeSeparators(doc_->pathName()), Host::Ok);
        return false;
    }
    addRecent(doc_->pathName());
    return true;
}

bool CMainFrame::onFileSaveAs() {
    const QString suggested = doc_->pathName().isEmpty() ? QStringLiteral("無題.BAS") : doc_->pathName();
    QString path = dialogs_.saveFileName(this, suggested);
    if (path.isEmpty()) return false;
    if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".BAS");
    QString error;
    if (!doc_->onSaveDocument(path, &error)) {
        dialogs_.ask(this, error + QLatin1Char('\n') + QDir::toNativeSeparators(path), Host::Ok);
        return false;
    }
    addRecent(doc_->pathName());
    return true;
}

// ---------------------------------------------------------------- printing

QPrinter& CMainFrame::printer() {
    if (!printer_) {
        printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer_->setPageSize(QPageSize(QPageSize::A4));
    }
    return *printer_;
}

bool CMainFrame::askPrintSettings(PrintSettings& s) {
    s = PrintSettings{};
    for (;;) {
        if (!dialogs_.printPattern(this, s)) return false;
        // A last line below the first shows the dialog again.
        if (s.last >= s.first) break;
    }
    Interpreter& in = view_->interp();
    s.last = std::min(s.last, in.lineCount());
    s.pages = paginate(programLines(in), s.first, s.last, s.linesPerPage);
    return true;
}

void CMainFrame::onFilePrint() {
    PrintSettings s;
    if (!askPrintSettings(s)) return;
    const int pages = pageCount(s);
    if (pages <= 0) return;
    QPrinter& p = printer();
    p.setPrintRange(QPrinter::AllPages);
    p.setFromTo(0, 0);
    if (!dialogs_.printDialog(this, p, pages)) return;
    printPages(p, view_->interp(), s);
}

void CMainFrame::onFilePrintPreview() {
    PrintSettings s;
    if (!askPrintSettings(s)) return;
    QPrinter& p = printer();
    p.setPrintRange(QPrinter::AllPages);
    p.setFromTo(0, 0);
    Interpreter& in = view_->interp();
    dialogs_.printPreview(this, p, [&in, s](QPrinter* target) { printPages(*target, in, s); });
}

void CMainFrame::onFilePrintSetup() { dialogs_.printerSetup(this, printer()); }

// ------------------------------------------------------------------ closing

void CMainFrame::closeEvent(QCloseEvent* e) {
    if (!saveModified()) {
        e->ignore();
        return;
    }
    // A running program stops; its files close with the interpreter.
    view_->shutdown();
    e->accept();
}

}  // namespace tw
