#include "viewer/doc/frame/pane_swap.h"

#include "viewer/doc/frame/commands.h"
#include "viewer/doc/model/element.h"

namespace viewer::doc::frame {

using namespace viewer::doc::document;
using namespace viewer::doc::model;

bool ChildFrameLogic::ReplaceRightPane(DocumentView* sender, ElementRef* element,
                                       std::uint32_t viewKind)
{
    if (!m_host.HasDocument()) {
        m_host.ShowInternalError();
        return false;
    }
    if (m_right && m_right->GetViewKind() == viewKind) {
        return false;
    }
    CElementView* created = m_host.RecreateRightPane(viewKind);
    if (!created) {
        return false;
    }
    m_right = created;
    m_host.Broadcast(sender, element);
    m_host.RecalcLayout();
    return true;
}

bool ChildFrameLogic::ReplaceSingleView(ElementRef* element, std::uint32_t viewKind)
{
    if (!m_single || !m_host.HasDocument()) {
        m_host.ShowInternalError();
        return false;
    }
    if (m_single->GetViewKind() == viewKind) {
        return true;
    }
    m_host.DestroySingleView(m_single);
    m_single = nullptr;
    CElementView* created = m_host.CreateSingleView(viewKind);
    if (!created) {
        return false;
    }
    m_single = created;
    m_host.Broadcast(nullptr, element);
    m_host.RecalcLayout();
    m_host.Activate(m_single);
    return true;
}

bool ChildFrameLogic::ShowElement(ElementRef* element)
{
    CElementView* current = CurrentRightView();
    if (!element || !current) {
        return false;
    }
    const std::uint32_t kind = element->CurrentView();
    if (kind == current->GetViewKind()) {
        m_host.Broadcast(nullptr, element);
        return true;
    }
    if (!IsViewKind(kind)) {
        return false;
    }
    if (!m_treeShown) {
        return ReplaceSingleView(element, kind);
    }
    // The tree sends, so it is not updated, and keeps the focus.
    if (!ReplaceRightPane(m_host.TreeView(), element, kind)) {
        return false;
    }
    m_host.Activate(m_host.TreeView());
    return true;
}

void ChildFrameLogic::ViewCommand(std::uint32_t command)
{
    CElementView* current = CurrentRightView();
    ElementRef* element = current ? current->GetElement() : nullptr;
    if (!element) {
        return;
    }
    std::uint32_t kind = 0;
    switch (command) {
    case ID_VIEW_DETAILS:
        kind = VIEW_DETAILS;
        break;
    case ID_VIEW_HEX:
        kind = VIEW_HEX;
        break;
    case ID_VIEW_TEXT:
        kind = VIEW_TEXT;
        break;
    case ID_VIEW_RICH: {
        const auto rich = RichViewKind(*element);
        if (!rich) {
            return;
        }
        kind = *rich;
        break;
    }
    default:
        return;
    }
    element->SetCurrentView(kind);
    ShowElement(element);
}

void ChildFrameLogic::ToggleTree()
{
    if (m_treeShown) {
        if (!m_right || !m_host.HasDocument()) {
            m_host.ShowInternalError();
            return;
        }
        CElementView* single = m_host.CreateSingleView(m_right->GetViewKind());
        if (!single) {
            return;
        }
        single->TakeOver(m_right);
        if (ElementRef* element = m_right->GetElement()) {
            m_host.Broadcast(m_right, element);
        }
        m_host.ShowSplitter(false);
        m_host.AttachSplitterViews(false);
        m_single = single;
        m_treeShown = false;
        m_host.Activate(m_single);
        m_host.RecalcLayout();
        return;
    }
    m_host.AttachSplitterViews(true);
    if (CElementView* single = m_single) {
        if (!m_right || single->GetViewKind() != m_right->GetViewKind()) {
            ReplaceRightPane(single, nullptr, single->GetViewKind());
        }
        if (m_right) {
            m_right->TakeOver(single);
        }
        if (ElementRef* element = single->GetElement()) {
            m_host.Broadcast(single, element);
        }
        m_single = nullptr;
        m_host.DestroySingleView(single);
    }
    m_host.ShowSplitter(true);
    m_treeShown = true;
    m_host.Activate(m_host.TreeView());
    m_host.RecalcLayout();
}

} // namespace viewer::doc::frame
