// CElementView: what every right-pane view adds to being a view of the document. The child
// frame swaps right-pane views through these four operations alone, so its decisions run
// without the platform.
#pragma once

#include <cstdint>

#include "viewer/doc/document/view.h"

namespace viewer::doc::model {
class ElementRef;
} // namespace viewer::doc::model

namespace viewer::doc::frame {

class CElementView : public document::DocumentView {
public:
    // The class's view kind, VIEW_DETAILS to VIEW_HTML.
    virtual std::uint32_t GetViewKind() const = 0;
    // Takes over the loaded state of the view of the same class that this one replaces;
    // true when it took anything.
    virtual bool TakeOver(CElementView* previous) = 0;
    // The element shown, not owned; null when none.
    virtual model::ElementRef* GetElement() const = 0;
    virtual void SetElement(model::ElementRef* element) = 0;

protected:
    ~CElementView() = default;
};

} // namespace viewer::doc::frame
