// The views of a document. The document keeps an ordered list of DocumentView pointers
// (not owned); its update-all-views broadcast and the routing of commands to its other
// views both walk that list. The Qt panes and the command-line tool implement the same
// interface.
#pragma once

#include <cstdint>

namespace viewer::doc::model {
class ElementRef;
} // namespace viewer::doc::model

namespace viewer::doc::document {

class DocumentView {
public:
    // The document's broadcast: `sender` is the view that caused it (or null), `hint` the
    // element to show (or null).
    virtual void OnUpdate(DocumentView* sender, model::ElementRef* hint) = 0;
    // A command offered to this view; true when the view handled it.
    virtual bool OnCommand(std::uint32_t command) = 0;

protected:
    ~DocumentView() = default;
};

} // namespace viewer::doc::document
