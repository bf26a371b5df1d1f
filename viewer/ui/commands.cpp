#include "viewer/ui/commands.h"

namespace viewer::ui {

const std::vector<CommandInfo>& Commands()
{
    static const std::vector<CommandInfo> commands = {
        {ID_FILE_OPEN, "&Open...\tCtrl+O", "Ctrl+O", ":/pallion/toolbar/open.svg", false},
        {ID_FILE_CLOSE, "&Close", "", nullptr, false},
        {ID_FILE_EXPORT_ICALENDAR, "Export as &iCalendar...", "", nullptr, false},
        {ID_FILE_EXPORT_VCARD, "Export as &vCard...", "", nullptr, false},
        {ID_APP_EXIT, "E&xit", "", nullptr, false},
        {ID_EDIT_UNDO, "&Undo\tCtrl+Z", "Ctrl+Z|Alt+Backspace", nullptr, false},
        {ID_EDIT_CUT, "Cu&t\tCtrl+X", "Ctrl+X|Shift+Del", ":/pallion/toolbar/cut.svg", false},
        {ID_EDIT_COPY, "&Copy\tCtrl+C", "Ctrl+C|Ctrl+Ins", ":/pallion/toolbar/copy.svg", false},
        {ID_EDIT_PASTE, "&Paste\tCtrl+V", "Ctrl+V|Shift+Ins", ":/pallion/toolbar/paste.svg", false},
        {ID_VIEW_TOOLBAR, "&Toolbar", "", nullptr, true},
        {ID_VIEW_STATUS_BAR, "&Status Bar", "", nullptr, true},
        {ID_WINDOW_SPLIT, "S&plit", "", nullptr, false},
        {ID_VIEW_TREE, "T&NEF Tree", "", ":/pallion/toolbar/tnef-tree.svg", true},
        {ID_VIEW_RICH, "&Rich View", "", ":/pallion/toolbar/rich-view.svg", true},
        {ID_VIEW_HEX, "&Hex View", "", ":/pallion/toolbar/hex-view.svg", true},
        {ID_VIEW_TEXT, "Te&xt View", "", ":/pallion/toolbar/text-view.svg", true},
        {ID_VIEW_DETAILS, "&Details", "", ":/pallion/toolbar/details.svg", true},
        {ID_TOOLS_OPEN_ATTACHMENT, "&Open Attachment...", "", nullptr, false},
        {ID_TOOLS_CHECKSUM, "&Calculate Checksum", "", nullptr, false},
        {ID_TOOLS_SAVE_DATA, "&Save Data to Disk...", "", nullptr, false},
        {ID_TOOLS_SAVE_BODY, "Save Mail &Body to Disk...", "", nullptr, false},
        {ID_WINDOW_CASCADE, "&Cascade", "", nullptr, false},
        {ID_WINDOW_TILE, "&Tile", "", nullptr, false},
        {ID_APP_ABOUT, "&About...", "", ":/pallion/toolbar/about.svg", false},
        {ID_NEXT_PANE, "Next Pane", "F6", nullptr, false},
        {ID_PREV_PANE, "Previous Pane", "Shift+F6", nullptr, false},
    };
    return commands;
}

const CommandInfo* FindCommand(std::uint32_t id)
{
    for (const CommandInfo& command : Commands()) {
        if (command.id == id) {
            return &command;
        }
    }
    return nullptr;
}

const std::vector<PopupMenu>& MainMenu(bool documentOpen)
{
    static const std::vector<PopupMenu> menu128 = {
        {"&File", {{ID_FILE_OPEN}, {kSeparator}, {ID_FILE_MRU_FIRST}, {kSeparator}, {ID_APP_EXIT}}},
        {"&View", {{ID_VIEW_TOOLBAR}, {ID_VIEW_STATUS_BAR}}},
        {"&Help", {{ID_APP_ABOUT}}},
    };
    static const std::vector<PopupMenu> menu129 = {
        {"&File",
         {{ID_FILE_OPEN},
          {ID_FILE_CLOSE},
          {kSeparator},
          {ID_FILE_EXPORT_ICALENDAR},
          {ID_FILE_EXPORT_VCARD},
          {kSeparator},
          {ID_FILE_MRU_FIRST},
          {kSeparator},
          {ID_APP_EXIT}}},
        {"&Edit", {{ID_EDIT_UNDO}, {kSeparator}, {ID_EDIT_CUT}, {ID_EDIT_COPY}, {ID_EDIT_PASTE}}},
        {"&View",
         {{ID_VIEW_TOOLBAR},
          {ID_VIEW_STATUS_BAR},
          {ID_WINDOW_SPLIT},
          {ID_VIEW_TREE},
          {kSeparator},
          {ID_VIEW_RICH},
          {ID_VIEW_HEX},
          {ID_VIEW_TEXT},
          {ID_VIEW_DETAILS}}},
        {"&Tools",
         {{ID_TOOLS_OPEN_ATTACHMENT},
          {ID_TOOLS_CHECKSUM},
          {ID_TOOLS_SAVE_DATA},
          {ID_TOOLS_SAVE_BODY}}},
        {"&Window", {{ID_WINDOW_CASCADE}, {ID_WINDOW_TILE}}},
        {"&Help", {{ID_APP_ABOUT}}},
    };
    return documentOpen ? menu129 : menu128;
}

const std::vector<MenuEntry>& ContextMenu()
{
    static const std::vector<MenuEntry> menu158 = {
        {ID_VIEW_TREE},
        {kSeparator},
        {ID_VIEW_RICH},
        {ID_VIEW_HEX},
        {ID_VIEW_TEXT},
        {ID_VIEW_DETAILS},
        {kSeparator},
        {ID_TOOLS_OPEN_ATTACHMENT, "&Open..."},
        {ID_TOOLS_SAVE_DATA, "&Save Data..."},
        {ID_TOOLS_SAVE_BODY, "Save &Body..."},
    };
    return menu158;
}

const std::vector<std::uint32_t>& ToolbarButtons()
{
    static const std::vector<std::uint32_t> toolbar128 = {
        ID_FILE_OPEN, kSeparator,   ID_EDIT_CUT,  ID_EDIT_COPY, ID_EDIT_PASTE,
        kSeparator,   ID_VIEW_RICH, ID_VIEW_HEX,  ID_VIEW_TEXT, ID_VIEW_DETAILS,
        kSeparator,   ID_VIEW_TREE, ID_APP_ABOUT,
    };
    return toolbar128;
}

} // namespace viewer::ui
