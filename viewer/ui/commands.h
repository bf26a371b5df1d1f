// The command table: every command of the viewer once, with its identifier, menu text,
// shortcuts, toolbar picture and whether it carries a check mark, and the menus, the
// context menu and the toolbar as lists of identifiers. The main frame makes one QAction per
// command from it; enabling, checking and routing go by the identifiers.
#pragma once

#include <cstdint>
#include <vector>

#include "viewer/doc/frame/commands.h"
#include "viewer/doc/frame/pane_swap.h"
#include "viewer/doc/frame/tool_commands.h"
#include "viewer/items/export_commands.h"

namespace viewer::ui {

using viewer::doc::frame::ID_TOOLS_CHECKSUM;
using viewer::doc::frame::ID_TOOLS_OPEN_ATTACHMENT;
using viewer::doc::frame::ID_TOOLS_SAVE_BODY;
using viewer::doc::frame::ID_TOOLS_SAVE_DATA;
using viewer::doc::frame::ID_VIEW_DETAILS;
using viewer::doc::frame::ID_VIEW_HEX;
using viewer::doc::frame::ID_VIEW_RICH;
using viewer::doc::frame::ID_VIEW_TEXT;
using viewer::doc::frame::ID_VIEW_TREE;
using viewer::items::ID_FILE_EXPORT_ICALENDAR;
using viewer::items::ID_FILE_EXPORT_VCARD;

inline constexpr std::uint32_t ID_FILE_OPEN = 57601;
inline constexpr std::uint32_t ID_FILE_CLOSE = 57602;
inline constexpr std::uint32_t ID_FILE_MRU_FIRST = 57616; // through 57619
inline constexpr std::uint32_t ID_FILE_MRU_LAST = 57619;
inline constexpr std::uint32_t ID_EDIT_COPY = 57634;
inline constexpr std::uint32_t ID_EDIT_CUT = 57635;
inline constexpr std::uint32_t ID_EDIT_PASTE = 57637;
inline constexpr std::uint32_t ID_EDIT_UNDO = 57643;
inline constexpr std::uint32_t ID_WINDOW_CASCADE = 57650;
inline constexpr std::uint32_t ID_WINDOW_TILE = 57651;
inline constexpr std::uint32_t ID_WINDOW_SPLIT = 57653;
inline constexpr std::uint32_t ID_APP_ABOUT = 57664;
inline constexpr std::uint32_t ID_APP_EXIT = 57665;
inline constexpr std::uint32_t ID_NEXT_PANE = 57680;
inline constexpr std::uint32_t ID_PREV_PANE = 57681;
inline constexpr std::uint32_t ID_VIEW_TOOLBAR = 59392;
inline constexpr std::uint32_t ID_VIEW_STATUS_BAR = 59393;

// A separator in a menu or the toolbar.
inline constexpr std::uint32_t kSeparator = 0;

struct CommandInfo {
    std::uint32_t id;
    const char* text;      // menu text with its mnemonic and shortcut text ("&Copy\tCtrl+C")
    const char* shortcuts; // key sequences separated by "|"; empty for none
    const char* icon;      // toolbar picture in the resources; null for none
    bool checkable;
};

struct MenuEntry {
    std::uint32_t id;           // kSeparator for a separator
    const char* text = nullptr; // another text than the command's own; null for its own
};

struct PopupMenu {
    const char* title;
    std::vector<MenuEntry> entries;
};

// Every command with a QAction, the recent-file entries excepted.
const std::vector<CommandInfo>& Commands();
const CommandInfo* FindCommand(std::uint32_t id);

// Menu 128 (no document) or 129 (a document window is active). ID_FILE_MRU_FIRST marks
// where the recent files go.
const std::vector<PopupMenu>& MainMenu(bool documentOpen);
// Context menu 158.
const std::vector<MenuEntry>& ContextMenu();
// Toolbar 128.
const std::vector<std::uint32_t>& ToolbarButtons();

} // namespace viewer::ui
