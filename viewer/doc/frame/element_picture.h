// The picture an element shows in the metafile or OLE-object pane, made without a window: an
// attachment rendering's metafile by the pane's size rule, or the presentation an OLE object
// draws in its aspect. What pallion-cli's picture command writes as SVG.
#pragma once

#include "platform/files.h"
#include "platform/status.h"
#include "viewer/render/metafile/picture.h"

namespace viewer::doc::document {
class CEnvelonDoc;
} // namespace viewer::doc::document

namespace viewer::doc::model {
class ElementRef;
} // namespace viewer::doc::model

namespace viewer::doc::frame {

// E_INVALIDARG for an element that is neither; otherwise the status of reading, of the size
// rule (E_FAIL for a rendering of 0 or more than 16 KiB), of opening the compound file, or
// OLE_E_BLANK for an object without a presentation in its aspect.
[[nodiscard]] platform::StatusCode ElementPicture(document::CEnvelonDoc& document,
                                                  const model::ElementRef* element,
                                                  render::metafile::Picture* picture);

// Writes the element's bytes into a new unique temporary file ("tnf"), the private copy the
// picture and object panes read. *file owns it on success; a failure leaves no file behind.
[[nodiscard]] platform::StatusCode CopyElementToTempFile(document::CEnvelonDoc& document,
                                                         const model::ElementRef& element,
                                                         platform::TempFile* file);

} // namespace viewer::doc::frame
