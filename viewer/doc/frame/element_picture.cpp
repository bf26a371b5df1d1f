#include "viewer/doc/frame/element_picture.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "platform/files.h"
#include "viewer/doc/document/envelon_doc.h"
#include "viewer/doc/model/element.h"
#include "viewer/render/metafile/metafile_pane.h"
#include "viewer/render/ole/ole_object.h"

namespace viewer::doc::frame {

using namespace viewer::doc::model;
using platform::StatusCode;

namespace {

StatusCode RenderingPicture(document::CEnvelonDoc& document, const ElementRef* element,
                            render::metafile::Picture* picture)
{
    // One byte past the size rule's limit is enough to refuse a rendering that breaks it.
    constexpr std::size_t kEnough = render::metafile::kMaxAttachmentMetafileBytes + 1;
    std::vector<std::uint8_t> bytes;
    bool enough = false;
    const StatusCode status = document.ReadElementData(
        element,
        [&](const std::uint8_t* piece, std::uint32_t length) {
            bytes.insert(bytes.end(), piece,
                         piece + std::min<std::size_t>(length, kEnough - bytes.size()));
            return bytes.size() < kEnough ? platform::S_OK : platform::E_ABORT;
        },
        &enough);
    if (platform::Failed(status) && !enough) {
        return status;
    }
    std::size_t n = 0;
    return render::metafile::LoadAttachmentMetafile(bytes, *picture, n);
}

// The object is read from a private copy, as the OLE pane reads it.
StatusCode ObjectPicture(document::CEnvelonDoc& document, const ElementRef* element,
                         render::metafile::Picture* picture)
{
    platform::TempFile copy;
    StatusCode status = CopyElementToTempFile(document, *element, &copy);
    std::unique_ptr<render::ole::OleObject> object;
    if (platform::Succeeded(status)) {
        status = render::ole::OleObject::OpenFile(copy.Path(), object);
    }
    if (platform::Failed(status)) {
        return status;
    }
    std::int32_t cx = 0;
    std::int32_t cy = 0;
    return object->LoadPicture(object->DrawAspect(), *picture, cx, cy);
}

} // namespace

StatusCode CopyElementToTempFile(document::CEnvelonDoc& document, const ElementRef& element,
                                 platform::TempFile* file)
{
    std::string path;
    StatusCode status = platform::CreateUniqueTempFile("tnf", &path);
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

StatusCode ElementPicture(document::CEnvelonDoc& document, const ElementRef* element,
                          render::metafile::Picture* picture)
{
    if (!element || !picture) {
        return platform::E_INVALIDARG;
    }
    switch (element->Kind()) {
    case ELEM_METAFILE:
        return RenderingPicture(document, element, picture);
    case ELEM_OLE_OBJECT:
        return ObjectPicture(document, element, picture);
    default:
        return platform::E_INVALIDARG;
    }
}

} // namespace viewer::doc::frame
