#include "viewer/doc/document/envelon_doc.h"

#include <algorithm>

#include "viewer/doc/document/view.h"

namespace viewer::doc::document {

using namespace viewer::doc::model;

CEnvelonDoc::CEnvelonDoc() = default;

CEnvelonDoc::~CEnvelonDoc() { ReleaseContents(); }

void CEnvelonDoc::AttachStream(platform::ComPtr<platform::IStream> stream, std::string pathName)
{
    ReleaseContents();
    m_stream = std::move(stream);
    m_pathName = std::move(pathName);
}

void CEnvelonDoc::ReleaseContents() { m_stream.Reset(); }

std::string CEnvelonDoc::Title() const
{
    const auto slash = m_pathName.find_last_of('/');
    return slash == std::string::npos ? m_pathName : m_pathName.substr(slash + 1);
}

void CEnvelonDoc::AddView(DocumentView* view)
{
    if (view && std::find(m_views.begin(), m_views.end(), view) == m_views.end()) {
        m_views.push_back(view);
    }
}

void CEnvelonDoc::RemoveView(DocumentView* view)
{
    m_views.erase(std::remove(m_views.begin(), m_views.end(), view), m_views.end());
}

void CEnvelonDoc::UpdateAllViews(DocumentView* sender, ElementRef* hint)
{
    // A view may leave the list while it updates (a pane replaced by another): walk a copy.
    const std::vector<DocumentView*> views = m_views;
    for (DocumentView* view : views) {
        if (view != sender && std::find(m_views.begin(), m_views.end(), view) != m_views.end()) {
            view->OnUpdate(sender, hint);
        }
    }
}

bool CEnvelonDoc::RouteToOtherViews(DocumentView* sender, std::uint32_t command)
{
    const std::vector<DocumentView*> views = m_views;
    for (DocumentView* view : views) {
        if (view != sender && view->OnCommand(command)) {
            return true;
        }
    }
    return false;
}

} // namespace viewer::doc::document
