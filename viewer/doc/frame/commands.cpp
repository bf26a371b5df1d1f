#include "viewer/doc/frame/commands.h"

#include <array>

#include "viewer/doc/document/envelon_doc.h"
#include "viewer/doc/document/view.h"
#include "viewer/doc/model/element.h"

namespace viewer::doc::frame {

using namespace viewer::doc::document;
using namespace viewer::doc::model;

namespace {

constexpr std::array<const char*, 8> kViewClasses = {
    "CEnvelonView", "CTimeForm", "COLEView", "CMetaView",
    "CHexView",     "CTextView", "CRTFView", "CMyHTMView",
};

// Rich View tries these kinds in this order.
constexpr std::array<std::uint32_t, 5> kRichKinds = {VIEW_DATE, VIEW_OLE, VIEW_METAFILE, VIEW_RTF,
                                                     VIEW_HTML};

bool IsRichKind(std::uint32_t kind)
{
    for (std::uint32_t rich : kRichKinds) {
        if (rich == kind) {
            return true;
        }
    }
    return false;
}

} // namespace

const char* ViewClassName(std::uint32_t viewKind)
{
    return IsViewKind(viewKind) ? kViewClasses[viewKind - 1] : nullptr;
}

bool IsViewKind(std::uint32_t viewKind)
{
    return viewKind >= VIEW_DETAILS && viewKind <= VIEW_HTML;
}

std::optional<std::uint32_t> RichViewKind(const ElementRef& element)
{
    for (std::uint32_t kind : kRichKinds) {
        if (element.SupportsView(kind)) {
            return kind;
        }
    }
    return std::nullopt;
}

CommandState QueryCommandState(std::uint32_t command, const CommandContext& context)
{
    // The element's own commands are off without a right view or an element in it.
    const ElementRef* element = context.hasRightView ? context.element : nullptr;
    auto supportsView = [&](std::uint32_t kind) { return element && element->SupportsView(kind); };
    auto supportsAction = [&](std::uint32_t action) {
        return element && element->SupportsAction(action);
    };
    const bool showing = context.hasRightView;
    CommandState state;
    state.handled = true;
    switch (command) {
    case ID_VIEW_DETAILS:
        state.enabled = supportsView(VIEW_DETAILS);
        state.checked = showing && context.rightViewKind == VIEW_DETAILS;
        break;
    case ID_VIEW_HEX:
        state.enabled = supportsView(VIEW_HEX);
        state.checked = showing && context.rightViewKind == VIEW_HEX;
        break;
    case ID_VIEW_TEXT:
        state.enabled = supportsView(VIEW_TEXT);
        state.checked = showing && context.rightViewKind == VIEW_TEXT;
        break;
    case ID_VIEW_RICH:
        state.enabled = element && RichViewKind(*element).has_value();
        state.checked = showing && IsRichKind(context.rightViewKind);
        break;
    case ID_VIEW_TREE:
        state.enabled = context.hasActiveView;
        state.checked = context.treeShown;
        break;
    case ID_TOOLS_CHECKSUM:
        state.enabled = supportsAction(ACTION_CHECKSUM);
        break;
    case ID_TOOLS_SAVE_DATA:
        state.enabled = supportsAction(ACTION_SAVE_DATA);
        break;
    case ID_TOOLS_SAVE_BODY:
        // The body is the document's, whatever the right pane shows.
        state.enabled = context.mailBody && (context.mailBody->SupportsAction(ACTION_SAVE_DATA) ||
                                             context.mailBody->SupportsAction(ACTION_SAVE_BODY));
        break;
    case ID_TOOLS_OPEN_ATTACHMENT:
        state.enabled = supportsAction(ACTION_OPEN_MESSAGE) || supportsAction(ACTION_OPEN_FILE);
        break;
    default:
        state.handled = false;
        break;
    }
    return state;
}

bool RouteCommand(std::uint32_t command, DocumentView* activeView, CEnvelonDoc* document,
                  const CommandHandler& frame, const CommandHandler& application)
{
    if (activeView && activeView->OnCommand(command)) {
        return true;
    }
    if (document && document->RouteToOtherViews(activeView, command)) {
        return true;
    }
    if (frame && frame(command)) {
        return true;
    }
    return application && application(command);
}

} // namespace viewer::doc::frame
