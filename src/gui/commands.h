// Command identifiers of the menus, toolbar and accelerators. The numbers
// are those of the original resource file, so that a command keeps one
// name everywhere (actions carry it as their data).
#pragma once

namespace tw {

enum CommandId : int {
    // File menu
    ID_FILE_NEW = 57600,
    ID_FILE_OPEN = 57601,
    ID_FILE_SAVE = 57603,
    ID_FILE_SAVE_AS = 57604,
    ID_FILE_PRINT_SETUP = 57606,
    ID_FILE_PRINT = 57607,
    ID_FILE_PRINT_PREVIEW = 57609,
    ID_FILE_MRU_FILE1 = 57616,
    ID_APP_EXIT = 57665,
    // Edit menu and the popup menu
    ID_EDIT_UNDO = 57643,
    ID_LIST_EDIT = 32786,
    ID_CLS = 32794,
    ID_CLS2 = 32797,
    ID_CLS3 = 32795,
    ID_LIST = 32796,
    ID_COPY_GRAPHICS = 32792,
    ID_COPY_TEXT = 32799,
    ID_COPY_ALL = 32801,
    ID_PASTE_ALL = 32800,
    ID_COPY_RANGE = 32783,
    ID_PASTE_RANGE = 32784,
    ID_CUT_ALL = 32788,
    ID_DELETE_ALL = 32789,
    ID_CUT_RANGE = 32802,
    ID_DELETE_RANGE = 32803,
    // RUN/STOP menu
    ID_RUN = 32779,
    ID_BREAK = 32778,
    ID_CONT = 32780,
    // View menu
    ID_VIEW_TOOLBAR = 59392,
    ID_VIEW_STATUS_BAR = 59393,
    // Help menu and toolbar
    ID_HELP_FINDER = 57667,
    ID_APP_ABOUT = 57664,
    ID_CONTEXT_HELP = 57669,
    // View menu: zoom, full screen and run speed (commands of this program
    // that the original resource file does not have).
    ID_VIEW_ZOOM1 = 33001,
    ID_VIEW_ZOOM2 = 33002,
    ID_VIEW_ZOOM3 = 33003,
    ID_VIEW_ZOOM_FIT = 33004,
    ID_VIEW_FULL_SCREEN = 33005,
    ID_SPEED_FULL = 33010,
    ID_SPEED_ORIGINAL = 33011,
    ID_SPEED_RATE1 = 33012,  // .. ID_SPEED_RATE1 + 4: the fixed rates of the menu
    ID_SPEED_OTHER = 33019,  // a rate given with --speed that the menu lacks
    // Key only: F10 reaches the console instead of the menu bar.
    ID_F10 = 1006,
    // Edit ids that only the accelerator table names; no command takes them.
    ID_EDIT_COPY = 57634,
    ID_EDIT_CUT = 57635,
    ID_EDIT_PASTE = 57637,
};

}  // namespace tw
