#include "viewer/doc/panes/element_file.h"

#include <string>

#include "viewer/doc/document/envelon_doc.h"

namespace viewer::doc::panes {

platform::StatusCode CopyElementToTempFile(document::CEnvelonDoc& document,
                                           const model::ElementRef& element,
                                           platform::TempFile* file)
{
    std::string path;
    platform::StatusCode status = platform::CreateUniqueTempFile("tnf", &path);
    if (platform::Failed(status)) {
        return status;
    }
    platform::TempFile copy(path);
    status = document.WriteElementData(&element, path.c_str());
    if (platform::Succeeded(status)) {
        *file = std::move(copy);
    }
    return status;
}

} // namespace viewer::doc::panes
