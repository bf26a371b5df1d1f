// The embedded item of the OLE-object pane over a stand-in for OLE: the object is read
// with libgsf, drawn from its presentation, and "opened" by handing its content to the
// desktop. The states, draw aspect and status codes are those of the pane's item; the Qt
// pane supplies the host and draws the plan.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/status.h"
#include "viewer/render/metafile/picture.h"
#include "viewer/render/ole/ole_object.h"

namespace viewer::render::ole {

using metafile::PixelRect;

// The desktop's half of an item: the pane that owns it.
class EmbeddedItemHost {
public:
    virtual ~EmbeddedItemHost() = default;
    // Writes the object's content into the process's private temporary folder under its
    // cleaned name and hands it to the desktop through the safe-open rule.
    virtual StatusCode HandOver(const OleObject& object) = 0;
    // The owner window is to be painted again.
    virtual void Invalidate() = 0;
};

// What painting the item does: fill `area` with the window colour, draw `picture` scaled
// into it, then outline `frame` (area grown by one pixel) with a one-pixel black pen.
struct DrawPlan {
    PixelRect area;
    PixelRect frame;
    const metafile::Picture* picture = nullptr; // null: nothing to draw
};

class CEmbeddedItem;

// The object's calls back to its container, as far as the stand-in makes them.
class CEmbeddedItemSite {
public:
    explicit CEmbeddedItemSite(CEmbeddedItem* owner) : m_owner(owner) {}
    void OnShowWindow(bool shown);
    void OnViewChange(std::uint32_t aspect);
    void OnClose();

private:
    CEmbeddedItem* m_owner;
};

class CEmbeddedItem {
public:
    enum State : std::uint32_t {
        kEmpty = 0,
        kLoaded = 1,
        kHidden = 2, // loaded, its application's window hidden
        kShown = 3,  // handed to its application
    };

    CEmbeddedItem() = default;
    ~CEmbeddedItem();
    CEmbeddedItem(const CEmbeddedItem&) = delete;
    CEmbeddedItem& operator=(const CEmbeddedItem&) = delete;

    // E_FAIL without a path, E_UNEXPECTED unless empty; any failing step closes the item
    // and returns its status.
    [[nodiscard]] StatusCode LoadFromFile(EmbeddedItemHost* owner, const std::string& path);
    void CloseObject();

    // The object's extent from the rectangle's top-left, HIMETRIC to pixels at the
    // device's resolution, rounded to the nearest pixel. E_INVALIDARG without a rectangle,
    // E_UNEXPECTED when empty, OLE_E_BLANK when the object has no picture.
    [[nodiscard]] StatusCode GetObjectExtent(int dpiX, int dpiY, PixelRect* rect) const;
    // The plan for painting into `client`; no picture when the extent is empty.
    [[nodiscard]] StatusCode DrawObject(int dpiX, int dpiY, const PixelRect* client,
                                        DrawPlan& plan) const;
    // Hands the content to the desktop once; in state 3 it does nothing more.
    [[nodiscard]] StatusCode ActivateObject();
    // The object is shown read-only: nothing is ever written back (E_NOTIMPL).
    [[nodiscard]] StatusCode SaveToStorage();
    [[nodiscard]] StatusCode SetShownState(bool shown);

    std::uint32_t State() const { return m_state; }
    std::uint32_t DrawAspect() const { return m_drawAspect; }
    const OleObject* Object() const { return m_object.get(); }
    EmbeddedItemHost* Owner() const { return m_owner; }
    // A pane that takes the item over becomes its owner.
    void SetOwner(EmbeddedItemHost* owner) { m_owner = owner; }

private:
    EmbeddedItemHost* m_owner = nullptr;
    std::uint32_t m_state = kEmpty;
    std::uint32_t m_drawAspect = DVASPECT_CONTENT;
    std::unique_ptr<CEmbeddedItemSite> m_site;
    std::unique_ptr<OleObject> m_object;
    std::optional<metafile::Picture> m_picture;
    StatusCode m_pictureStatus = OLE_E_BLANK;
    std::int32_t m_cx = 0; // HIMETRIC
    std::int32_t m_cy = 0;
};

// Asks string 517 before an object is opened.
class OpenQuestion {
public:
    virtual ~OpenQuestion() = default;
    virtual bool ConfirmOpen() = 0;
};

// A left double-click at client point (x, y) opens the object when the extent measured
// from (0, 0) is known and holds the point.
bool DoubleClickOpens(const CEmbeddedItem& item, int x, int y, int dpiX, int dpiY);

// Asks, then activates. S_FALSE when the person declines (the object is left as it was).
[[nodiscard]] StatusCode OpenEmbeddedObject(CEmbeddedItem& item, OpenQuestion& question);

} // namespace viewer::render::ole
