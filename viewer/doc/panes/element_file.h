// A pane's own copy of an element's data, as the picture and object panes keep it.
#pragma once

#include "platform/files.h"
#include "platform/status.h"

namespace viewer::doc::document {
class CEnvelonDoc;
} // namespace viewer::doc::document

namespace viewer::doc::model {
class ElementRef;
} // namespace viewer::doc::model

namespace viewer::doc::panes {

// Writes the element's bytes into a new unique temporary file ("tnf"). *file owns it on
// success; a failure leaves no file behind.
[[nodiscard]] platform::StatusCode CopyElementToTempFile(document::CEnvelonDoc& document,
                                                         const model::ElementRef& element,
                                                         platform::TempFile* file);

} // namespace viewer::doc::panes
