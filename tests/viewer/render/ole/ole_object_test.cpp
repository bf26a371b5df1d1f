// OLE objects out of compound files the tests write with libgsf: presentations as a
// metafile, as a DIB and of an icon only, a package, office storages and no presentation;
// and the stream parsers on damaged headers.
#include <string>

#include <sys/stat.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/support/test_files.h"
#include "tests/viewer/render/ole/object_files.h"
#include "tests/viewer/render/picture_builders.h"
#include "viewer/render/metafile/wmf_records.h"
#include "viewer/render/ole/object_handover.h"
#include "viewer/render/ole/ole_object.h"

namespace viewer::render::ole {
namespace {

using testing_support::CompObjStream;
using testing_support::PackageStream;
using testing_support::PresentationStream;
using testing_support::StorageTree;
using testing_support::WmfBuilder;
using testing_support::WriteObject;

std::vector<std::uint8_t> RectangleMetafile()
{
    return WmfBuilder()
        .Pair(metafile::wmf::META_SETWINDOWEXT, 100, 50)
        .Box(metafile::wmf::META_RECTANGLE, 0, 0, 100, 50)
        .Bytes();
}

std::unique_ptr<OleObject> Open(const std::string& path)
{
    std::unique_ptr<OleObject> object;
    EXPECT_EQ(OleObject::OpenFile(path, object), platform::S_OK);
    return object;
}

std::vector<std::uint8_t> Content(const OleObject& object)
{
    std::vector<std::uint8_t> out;
    EXPECT_EQ(object.WriteContent([&](std::span<const std::uint8_t> piece) {
        out.insert(out.end(), piece.begin(), piece.end());
        return platform::S_OK;
    }),
              platform::S_OK);
    return out;
}

TEST(OleObject, MetafilePresentationIsPlayedAtItsStoredExtent)
{
    StorageTree tree;
    tree.streams["\001CompObj"] = CompObjStream("Drawing", "Sketch.1");
    tree.streams["\002OlePres000"] =
        PresentationStream(CF_METAFILEPICT, DVASPECT_CONTENT, 2540, 1270, RectangleMetafile());
    const std::string path = WriteObject("metafile.ole", tree);
    const auto object = Open(path);
    EXPECT_FALSE(object->OnlyIconic());
    EXPECT_EQ(object->ClassInfo().progId, "Sketch.1");
    metafile::Picture picture;
    std::int32_t cx = 0, cy = 0;
    ASSERT_EQ(object->LoadPicture(DVASPECT_CONTENT, picture, cx, cy), platform::S_OK);
    EXPECT_EQ(picture.steps.size(), 1u);
    EXPECT_EQ(picture.bounds, (metafile::RectD{0, 0, 100, 50}));
    EXPECT_EQ(cx, 2540);
    EXPECT_EQ(cy, 1270);
    // Not a package nor an office document: the compound file itself, named by its type.
    EXPECT_EQ(object->Content().extension, ".ole");
    EXPECT_EQ(object->Content().name, "Drawing");
    EXPECT_EQ(Content(*object), testing_support::ReadFile(path));
}

TEST(OleObject, DibPresentationWithoutExtentIsAsLargeAsItsPixels)
{
    StorageTree tree;
    tree.streams["\002OlePres000"] = PresentationStream(
        CF_DIB, DVASPECT_CONTENT, 0, 0, testing_support::DibBuilder(96, 48, 24).Bytes());
    const auto object = Open(WriteObject("dib.ole", tree));
    metafile::Picture picture;
    std::int32_t cx = 0, cy = 0;
    ASSERT_EQ(object->LoadPicture(DVASPECT_CONTENT, picture, cx, cy), platform::S_OK);
    ASSERT_EQ(picture.steps.size(), 1u);
    EXPECT_EQ(std::get<metafile::ImageStep>(picture.steps[0].what).target,
              (metafile::RectD{0, 0, 96, 48}));
    EXPECT_EQ(cx, 2540);
    EXPECT_EQ(cy, 1270);
}

TEST(OleObject, AnObjectWithOnlyAnIconIsIconic)
{
    StorageTree tree;
    tree.streams["\002OlePres000"] =
        PresentationStream(CF_METAFILEPICT, DVASPECT_ICON, 2699, 1746, RectangleMetafile());
    tree.streams["\002OlePres001"] = PresentationStream(0x0E, DVASPECT_CONTENT, 1, 1, {1, 2, 3});
    const auto object = Open(WriteObject("icon.ole", tree));
    EXPECT_TRUE(object->OnlyIconic());
    EXPECT_EQ(object->DrawAspect(), DVASPECT_ICON);
    metafile::Picture picture;
    std::int32_t cx = 0, cy = 0;
    EXPECT_EQ(object->LoadPicture(DVASPECT_CONTENT, picture, cx, cy), OLE_E_BLANK);
    EXPECT_EQ(object->LoadPicture(DVASPECT_ICON, picture, cx, cy), platform::S_OK);
    EXPECT_EQ(cx, 2699);
}

TEST(OleObject, PackageGivesItsFileUnderItsStoredName)
{
    const std::vector<std::uint8_t> file{'%', 'P', 'D', 'F', '-', '1', 0, 0xFF};
    StorageTree tree;
    tree.clsid = CLSID_Package;
    tree.streams["\001Ole10Native"] =
        PackageStream("report \xE9t\xE9.pdf", "C:\\TEMP\\REPORT~1.PDF", file);
    const auto object = Open(WriteObject("package.ole", tree));
    EXPECT_TRUE(object->OnlyIconic());
    EXPECT_EQ(object->Content().kind, ObjectContent::Kind::Package);
    EXPECT_EQ(object->Content().name, "report \xE9t\xE9.pdf");
    EXPECT_EQ(object->Content().extension, "");
    EXPECT_EQ(object->Content().size, file.size());
    EXPECT_EQ(Content(*object), file);
    metafile::Picture picture;
    std::int32_t cx = 0, cy = 0;
    EXPECT_EQ(object->LoadPicture(DVASPECT_ICON, picture, cx, cy), OLE_E_BLANK);
}

TEST(ObjectHandOver, WritesTheContentUnderItsCleanedNameInAFolderOfItsOwn)
{
    const std::vector<std::uint8_t> file{'%', 'P', 'D', 'F', 0, 0xFF};
    StorageTree package;
    package.clsid = CLSID_Package;
    package.streams["\001Ole10Native"] =
        PackageStream("..\\..\\r\xE9sum\xE9.pdf", "C:\\T\\R.PDF", file);
    const auto object = Open(WriteObject("handover.ole", package));
    const std::string name = ContentFileName(object->Content(), 1252);
    EXPECT_EQ(name, "r\xC3\xA9sum\xC3\xA9.pdf");

    std::string path;
    ASSERT_EQ(WriteContentFile(*object, name, &path), platform::S_OK);
    const std::string folder = path.substr(0, path.rfind('/'));
    EXPECT_EQ(path.substr(folder.size() + 1), name);
    struct stat info {};
    ASSERT_EQ(::stat(folder.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    EXPECT_EQ(testing_support::ReadFile(path), file);
    RemoveContentFile(path);
    EXPECT_NE(::stat(folder.c_str(), &info), 0);

    StorageTree word;
    word.streams["WordDocument"] = {1};
    word.streams["\001CompObj"] = CompObjStream("Word/Document", "Word.Document.8");
    EXPECT_EQ(ContentFileName(Open(WriteObject("word.ole", word))->Content(), 1252),
              "Document.doc");
    EXPECT_EQ(ContentFileName(ObjectContent{ObjectContent::Kind::CompoundFile, "..", ".ole"}, 1252),
              "object.ole");
}

struct OfficeCase {
    const char* name;
    platform::CLSID clsid;
    std::string stream;
    std::string extension;
};

class OleOffice : public ::testing::TestWithParam<OfficeCase> {};

TEST_P(OleOffice, StorageOpensAsItsDocument)
{
    StorageTree tree;
    tree.clsid = GetParam().clsid;
    tree.streams[GetParam().stream] = {1, 2, 3};
    const auto object = Open(WriteObject(std::string(GetParam().name) + ".ole", tree));
    EXPECT_EQ(object->Content().extension, GetParam().extension);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, OleOffice,
    ::testing::Values(OfficeCase{"WordStream", {}, "WordDocument", ".doc"},
                      OfficeCase{"WordClass", CLSID_WordDocument8, "Data", ".doc"},
                      OfficeCase{"WorkbookStream", {}, "Workbook", ".xls"},
                      OfficeCase{"OldBookStream", {}, "Book", ".xls"},
                      OfficeCase{"ExcelClass", CLSID_ExcelSheet8, "Data", ".xls"},
                      OfficeCase{"SlidesStream", {}, "PowerPoint Document", ".ppt"},
                      OfficeCase{"SlidesClass", CLSID_PowerPointShow8, "Data", ".ppt"},
                      OfficeCase{"PackageWithoutItsFile", CLSID_Package, "Data", ".ole"},
                      OfficeCase{"Unknown", {}, "Data", ".ole"}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(OleObject, NoPresentationLeavesTheCacheBlankAndNoCompoundFileIsRefused)
{
    StorageTree tree;
    tree.streams["Contents"] = {1};
    const auto object = Open(WriteObject("bare.ole", tree));
    metafile::Picture picture;
    std::int32_t cx = 0, cy = 0;
    EXPECT_EQ(object->LoadPicture(object->DrawAspect(), picture, cx, cy), OLE_E_BLANK);

    std::unique_ptr<OleObject> none;
    EXPECT_EQ(OleObject::OpenBytes(std::vector<std::uint8_t>(4096, 0x41), none), platform::E_FAIL);
    testing_support::WriteFile(testing_support::Scratch() + "text.ole", std::string(4096, 'x'));
    EXPECT_EQ(OleObject::OpenFile(testing_support::Scratch() + "text.ole", none), platform::E_FAIL);
    EXPECT_EQ(none, nullptr);
}

struct HeaderCase {
    const char* name;
    std::vector<std::uint8_t> stream;
    platform::StatusCode status;
};

std::vector<std::uint8_t> Patched(std::vector<std::uint8_t> bytes, std::size_t at,
                                  std::uint32_t value)
{
    for (int i = 0; i < 4; ++i) {
        bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
    return bytes;
}

class PresentationHeaders : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(PresentationHeaders, AreCheckedAgainstTheStream)
{
    Presentation p;
    EXPECT_EQ(ParsePresentation(GetParam().stream, GetParam().stream.size(), p), GetParam().status);
}

const std::vector<std::uint8_t> kPresentation =
    PresentationStream(CF_DIB, DVASPECT_CONTENT, 10, 10, {1, 2, 3, 4});

INSTANTIATE_TEST_SUITE_P(
    Damaged, PresentationHeaders,
    ::testing::Values(
        HeaderCase{"Whole", kPresentation, platform::S_OK},
        HeaderCase{"CutInTheHeader",
                   {kPresentation.begin(), kPresentation.begin() + 30},
                   platform::E_FAIL},
        HeaderCase{"NamedFormat", Patched(kPresentation, 0, 7), platform::E_FAIL},
        HeaderCase{"TargetDeviceBelowItsOwnSize", Patched(kPresentation, 8, 3), platform::E_FAIL},
        HeaderCase{"TargetDeviceBeyondTheStream", Patched(kPresentation, 8, 60000),
                   platform::E_FAIL},
        HeaderCase{"DataBeyondTheStream", Patched(kPresentation, 36, 5), platform::E_FAIL},
        HeaderCase{"DataAboveSixteenMebibytes", Patched(kPresentation, 36, (16u << 20) + 1),
                   platform::E_OUTOFMEMORY}),
    [](const auto& row) { return std::string(row.param.name); });

class PackageHeaders : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(PackageHeaders, AreCheckedAgainstTheStream)
{
    PackageInfo info;
    EXPECT_EQ(ParsePackageHeader(GetParam().stream, GetParam().stream.size(), info),
              GetParam().status);
}

const std::vector<std::uint8_t> kPackage = PackageStream("a.txt", "C:\\T\\A.TXT", {'x', 'y'});

INSTANTIATE_TEST_SUITE_P(
    Damaged, PackageHeaders,
    ::testing::Values(HeaderCase{"Whole", kPackage, platform::S_OK},
                      HeaderCase{"LabelWithoutItsZero",
                                 {kPackage.begin(), kPackage.begin() + 9},
                                 platform::E_FAIL},
                      HeaderCase{"ALinkNotAFile", Patched(kPackage, 28, 0x00010000),
                                 platform::E_FAIL},
                      HeaderCase{"FileBeyondTheStream", Patched(kPackage, kPackage.size() - 6, 3),
                                 platform::E_FAIL},
                      HeaderCase{"TemporaryPathBeyondTheStream", Patched(kPackage, 32, 0xFFFFFFF0),
                                 platform::E_FAIL}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(OleStreams, PackageNameFallsBackToTheTemporaryPathsLastPart)
{
    const auto stream = PackageStream("", "C:\\TEMP\\REPORT~1.PDF", {1});
    PackageInfo info;
    ASSERT_EQ(ParsePackageHeader(stream, stream.size(), info), platform::S_OK);
    EXPECT_EQ(info.storedName, "REPORT~1.PDF");
}

} // namespace
} // namespace viewer::render::ole
