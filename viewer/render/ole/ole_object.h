// An embedded OLE object read out of its compound file with libgsf: what class it is, the
// pictures its presentation streams hold, and the content a desktop program can open.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/guid.h"
#include "platform/status.h"
#include "viewer/render/metafile/picture.h"
#include "viewer/render/ole/ole_streams.h"

namespace viewer::render::ole {

// What a blank cache reports when asked for a picture it does not hold.
inline constexpr StatusCode OLE_E_BLANK = platform::MakeStatus(0x80040007);

// {0003000C-0000-0000-C000-000000000046}: the packager's objects, shown as their icon.
inline constexpr platform::CLSID CLSID_Package{0x0003000C, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr platform::CLSID CLSID_WordDocument8{
    0x00020906, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr platform::CLSID CLSID_ExcelSheet8{
    0x00020820, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr platform::CLSID CLSID_PowerPointShow8{
    0x64818D10, 0x4F9B, 0x11CF, {0x86, 0xEA, 0x00, 0xAA, 0x00, 0xB9, 0x29, 0xE8}};

// What opening the object hands to the desktop.
struct ObjectContent {
    enum class Kind { Package, WordDocument, Workbook, Slides, CompoundFile };
    Kind kind = Kind::CompoundFile;
    // Bytes in the system code page, not yet fit for a file system: a package's stored
    // name (with its own extension); for the others the object's user type, to which
    // `extension` belongs. The caller cleans it with the project's file-name cleaner.
    std::string name;
    std::string extension; // ".doc", ".xls", ".ppt", ".ole"; empty for a package
    std::uint64_t size = 0;
};

// Receives the content in pieces; a failure stops the writing with that status.
using ContentSink = std::function<StatusCode(std::span<const std::uint8_t>)>;

class OleObject {
public:
    // Opens the compound file at `path`, or one held in memory. E_FAIL when it is not a
    // compound file libgsf can read.
    [[nodiscard]] static StatusCode OpenFile(const std::string& path,
                                             std::unique_ptr<OleObject>& object);
    [[nodiscard]] static StatusCode OpenBytes(std::vector<std::uint8_t> bytes,
                                              std::unique_ptr<OleObject>& object);
    ~OleObject();
    OleObject(const OleObject&) = delete;
    OleObject& operator=(const OleObject&) = delete;

    // The root entry's class identifier and what \001CompObj says (empty without one).
    const platform::CLSID& Clsid() const { return m_clsid; }
    const CompObjInfo& ClassInfo() const { return m_compObj; }

    // OLEMISC_ONLYICONIC as the cache shows it: a package, or an object whose only
    // drawable presentations are of its icon.
    bool OnlyIconic() const { return m_onlyIconic; }
    std::uint32_t DrawAspect() const { return m_onlyIconic ? DVASPECT_ICON : DVASPECT_CONTENT; }

    // The picture of the first presentation in `aspect` that holds a metafile or a DIB,
    // with its extent in HIMETRIC (from the stream, else from the picture's own size).
    // OLE_E_BLANK when there is none; the status of the decoding when it fails.
    [[nodiscard]] StatusCode LoadPicture(std::uint32_t aspect, metafile::Picture& picture,
                                         std::int32_t& cx, std::int32_t& cy) const;

    const ObjectContent& Content() const { return m_content; }
    // Streams the content into `sink` in pieces of at most 64 KiB.
    [[nodiscard]] StatusCode WriteContent(const ContentSink& sink) const;

private:
    struct Impl;
    explicit OleObject(std::unique_ptr<Impl> impl);
    [[nodiscard]] static StatusCode Open(std::unique_ptr<Impl> impl,
                                         std::unique_ptr<OleObject>& object);
    [[nodiscard]] StatusCode Load();

    std::unique_ptr<Impl> m_impl;
    platform::CLSID m_clsid{};
    CompObjInfo m_compObj;
    bool m_onlyIconic = false;
    ObjectContent m_content;
};

} // namespace viewer::render::ole
