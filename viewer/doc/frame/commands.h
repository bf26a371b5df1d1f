// The commands of a document window, kept out of the widgets: their identifiers, which view
// class shows which view kind, which commands are enabled and checked, and where a command
// goes. The desktop builds its actions from these and asks QueryCommandState from one
// refresh point.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

namespace viewer::doc::document {
class CEnvelonDoc;
class DocumentView;
} // namespace viewer::doc::document

namespace viewer::doc::model {
class ElementRef;
} // namespace viewer::doc::model

namespace viewer::doc::frame {

inline constexpr std::uint32_t ID_TOOLS_CHECKSUM = 32771;
inline constexpr std::uint32_t ID_TOOLS_SAVE_DATA = 32772;
inline constexpr std::uint32_t ID_TOOLS_OPEN_ATTACHMENT = 32773;
inline constexpr std::uint32_t ID_VIEW_TREE = 32775;
inline constexpr std::uint32_t ID_VIEW_HEX = 32776;
inline constexpr std::uint32_t ID_VIEW_RICH = 32777;
inline constexpr std::uint32_t ID_VIEW_TEXT = 32781;
inline constexpr std::uint32_t ID_TOOLS_SAVE_BODY = 32793;
inline constexpr std::uint32_t ID_VIEW_DETAILS = 59411;

// ---- View kinds and classes ------------------------------------------------------------

// The right-pane class of a view kind ("CEnvelonView" for 1 ... "CMyHTMView" for 8); null
// for a number that is no view kind.
const char* ViewClassName(std::uint32_t viewKind);
bool IsViewKind(std::uint32_t viewKind);

// Rich View's pick: the first of the date, OLE, metafile, RTF and HTML views the element
// supports; none when it supports none of them.
std::optional<std::uint32_t> RichViewKind(const model::ElementRef& element);

// ---- Enabling and checking ---------------------------------------------------------------

struct CommandContext {
    const model::ElementRef* element = nullptr; // the current right view's element
    bool hasRightView = false;
    std::uint32_t rightViewKind = 0; // GetViewKind of the current right view
    bool hasActiveView = false;      // the frame has an active view
    bool treeShown = true;
    const model::ElementRef* mailBody = nullptr; // the document's mail body element, if any
};

struct CommandState {
    bool handled = false; // the command is one of the window's
    bool enabled = false;
    bool checked = false;
    bool operator==(const CommandState&) const = default;
};

CommandState QueryCommandState(std::uint32_t command, const CommandContext& context);

// ---- Command routing ---------------------------------------------------------------------

using CommandHandler = std::function<bool(std::uint32_t command)>;

// Offers a command to the active view, then to the document's other views in their order,
// then to the frame, then to the application; the first that handles it ends the search.
bool RouteCommand(std::uint32_t command, document::DocumentView* activeView,
                  document::CEnvelonDoc* document, const CommandHandler& frame,
                  const CommandHandler& application);

} // namespace viewer::doc::frame
