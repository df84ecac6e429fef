// The main frame: geometry, menus with their exact texts and keys, the
// popup menu, the toolbar, the status bar and the recent-file list.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenuBar>
#include <QSettings>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QToolBar>

#include "gui/aboutdlg.h"
#include "gui/commands.h"
#include "gui/document.h"
#include "gui/keymap.h"
#include "gui_support.h"

using namespace tw;
using twtest::Window;

namespace {

QList<int> ids(const QList<QAction*>& actions) {
    QList<int> out;
    for (QAction* a : actions) out.append(a->isSeparator() ? 0 : a->data().toInt());
    return out;
}

QMenu* menuTitled(CMainFrame& f, const QString& title) {
    for (QAction* a : f.menuBar()->actions())
        if (a->text() == title) return a->menu();
    return nullptr;
}

void clearRecentFiles() {
    QSettings s;
    s.remove(QStringLiteral("Recent File List"));
}

TEST(Frame, TitleSizeAndNoMaximizeBox) {
    Window w;
    EXPECT_EQ(w.frame->windowTitle(), QStringLiteral("TARNWICK"));
    EXPECT_EQ(w.frame->size(), QSize(665, 506));
    EXPECT_EQ(w.frame->pos(), QPoint(99, 75));
    EXPECT_FALSE(w.frame->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(w.frame->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_TRUE(w.frame->windowFlags() & Qt::WindowCloseButtonHint);
}

TEST(Frame, MenuBarPopups) {
    Window w;
    QStringList titles;
    for (QAction* a : w.frame->menuBar()->actions()) titles << a->text();
    EXPECT_EQ(titles, (QStringList{QStringLiteral("ﾌｧｲﾙ(&F)"), QStringLiteral("編集(&E)"), QStringLiteral("RUN/STOP"),
                                   QStringLiteral("表示(&V)"), QStringLiteral("ﾍﾙﾌﾟ(&H)")}));
}

// Every command: its menu, its exact text and the key bound to it.
TEST(Frame, CommandTable) {
    struct Row {
        int id;
        const char* menu;
        const char* text;
        const char* key;
    };
    const Row rows[] = {
        {57600, "ﾌｧｲﾙ(&F)", "新規作成(&N)\tCtrl+N", "Ctrl+N"},
        {57601, "ﾌｧｲﾙ(&F)", "開く(&O)\tCtrl+O", "Ctrl+O"},
        {57603, "ﾌｧｲﾙ(&F)", "上書き保存(&S)\tCtrl+S", "Ctrl+S"},
        {57604, "ﾌｧｲﾙ(&F)", "名前を付けて保存(&A)...", ""},
        {57607, "ﾌｧｲﾙ(&F)", "印刷(&P)...\tCtrl+P", "Ctrl+P"},
        {57609, "ﾌｧｲﾙ(&F)", "印刷ﾌﾟﾚﾋﾞｭｰ(&V)", ""},
        {57606, "ﾌｧｲﾙ(&F)", "ﾌﾟﾘﾝﾀの設定(&R)...", ""},
        {57616, "ﾌｧｲﾙ(&F)", "最近使ったﾌｧｲﾙ", ""},
        {57665, "ﾌｧｲﾙ(&F)", "ｱﾌﾟﾘｹｰｼｮﾝの終了(&X)", ""},
        {57643, "編集(&E)", "元に戻す(&U)\tCtrl+Z", "Ctrl+Z"},
        {32786, "編集(&E)", "エディターでリスト編集", ""},
        {32794, "編集(&E)", "CLS（テキスト画面消去）", ""},
        {32797, "編集(&E)", "CLS 2（グラフィック画面消去）", ""},
        {32795, "編集(&E)", "CLS 3（テキスト＆グラフィック画面消去）", ""},
        {32796, "編集(&E)", "LIST(リストの画面表示)", ""},
        {32792, "編集(&E)", "グラフィック画面をクリップにコピー", ""},
        {32799, "編集(&E)", "テキスト画面をクリップにコピー", ""},
        {32801, "編集(&E)", "全リストをｺﾋﾟｰ(&C)\tCtrl+C", ""},
        {32800, "編集(&E)", "貼り付け／全リストを置換(&P)\tCtrl+V", ""},
        {32783, "編集(&E)", "リストの部分コピー", ""},
        {32784, "編集(&E)", "リストの部分貼り付け", ""},
        {32788, "編集(&E)", "全リストの切り取り", ""},
        {32789, "編集(&E)", "全リストの削除", ""},
        {32802, "編集(&E)", "リストの部分切り取り(&T)\tCtrl+X", ""},
        {32803, "編集(&E)", "リストの部分削除", ""},
        {32779, "RUN/STOP", "RUN", ""},
        {32778, "RUN/STOP", "BREAK, STOP", ""},
        {32780, "RUN/STOP", "CONT", ""},
        {59392, "表示(&V)", "ﾂｰﾙ ﾊﾞｰ(&T)", ""},
        {59393, "表示(&V)", "ｽﾃｰﾀｽ ﾊﾞｰ(&S)", ""},
        {57667, "ﾍﾙﾌﾟ(&H)", "ﾄﾋﾟｯｸの検索(&H)", "F11"},
        {57664, "ﾍﾙﾌﾟ(&H)", "TARNWICK のﾊﾞｰｼﾞｮﾝ情報(&A)...", ""},
    };
    Window w;
    for (const Row& r : rows) {
        SCOPED_TRACE(r.id);
        QAction* a = w.frame->command(r.id);
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->text(), QString::fromUtf8(r.text));
        EXPECT_EQ(a->shortcut(), QKeySequence(QString::fromUtf8(r.key)));
        QMenu* m = menuTitled(*w.frame, QString::fromUtf8(r.menu));
        ASSERT_NE(m, nullptr);
        EXPECT_TRUE(m->actions().contains(a));
    }
    // Undo has no handler; Alt+Backspace is its second key.
    EXPECT_FALSE(w.frame->command(ID_EDIT_UNDO)->isEnabled());
    EXPECT_TRUE(w.frame->command(ID_EDIT_UNDO)->shortcuts().contains(QKeySequence(QStringLiteral("Alt+Backspace"))));
    EXPECT_EQ(w.frame->command(ID_F10)->shortcut(), QKeySequence(Qt::Key_F10));
    EXPECT_EQ(w.frame->command(ID_RUN)->statusTip(), QStringLiteral("実行/RUN"));
    EXPECT_EQ(w.frame->command(ID_BREAK)->statusTip(), QStringLiteral("停止/STOP"));
    EXPECT_EQ(w.frame->command(ID_CONT)->statusTip(), QStringLiteral("継続/CONT"));
    EXPECT_EQ(w.frame->command(ID_DELETE_ALL)->statusTip(), QStringLiteral("全リストの削除"));
}

TEST(Frame, PopupMenuRepeatsTheEditMenu) {
    Window w;
    QMenu* edit = menuTitled(*w.frame, QStringLiteral("編集(&E)"));
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(ids(w.frame->popupMenu()->actions()), ids(edit->actions()));
    EXPECT_EQ(ids(edit->actions()),
              (QList<int>{ID_EDIT_UNDO, 0, ID_LIST_EDIT, 0, ID_CLS, ID_CLS2, ID_CLS3, ID_LIST, 0, ID_COPY_GRAPHICS,
                          ID_COPY_TEXT, 0, ID_COPY_ALL, ID_PASTE_ALL, ID_COPY_RANGE, ID_PASTE_RANGE, ID_CUT_ALL,
                          ID_DELETE_ALL, ID_CUT_RANGE, ID_DELETE_RANGE}));
}

TEST(Frame, ToolbarButtonsInOrderWithIconsAndTips) {
    Window w;
    const QList<QAction*> acts = w.frame->toolBar()->actions();
    EXPECT_EQ(ids(acts), (QList<int>{ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_SAVE, 0, ID_RUN, ID_BREAK, ID_CONT, 0, ID_CLS,
                                     ID_CLS2, ID_CLS3, 0, ID_LIST, ID_LIST_EDIT, 0, ID_CUT_ALL, ID_COPY_ALL,
                                     ID_PASTE_ALL, ID_FILE_PRINT, 0, ID_HELP_FINDER, ID_CONTEXT_HELP}));
    for (QAction* a : acts) {
        if (a->isSeparator()) continue;
        SCOPED_TRACE(a->data().toInt());
        EXPECT_FALSE(a->icon().isNull());
        EXPECT_FALSE(a->toolTip().isEmpty());
    }
}

TEST(Frame, StatusBarIndicatorsAndViewToggles) {
    Window w;
    QStringList names;
    for (QLabel* l : w.frame->indicators()) names << l->text();
    EXPECT_EQ(names, (QStringList{QStringLiteral("ｶﾅ"), QStringLiteral("CAP"), QStringLiteral("NUM"),
                                  QStringLiteral("SCRL")}));
    w.command(ID_VIEW_TOOLBAR);
    EXPECT_FALSE(w.frame->toolBar()->isVisible());
    w.command(ID_VIEW_TOOLBAR);
    EXPECT_TRUE(w.frame->toolBar()->isVisible());
    w.command(ID_VIEW_STATUS_BAR);
    EXPECT_FALSE(w.frame->statusBar()->isVisible());
    EXPECT_FALSE(w.frame->command(ID_VIEW_STATUS_BAR)->isChecked());
}

TEST(Frame, HelpAndAbout) {
    Window w;
    w.command(ID_APP_ABOUT);
    w.key(Qt::Key_F11);
    EXPECT_EQ(w.dialogs.abouts, 1);
    EXPECT_EQ(w.dialogs.helps, 1);
    CAboutDlg about;
    EXPECT_EQ(about.windowTitle(), QStringLiteral("TARNWICK のﾊﾞｰｼﾞｮﾝ情報"));
    EXPECT_TRUE(CAboutDlg::versionText().startsWith(QStringLiteral("TARNWICK Version ")));
}

TEST(Frame, RecentFilesKeepTheLastFourOpened) {
    clearRecentFiles();
    QTemporaryDir dir;
    QStringList paths;
    for (int i = 1; i <= 5; ++i) {
        const QString p = dir.filePath(QStringLiteral("P%1.BAS").arg(i));
        QFile f(p);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QStringLiteral("10 PRINT %1\r\n").arg(i).toLatin1());
        paths << QFileInfo(p).absoluteFilePath();
    }
    {
        Window w;
        EXPECT_TRUE(w.frame->command(ID_FILE_MRU_FILE1)->isVisible());
        for (const QString& p : paths) ASSERT_TRUE(w.frame->openDocumentFile(p));
        // Opening one again moves it to the top.
        ASSERT_TRUE(w.frame->openDocumentFile(paths[2]));
        EXPECT_EQ(w.frame->recentFiles(), (QStringList{paths[2], paths[4], paths[3], paths[1]}));
        EXPECT_FALSE(w.frame->command(ID_FILE_MRU_FILE1)->isVisible());
    }
    // The list outlives the window; its entries open their files.
    Window w;
    QMenu* file = menuTitled(*w.frame, QStringLiteral("ﾌｧｲﾙ(&F)"));
    QAction* second = nullptr;
    for (QAction* a : file->actions())
        if (a->data().toInt() == ID_FILE_MRU_FILE1 + 1 && a->isVisible()) second = a;
    ASSERT_NE(second, nullptr);
    EXPECT_TRUE(second->text().startsWith(QStringLiteral("&2 ")));
    EXPECT_TRUE(second->text().endsWith(QStringLiteral("P5.BAS")));
    second->trigger();
    EXPECT_EQ(w.listing(), "10 PRINT 5|");
    EXPECT_EQ(w.frame->windowTitle(), QStringLiteral("P5.BAS - TARNWICK"));
    clearRecentFiles();
}

TEST(Frame, VirtualKeysOfTheOriginalKeyboard) {
    const std::pair<int, int> keys[] = {
        {Qt::Key_Left, 0x25}, {Qt::Key_Up, 0x26},     {Qt::Key_Right, 0x27}, {Qt::Key_Down, 0x28},
        {Qt::Key_Home, 0x24}, {Qt::Key_Insert, 0x2D}, {Qt::Key_Delete, 0x2E}, {Qt::Key_Pause, 0x13},
        {Qt::Key_F1, 0x70},   {Qt::Key_F10, 0x79},    {Qt::Key_A, 'A'},       {Qt::Key_7, '7'},
        {Qt::Key_PageUp, 0x21}, {Qt::Key_Escape, 0x1B}, {Qt::Key_Tab, 0x09},  {Qt::Key_unknown, 0},
    };
    for (const auto& [qt, vk] : keys) EXPECT_EQ(virtualKey(qt), vk) << qt;
}

}  // namespace
