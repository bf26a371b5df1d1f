// Writes the reader fuzz target's seeds: each small and showing one feature of the format.
//
//   cmake --build build --target make-reader-seeds
//   build/fuzz/make-reader-seeds fuzz/corpus/reader
#include <cstdio>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "format/mapi.h"
#include "format/tnef.h"
#include "platform/com.h"
#include "tests/support/tnef_builder.h"

using namespace testing_support;
using namespace format;

namespace {

GuidBytes IidBytes(const platform::IID& iid)
{
    const auto bytes = platform::GuidToBytes(iid);
    return {bytes.begin(), bytes.end()};
}

const GuidBytes kStorageIid = IidBytes(platform::IID_IStorage);
const GuidBytes kMessageIid = IidBytes(platform::IID_IMessage);

std::vector<std::pair<std::string, ByteVector>> Seeds()
{
    std::vector<std::pair<std::string, ByteVector>> seeds;
    seeds.emplace_back("header_only", TnefBuilder().Header().Bytes());
    seeds.emplace_back("simple_message",
                       TnefBuilder()
                           .Header()
                           .MessageAttribute(attTnefVersion, ByteVector{0, 0, 1, 0})
                           .MessageAttribute(attMessageClass, "IPM.Note")
                           .MessageAttribute(attSubject, "Hi")
                           .MessageAttribute(attDateSent, DateBytes(2026, 12, 7, 10, 0, 0, 1))
                           .MessageAttribute(attBody, "Hello")
                           .Bytes());
    seeds.emplace_back("properties",
                       TnefBuilder()
                           .Header()
                           .MessageProperties(PropertyList()
                                                  .String8(PR_SUBJECT, "Hi")
                                                  .Long(PR_MESSAGE_FLAGS, 0x19)
                                                  .Short(PROP_TAG(PT_BOOLEAN, 0x0E1B), 1)
                                                  .Int64(PROP_TAG(PT_SYSTIME, 0x0039), 1)
                                                  .Fixed(PROP_TAG(PT_CLSID, 0x0E20), Pattern(16))
                                                  .Unicode(0x3001001F, u"Ann")
                                                  .Binary(PR_RTF_COMPRESSED, Pattern(20))
                                                  .String8(PR_BODY_HTML_A, "<p/>"))
                           .Bytes());
    seeds.emplace_back(
        "named", TnefBuilder()
                     .Header()
                     .MessageProperties(
                         PropertyList()
                             .NamedId(PublicStringsGuid(), 0x8233)
                             .Long(PROP_TAG(PT_LONG, 0x8000), 5)
                             .NamedString(PublicStringsGuid(), u"Keywords")
                             .Multi(PROP_TAG(PT_MV_STRING8, 0x8001), {BytesOf("a"), BytesOf("bb")})
                             .NamedStringRaw(PublicStringsGuid(), 5, {'X', 0, 'Y', 0, 'Z'})
                             .Multi(PROP_TAG(PT_MV_LONG, 0x8002), {Pattern(4), Pattern(4)}))
                     .Bytes());
    seeds.emplace_back(
        "recipients",
        TnefBuilder()
            .Header()
            .RecipientTable({PropertyList().String8(PR_DISPLAY_NAME, "Ann").Long(0x0C150003, 1),
                             PropertyList().Unicode(0x3001001F, u"Bob")})
            .Bytes());
    seeds.emplace_back(
        "attachments",
        TnefBuilder()
            .Header()
            .MessageAttribute(attSubject, "att")
            .StartAttachment()
            .AttachmentAttribute(attAttachTitle, "a.txt")
            .AttachmentAttribute(attAttachModifyDate, DateBytes(2026, 1, 2))
            .AttachmentAttribute(attAttachData, Pattern(40))
            .AttachmentProperties(PropertyList()
                                      .Long(PR_ATTACH_METHOD, ATTACH_BY_VALUE)
                                      .String8(PR_ATTACH_LONG_FILENAME, "a.txt")
                                      .Binary(PR_ATTACH_DATA_BIN, Pattern(40)))
            .StartAttachment(atypOle)
            .AttachmentAttribute(attAttachMetaFile, Pattern(30))
            .AttachmentProperties(PropertyList()
                                      .Long(PR_ATTACH_METHOD, ATTACH_OLE)
                                      .Object(PR_ATTACH_DATA_OBJ, kStorageIid, Pattern(14)))
            .StartAttachment()
            .AttachmentProperties(PropertyList()
                                      .Long(PR_ATTACH_METHOD, ATTACH_EMBEDDED_MSG)
                                      .Object(PR_ATTACH_DATA_OBJ, kMessageIid, Pattern(8)))
            .Bytes());
    seeds.emplace_back(
        "first_is_attachment",
        TnefBuilder().Header().StartAttachment().AttachmentAttribute(attAttachTitle, "x").Bytes());
    seeds.emplace_back(
        "damaged",
        TnefBuilder()
            .Header(0x12345678)
            .Attribute(LVL_MESSAGE, attSubject, BytesOf("bad"), 1)
            .MessageProperties(PropertyList().Long(PR_MESSAGE_FLAGS, 1).Count(0xFFFFFFFFu))
            .RecordHead(3, attBody, 2)
            .Bytes());
    seeds.emplace_back(
        "large_value",
        TnefBuilder()
            .Header()
            .MessageProperties(
                PropertyList().Binary(PR_ATTACH_DATA_BIN, Pattern(1100)).Long(PR_ATTACH_METHOD, 1))
            .Bytes());
    return seeds;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-reader-seeds FOLDER\n");
        return 2;
    }
    for (const auto& [name, bytes] : Seeds()) {
        std::ofstream out(std::string(argv[1]) + "/" + name + ".tnef", std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        if (!out) {
            std::fprintf(stderr, "make-reader-seeds: cannot write %s\n", name.c_str());
            return 1;
        }
    }
    return 0;
}
