// The OLE presentation reader: inputs that start with the compound-file signature are
// opened as an object (class, presentations of both aspects, content); any other input is
// read as a presentation stream, a package header and a CompObj stream. Every picture is
// written as SVG and the content drained.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <span>
#include <vector>

#include "viewer/render/metafile/svg_writer.h"
#include "viewer/render/ole/ole_object.h"
#include "viewer/render/ole/presentation_picture.h"

namespace {

using namespace viewer::render;

void Check(bool condition)
{
    if (!condition) {
        std::abort();
    }
}

void Draw(const metafile::Picture& picture)
{
    Check(!metafile::WriteSvg(picture).empty());
}

void OpenObject(const std::uint8_t* data, std::size_t size)
{
    std::unique_ptr<ole::OleObject> object;
    if (ole::OleObject::OpenBytes(std::vector<std::uint8_t>(data, data + size), object) < 0) {
        return;
    }
    for (std::uint32_t aspect : {ole::DVASPECT_CONTENT, ole::DVASPECT_ICON}) {
        metafile::Picture picture;
        std::int32_t cx = 0, cy = 0;
        if (object->LoadPicture(aspect, picture, cx, cy) >= 0) {
            Draw(picture);
        }
    }
    std::uint64_t written = 0;
    const platform::StatusCode status =
        object->WriteContent([&](std::span<const std::uint8_t> piece) {
            Check(piece.size() <= 65536);
            written += piece.size();
            return platform::S_OK;
        });
    Check(status < 0 || written == object->Content().size);
}

} // namespace

// libgsf loses a few directory entries of some malformed compound files (allocated in
// gsf_infile_msole_new and never linked into its tree); that is its leak, not ours.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:gsf_infile_msole_new\nleak:libglib-2.0.so\n";
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const unsigned char kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    if (size >= 8 && std::memcmp(data, kSignature, 8) == 0) {
        OpenObject(data, size);
        return 0;
    }
    const std::span<const std::uint8_t> bytes(data, size);
    ole::Presentation presentation;
    if (ole::ParsePresentation(bytes, size, presentation) >= 0) {
        Check(presentation.dataOffset + presentation.dataSize <= size);
        metafile::Picture picture;
        if (ole::DecodePresentation(presentation,
                                    bytes.subspan(presentation.dataOffset, presentation.dataSize),
                                    picture) >= 0) {
            Draw(picture);
        }
    }
    ole::PackageInfo package;
    if (ole::ParsePackageHeader(bytes, size, package) >= 0) {
        Check(package.dataOffset + package.dataSize <= size);
    }
    ole::CompObjInfo compObj;
    (void)ole::ParseCompObj(bytes, compObj);
    return 0;
}
