// Command identifiers and the program's fixed texts.
#pragma once

#include "platform/win_types.h"

constexpr UINT ID_FILE_NEW = 57600;
constexpr UINT ID_FILE_OPEN = 57601;
constexpr UINT ID_FILE_SAVE = 57603;
constexpr UINT ID_FILE_SAVE_AS = 57604;
constexpr UINT ID_FILE_PRINT = 57607;
constexpr UINT ID_EDIT_COPY = 57634;
constexpr UINT ID_EDIT_CUT = 57635;
constexpr UINT ID_EDIT_FIND = 57636;
constexpr UINT ID_EDIT_PASTE = 57637;
constexpr UINT ID_EDIT_UNDO = 57643;
constexpr UINT ID_WINDOW_SPLIT = 57653;
constexpr UINT ID_APP_ABOUT = 57664;
constexpr UINT ID_APP_EXIT = 57665;
constexpr UINT ID_NEXT_PANE = 57680;
constexpr UINT ID_PREV_PANE = 57681;
constexpr UINT ID_VIEW_TOOLBAR = 59392;
constexpr UINT ID_VIEW_STATUS_BAR = 59393;
constexpr UINT ID_PRUNE_BRANCH = 32772;
constexpr UINT ID_SAVE_BRANCH = 32775;
constexpr UINT ID_FILE_INFO = 32785;
constexpr UINT ID_FIND_NEXT = 32787;
constexpr UINT ID_TOGGLE_SELECT = 32788;
constexpr UINT ID_SEARCH_CATALOGUES = 32790;
constexpr UINT ID_UPDATE_FROM_DISK = 32791;
constexpr UINT ID_COMPARE_TREE_FILE = 32792;

inline constexpr const char kAppName[] = "ZTR";
inline constexpr const char kFrameTitle[] = "Directory Listing Viewer";
inline constexpr const char kMakerName[] = "ZTR Project";
