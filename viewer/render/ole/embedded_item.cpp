#include "viewer/render/ole/embedded_item.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

namespace viewer::render::ole {

using platform::E_FAIL;
using platform::E_INVALIDARG;
using platform::E_NOTIMPL;
using platform::E_UNEXPECTED;
using platform::S_FALSE;
using platform::S_OK;

namespace {

// a * b / c rounded half away from zero, held to what an int can say.
int MulDiv(std::int64_t a, std::int64_t b, std::int64_t c)
{
    const std::int64_t product = a * b;
    const std::int64_t half = c / 2;
    const std::int64_t q = (product >= 0 ? product + half : product - half) / c;
    return static_cast<int>(std::clamp<std::int64_t>(q, INT32_MIN, INT32_MAX));
}

int Add(int a, int b)
{
    return static_cast<int>(std::clamp<std::int64_t>(std::int64_t{a} + b, INT32_MIN, INT32_MAX));
}

} // namespace

void CEmbeddedItemSite::OnShowWindow(bool shown)
{
    if (m_owner) {
        (void)m_owner->SetShownState(shown);
    }
}

void CEmbeddedItemSite::OnViewChange(std::uint32_t aspect)
{
    if (m_owner && m_owner->Owner() && aspect == m_owner->DrawAspect()) {
        m_owner->Owner()->Invalidate();
    }
}

void CEmbeddedItemSite::OnClose()
{
    if (m_owner) {
        (void)m_owner->SetShownState(false);
    }
}

CEmbeddedItem::~CEmbeddedItem()
{
    CloseObject();
}

StatusCode CEmbeddedItem::LoadFromFile(EmbeddedItemHost* owner, const std::string& path)
{
    if (path.empty()) {
        return E_FAIL;
    }
    if (m_state != kEmpty) {
        return E_UNEXPECTED;
    }
    m_site = std::make_unique<CEmbeddedItemSite>(this);
    if (const StatusCode status = OleObject::OpenFile(path, m_object); platform::Failed(status)) {
        CloseObject();
        return status;
    }
    m_drawAspect = m_object->DrawAspect();
    metafile::Picture picture;
    m_pictureStatus = m_object->LoadPicture(m_drawAspect, picture, m_cx, m_cy);
    if (m_pictureStatus >= 0) {
        m_picture = std::move(picture);
    }
    m_state = kLoaded;
    m_owner = owner;
    m_site->OnViewChange(m_drawAspect);
    return S_OK;
}

void CEmbeddedItem::CloseObject()
{
    if (m_site && m_state != kEmpty) {
        m_site->OnClose();
    }
    m_site.reset();
    m_object.reset();
    m_picture.reset();
    m_pictureStatus = OLE_E_BLANK;
    m_cx = m_cy = 0;
    m_owner = nullptr;
    m_state = kEmpty;
    m_drawAspect = DVASPECT_CONTENT;
}

StatusCode CEmbeddedItem::GetObjectExtent(int dpiX, int dpiY, PixelRect* rect) const
{
    if (!rect) {
        return E_INVALIDARG;
    }
    if (m_state == kEmpty) {
        return E_UNEXPECTED;
    }
    if (!m_picture) {
        return m_pictureStatus;
    }
    rect->right = Add(rect->left, MulDiv(m_cx, dpiX, 2540));
    rect->bottom = Add(rect->top, MulDiv(m_cy, dpiY, 2540));
    if (rect->bottom < rect->top) {
        std::swap(rect->bottom, rect->top);
    }
    return S_OK;
}

StatusCode CEmbeddedItem::DrawObject(int dpiX, int dpiY, const PixelRect* client,
                                     DrawPlan& plan) const
{
    if (!client) {
        return E_INVALIDARG;
    }
    if (m_state == kEmpty) {
        return E_UNEXPECTED;
    }
    PixelRect r = *client;
    if (const StatusCode status = GetObjectExtent(dpiX, dpiY, &r); platform::Failed(status)) {
        return status;
    }
    plan = {};
    if (r.right <= r.left || r.bottom <= r.top) {
        return S_OK;
    }
    // One pixel in from the corner, so that the frame around the picture shows whole.
    plan.area = {r.left + 1, r.top + 1, r.right + 1, r.bottom + 1};
    plan.frame = {plan.area.left - 1, plan.area.top - 1, plan.area.right + 1, plan.area.bottom + 1};
    plan.picture = &*m_picture;
    return S_OK;
}

// The desktop's launcher gives no way to follow the program it starts, so an item handed
// over stays in state 3 until it is closed, and activating it again does nothing.
StatusCode CEmbeddedItem::ActivateObject()
{
    if (m_state == kEmpty) {
        return E_UNEXPECTED;
    }
    if (m_state == kShown) {
        return S_OK;
    }
    if (!m_owner) {
        return E_UNEXPECTED;
    }
    if (const StatusCode status = m_owner->HandOver(*m_object); platform::Failed(status)) {
        return status;
    }
    m_site->OnShowWindow(true);
    return S_OK;
}

StatusCode CEmbeddedItem::SaveToStorage()
{
    return m_state == kEmpty ? E_UNEXPECTED : E_NOTIMPL;
}

StatusCode CEmbeddedItem::SetShownState(bool shown)
{
    if (m_state == kEmpty) {
        return E_UNEXPECTED;
    }
    const bool wasShown = m_state == kShown;
    m_state = shown ? kShown : kHidden;
    if (wasShown && !shown && m_owner) {
        m_owner->Invalidate();
    }
    return S_OK;
}

bool DoubleClickOpens(const CEmbeddedItem& item, int x, int y, int dpiX, int dpiY)
{
    PixelRect extent;
    return item.GetObjectExtent(dpiX, dpiY, &extent) >= 0 && x <= extent.right &&
           y <= extent.bottom;
}

StatusCode OpenEmbeddedObject(CEmbeddedItem& item, OpenQuestion& question)
{
    if (!question.ConfirmOpen()) {
        return S_FALSE;
    }
    return item.ActivateObject();
}

} // namespace viewer::render::ole
