// Building and decorating the tree from generated streams: groups, decoded nodes, value
// kinds, captions in normal and raw view, the message's code page, damage inside a list,
// the node and byte limits, and names from the stream shown safely.
#include "viewer/doc/tree/tree_builder.h"

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/com.h"
#include "platform/guid.h"
#include "platform/memory_stream.h"
#include "tests/support/tnef_builder.h"
#include "viewer/doc/document/envelon_doc.h"

namespace viewer::doc::tree {

using namespace viewer::doc::document;
using namespace viewer::doc::model;

namespace {

using testing_support::ByteVector;
using testing_support::BytesOf;
using testing_support::PropertyList;
using testing_support::TnefBuilder;

struct Built {
    CEnvelonDoc doc;
    DocumentTree tree;
    BuildResult result;

    const MemoryTree& Tree() const { return tree.GetTree(); }
    NodeId Root() const { return tree.GetTree().Root(); }
    std::string Caption(NodeId node) const { return Tree().Caption(node); }
    int Image(NodeId node) const { return Tree().Image(node); }
    ElementRef* Element(NodeId node) const { return Tree().Element(node); }
    std::vector<NodeId> Children(NodeId node) const { return Tree().Children(node); }
    std::vector<std::string> Captions(NodeId node) const
    {
        std::vector<std::string> captions;
        for (NodeId child : Children(node)) {
            captions.push_back(Caption(child));
        }
        return captions;
    }
    // The first child with this caption; kNoNode when there is none.
    NodeId Child(NodeId parent, const std::string& caption) const
    {
        for (NodeId child : Children(parent)) {
            if (Caption(child) == caption) {
                return child;
            }
        }
        return kNoNode;
    }
};

std::unique_ptr<Built> Build(const ByteVector& bytes, bool raw = false, TreeLimits limits = {},
                             const std::string& path = "/in/winmail.dat")
{
    auto built = std::make_unique<Built>();
    built->doc.AttachStream(platform::CreateMemoryStream(bytes), path);
    built->doc.SetRawView(raw);
    built->result = built->tree.Build(built->doc, nullptr, limits);
    return built;
}

ByteVector Iid(const platform::IID& iid)
{
    const auto bytes = platform::GuidToBytes(iid);
    return ByteVector(bytes.begin(), bytes.end());
}

// A message with a subject, both an RTF and an HTML body, one recipient and one attachment.
ByteVector FullMessage()
{
    return TnefBuilder()
        .Header()
        .MessageAttribute(attSubject, "Quarterly figures")
        .MessageAttribute(attDateSent, testing_support::DateBytes(2026, 12, 7, 10, 0, 0, 1))
        .MessageProperties(PropertyList()
                               .Long(PR_MESSAGE_FLAGS, 1)
                               .Binary(PR_RTF_COMPRESSED, testing_support::Pattern(40))
                               .Binary(PR_BODY_HTML, BytesOf("<p>hi</p>")))
        .RecipientTable({PropertyList().String8(PR_DISPLAY_NAME, "Alice Example"),
                         PropertyList().String8(PR_DISPLAY_NAME, "")})
        .StartAttachment()
        .AttachmentAttribute(attAttachData, testing_support::Pattern(3000))
        .AttachmentProperties(PropertyList()
                                  .Long(PR_ATTACH_METHOD, ATTACH_BY_VALUE)
                                  .String8(PR_ATTACH_LONG_FILENAME, "report.pdf")
                                  .Binary(PR_ATTACH_DATA_BIN, testing_support::Pattern(20)))
        .Bytes();
}

// ---- Building --------------------------------------------------------------------------

TEST(TreeBuild, GroupsNodesAndImagesOfAMessage)
{
    const auto built = Build(FullMessage());
    const NodeId root = built->Root();
    EXPECT_EQ(built->Caption(root), "winmail.dat");
    EXPECT_TRUE(built->Tree().IsExpanded(root));
    EXPECT_EQ(built->Image(root), kImageEnvelope);
    ASSERT_EQ(built->Children(root).size(), 3u);
    const NodeId header = built->Children(root)[0];
    EXPECT_EQ(built->Caption(header), "Header");
    EXPECT_EQ(built->Image(header), kImageBinary);
    EXPECT_EQ(built->Element(header)->Kind(), ELEM_HEADER);

    const NodeId message = built->Children(root)[1];
    EXPECT_EQ(built->Image(message), kImageOpenEnvelope);
    EXPECT_EQ(built->Captions(message),
              (std::vector<std::string>{"Subject", "Date Sent", "Message Properties",
                                        "Recipient Table"}));
    const NodeId subject = built->Child(message, "Subject");
    EXPECT_EQ(built->Image(subject), kImageRecord);
    EXPECT_EQ(built->Element(subject)->Kind(), ELEM_ATTRIBUTE_DATA);
    EXPECT_EQ(built->Element(subject)->m_textEncoding, TEXT_ANSI);
    EXPECT_EQ(built->Element(subject)->CurrentView(), VIEW_TEXT);
    const NodeId date = built->Child(message, "Date Sent");
    EXPECT_EQ(built->Image(date), kImageCalendar);
    EXPECT_EQ(built->Element(date)->Kind(), ELEM_DATE);

    const NodeId properties = built->Child(message, "Message Properties");
    EXPECT_EQ(built->Image(properties), kImageList);
    EXPECT_EQ(built->Captions(properties),
              (std::vector<std::string>{"0X0E070003", "0X10090102", "0X10130102"}));
    const NodeId rtfProperty = built->Children(properties)[1];
    EXPECT_EQ(built->Image(rtfProperty), kImageTag);
    const NodeId rtf = built->Tree().FirstChild(rtfProperty);
    EXPECT_EQ(built->Caption(rtf), "0. Value");
    EXPECT_EQ(built->Image(rtf), kImageRtf);
    EXPECT_EQ(built->Element(rtf)->Kind(), ELEM_COMPRESSED_RTF);
    const NodeId html = built->Tree().FirstChild(built->Children(properties)[2]);
    EXPECT_EQ(built->Element(html)->Kind(), ELEM_HTML_BODY);
    EXPECT_EQ(built->Element(html)->CurrentView(), VIEW_HTML);

    const NodeId table = built->Child(message, "Recipient Table");
    EXPECT_EQ(built->Image(table), kImagePeople);
    ASSERT_EQ(built->Children(table).size(), 2u);
    EXPECT_EQ(built->Image(built->Children(table)[0]), kImagePerson);

    const NodeId attachment = built->Children(root)[2];
    EXPECT_EQ(built->Image(attachment), kImagePaperClip);
    EXPECT_EQ(built->Captions(attachment),
              (std::vector<std::string>{"Attachment Rendering", "Attachment Data",
                                        "Attachment Properties"}));
    EXPECT_EQ(built->Element(built->Child(attachment, "Attachment Rendering"))->Kind(),
              ELEM_RENDERING);
    EXPECT_FALSE(built->result.cut);
}

TEST(TreeBuild, ValuesAreNumberedFromZeroAndTypedByTheirTag)
{
    const auto built = Build(
        TnefBuilder()
            .Header()
            .MessageProperties(
                PropertyList()
                    .Multi(PROP_TAG(PT_MV_STRING8, 0x6001), {BytesOf("a"), BytesOf("b"), BytesOf("c")})
                    .Unicode(0x0E1D001F, u"wide")
                    .Object(PR_ATTACH_DATA_OBJ, Iid(platform::IID_IStream), BytesOf("xyz"))
                    .Object(PR_ATTACH_DATA_OBJ, Iid(platform::IID_IStorage), BytesOf("ole")))
            .Bytes());
    const NodeId properties =
        built->Child(built->Child(built->Root(), "Message Attributes"), "Message Properties");
    const auto props = built->Children(properties);
    ASSERT_EQ(props.size(), 4u);
    EXPECT_EQ(built->Captions(props[0]),
              (std::vector<std::string>{"0. Value", "1. Value", "2. Value"}));
    // A multi-valued 8-bit string is not text by its type.
    EXPECT_EQ(built->Element(built->Children(props[0])[0])->m_textEncoding, TEXT_NONE);
    const ElementRef* wide = built->Element(built->Children(props[1])[0]);
    EXPECT_EQ(wide->m_textEncoding, TEXT_UNICODE);
    EXPECT_EQ(wide->CurrentView(), VIEW_TEXT);
    // An object whose identifier is neither IStorage nor IMessage stays a plain value.
    const NodeId stream = built->Children(props[2])[0];
    EXPECT_EQ(built->Element(stream)->Kind(), ELEM_VALUE);
    EXPECT_EQ(built->Image(stream), kImageBinary);
    const NodeId ole = built->Children(props[3])[0];
    EXPECT_EQ(built->Element(ole)->Kind(), ELEM_OLE_OBJECT);
    EXPECT_EQ(built->Image(ole), kImageOleObject);
    // The specialised element took the value's fields.
    const auto* value = static_cast<const ValueElement*>(built->Element(ole));
    EXPECT_EQ(value->m_size, 16u + 3u);
    ASSERT_NE(value->Data(), nullptr);
    EXPECT_EQ(value->Data()[0], 'o');
}

TEST(TreeBuild, FirstAttributeStartingAnAttachment)
{
    const auto built = Build(TnefBuilder()
                                 .Header()
                                 .StartAttachment()
                                 .AttachmentAttribute(attAttachTitle, "a.txt")
                                 .Bytes());
    const auto groups = built->Children(built->Root());
    ASSERT_EQ(groups.size(), 2u);
    EXPECT_EQ(built->Image(groups[1]), kImageOpenEnvelope);
    // Decorated as an attachment, with no message group and no selection.
    EXPECT_EQ(built->Caption(groups[1]), "a.txt");
    EXPECT_EQ(built->tree.Index().m_messageGroup, kNoNode);
    EXPECT_EQ(built->Tree().Selected(), kNoNode);
}

TEST(TreeBuild, WrongSignatureIsShownAndTheWalkGoesOn)
{
    const auto built =
        Build(TnefBuilder().Header(0x12345678).MessageAttribute(attSubject, "Still here").Bytes());
    const NodeId header = built->Children(built->Root())[0];
    EXPECT_EQ(built->Image(header), kImageCross);
    EXPECT_EQ(built->Caption(built->Children(built->Root())[1]), "Still here");
}

TEST(TreeBuild, RootAloneWithoutPathOrHeader)
{
    const auto noPath = Build(FullMessage(), false, {}, "");
    EXPECT_TRUE(noPath->Children(noPath->Root()).empty());
    EXPECT_FALSE(noPath->result.decorated);

    // The title is a file name: shown like any other name.
    const auto oddTitle = Build(FullMessage(), false, {}, "/in/line\nbreak\xFF.dat");
    EXPECT_EQ(oddTitle->Caption(oddTitle->Root()), "line\\x0Abreak\xEF\xBF\xBD.dat");

    const auto shortStream = Build({0x78, 0x9F, 0x3E});
    EXPECT_TRUE(shortStream->Children(shortStream->Root()).empty());
    EXPECT_FALSE(shortStream->result.decorated);

    // Six bytes: a header and no attribute.
    const auto headerOnly = Build(TnefBuilder().Header().Bytes());
    EXPECT_EQ(headerOnly->Captions(headerOnly->Root()), std::vector<std::string>{"Header"});
    EXPECT_TRUE(headerOnly->result.decorated);
}

TEST(TreeBuild, UnknownAttributesGetNoNode)
{
    const auto built = Build(TnefBuilder()
                                 .Header()
                                 .MessageAttribute(0x00018005, "unknown")
                                 .MessageAttribute(attMessageClass, "IPM.Note")
                                 .Bytes());
    EXPECT_EQ(built->Captions(built->Children(built->Root())[1]),
              std::vector<std::string>{"Message Class"});
}

// ---- Decoration ------------------------------------------------------------------------

TEST(TreeDecoration, SubjectBodyFileNamesAndDisplayNames)
{
    const auto built = Build(FullMessage());
    const NodeId message = built->Children(built->Root())[1];
    EXPECT_EQ(built->Caption(message), "Quarterly figures");
    EXPECT_EQ(built->Tree().Selected(), message);
    // Compressed RTF wins over HTML and shows in the RTF view.
    ASSERT_NE(built->Element(message), nullptr);
    EXPECT_EQ(built->Element(message)->Kind(), ELEM_COMPRESSED_RTF);
    EXPECT_EQ(built->Element(message)->CurrentView(), VIEW_RTF);

    const NodeId table = built->Child(message, "Recipient Table");
    EXPECT_EQ(built->Captions(table),
              (std::vector<std::string>{"Alice Example", "Recipient Properties"}));

    const NodeId attachment = built->Children(built->Root())[2];
    EXPECT_EQ(built->Caption(attachment), "report.pdf");
    const ElementRef* linked = built->Element(attachment);
    ASSERT_NE(linked, nullptr);
    EXPECT_EQ(linked->Kind(), ELEM_ATTACH_DATA_BIN);
    EXPECT_EQ(linked->m_name, "report.pdf");
    EXPECT_TRUE(linked->SupportsAction(ACTION_OPEN_FILE));

    const MailBody body = built->tree.Index().FindMailBody();
    EXPECT_EQ(body.kind, MailBodyKind::CompressedRtf);
    ASSERT_NE(body.element, nullptr);
    EXPECT_EQ(body.element->Kind(), ELEM_COMPRESSED_RTF);
}

TEST(TreeDecoration, EmptyOrMissingSubject)
{
    const auto empty = Build(TnefBuilder().Header().MessageAttribute(attSubject, "").Bytes());
    EXPECT_EQ(empty->Caption(empty->Children(empty->Root())[1]), "<empty subject>");

    const auto fromProperty = Build(
        TnefBuilder().Header().MessageProperties(PropertyList().String8(PR_SUBJECT, "From MAPI")).Bytes());
    EXPECT_EQ(fromProperty->Caption(fromProperty->Children(fromProperty->Root())[1]), "From MAPI");

    const auto none =
        Build(TnefBuilder().Header().MessageAttribute(attMessageClass, "IPM.Note").Bytes());
    EXPECT_EQ(none->Caption(none->Children(none->Root())[1]), "Message Attributes");
}

TEST(TreeDecoration, MailBodyFallsBackToHtmlThenPlainText)
{
    const auto html = Build(TnefBuilder()
                                .Header()
                                .MessageAttribute(attBody, "plain")
                                .MessageProperties(PropertyList().String8(PR_BODY_HTML_A, "<b>x</b>"))
                                .Bytes());
    EXPECT_EQ(html->tree.Index().FindMailBody().kind, MailBodyKind::Html);
    EXPECT_EQ(html->Element(html->Children(html->Root())[1])->CurrentView(), VIEW_HTML);

    const auto plain = Build(TnefBuilder().Header().MessageAttribute(attBody, "plain").Bytes());
    const MailBody body = plain->tree.Index().FindMailBody();
    EXPECT_EQ(body.kind, MailBodyKind::PlainText);
    EXPECT_EQ(plain->Element(plain->Children(plain->Root())[1])->CurrentView(), VIEW_TEXT);

    const auto none = Build(TnefBuilder().Header().MessageAttribute(attSubject, "x").Bytes());
    EXPECT_EQ(none->tree.Index().FindMailBody().element, nullptr);
    EXPECT_EQ(none->Element(none->Children(none->Root())[1])->Kind(), ELEM_FOLDER);
}

TEST(TreeDecoration, EmbeddedMessageAndOleAttachmentsKeepFixedCaptions)
{
    const auto built = Build(
        TnefBuilder()
            .Header()
            .StartAttachment()
            .AttachmentProperties(PropertyList()
                                      .Long(PR_ATTACH_METHOD, ATTACH_EMBEDDED_MSG)
                                      .String8(PR_ATTACH_LONG_FILENAME, "forwarded.msg")
                                      .Object(PR_ATTACH_DATA_OBJ, Iid(platform::IID_IMessage),
                                              TnefBuilder().Header().Bytes()))
            .StartAttachment()
            .AttachmentProperties(PropertyList()
                                      .Long(PR_ATTACH_METHOD, ATTACH_OLE)
                                      .Object(PR_ATTACH_DATA_OBJ, Iid(platform::IID_IStorage),
                                              BytesOf("storage")))
            .Bytes());
    const auto groups = built->Children(built->Root());
    ASSERT_EQ(groups.size(), 3u);
    EXPECT_EQ(built->Caption(groups[1]), "Mail Attachment");
    EXPECT_EQ(built->Image(groups[1]), kImageEnvelope);
    ASSERT_NE(built->Element(groups[1]), nullptr);
    EXPECT_EQ(built->Element(groups[1])->Kind(), ELEM_EMBEDDED_MESSAGE);
    EXPECT_TRUE(built->Element(groups[1])->SupportsAction(ACTION_OPEN_MESSAGE));
    EXPECT_EQ(built->Caption(groups[2]), "OLE Object Attachment");
    EXPECT_EQ(built->Image(groups[2]), kImageOleObject);
    EXPECT_EQ(built->Element(groups[2])->Kind(), ELEM_OLE_OBJECT);
}

TEST(TreeDecoration, AttachmentWithoutMethodIsByValueAndUsesAttachData)
{
    const auto built = Build(TnefBuilder()
                                 .Header()
                                 .StartAttachment()
                                 .AttachmentAttribute(attAttachTitle, "notes.txt")
                                 .AttachmentAttribute(attAttachData, BytesOf("hello"))
                                 .Bytes());
    const NodeId group = built->Children(built->Root())[1];
    EXPECT_EQ(built->Caption(group), "notes.txt");
    ASSERT_NE(built->Element(group), nullptr);
    EXPECT_EQ(built->Element(group)->Kind(), ELEM_ATTACH_DATA);
    EXPECT_EQ(built->Element(group)->m_name, "notes.txt");
}

TEST(TreeDecoration, RawViewFindsEverythingThroughTheRecordNodes)
{
    const auto built = Build(FullMessage(), true);
    const NodeId message = built->Children(built->Root())[1];
    EXPECT_EQ(built->Captions(message),
              (std::vector<std::string>{"attSubject", "attDateSent", "attMAPIProps",
                                        "attRecipTable"}));
    const NodeId record = built->Child(message, "attSubject");
    EXPECT_EQ(built->Image(record), kImageRecord);
    EXPECT_EQ(built->Element(record)->Kind(), ELEM_ATTRIBUTE);
    ASSERT_EQ(built->Children(record).size(), 1u);
    const NodeId decoded = built->Children(record)[0];
    EXPECT_EQ(built->Caption(decoded), "Subject");
    EXPECT_EQ(built->Image(decoded), kImageBinary);
    EXPECT_EQ(built->Image(built->Children(built->Child(message, "attDateSent"))[0]), kImageBinary);

    EXPECT_EQ(built->Caption(message), "Quarterly figures");
    EXPECT_EQ(built->Element(message)->Kind(), ELEM_COMPRESSED_RTF);
    const NodeId table = built->Children(built->Child(message, "attRecipTable"))[0];
    EXPECT_EQ(built->Caption(built->Children(table)[0]), "Alice Example");
    const NodeId attachment = built->Children(built->Root())[2];
    EXPECT_EQ(built->Caption(attachment), "report.pdf");
    EXPECT_EQ(built->Element(attachment)->m_name, "report.pdf");
    EXPECT_EQ(built->tree.Index().FindMailBody().kind, MailBodyKind::CompressedRtf);
}

TEST(TreeDecoration, DictionaryNamesAndTagNumbersFindTheSameNodes)
{
    TagoraHandle dictionary = nullptr;
    ASSERT_EQ(TagoraInit(&dictionary), 1);
    Built built;
    built.doc.AttachStream(platform::CreateMemoryStream(FullMessage()), "/in/winmail.dat");
    built.tree.Build(built.doc, dictionary);
    const NodeId message = built.Children(built.Root())[1];
    const NodeId properties = built.Child(message, "Message Properties");
    EXPECT_EQ(built.Captions(properties),
              (std::vector<std::string>{"PR_MESSAGE_FLAGS", "PR_RTF_COMPRESSED", "PR_BODY_HTML"}));
    EXPECT_EQ(built.Element(message)->Kind(), ELEM_COMPRESSED_RTF);
    EXPECT_EQ(built.Caption(built.Children(built.Root())[2]), "report.pdf");
    TagoraClose(dictionary);
}

// ---- Code page and names from the stream -----------------------------------------------

TEST(TreeDecoration, EightBitNamesAreDecodedWithTheMessageCodePage)
{
    const auto western = Build(TnefBuilder()
                                   .Header()
                                   .StartAttachment()
                                   .AttachmentAttribute(attAttachTitle, "d\xF6" "cument.pdf")
                                   .Bytes());
    EXPECT_EQ(western->doc.CodePage(), 1252u);
    EXPECT_EQ(western->Caption(western->Children(western->Root())[1]), "d\xC3\xB6" "cument.pdf");

    // PR_MESSAGE_CODEPAGE comes before PR_INTERNET_CPID and attOemCodepage.
    ByteVector oem = {0xB5, 0x01, 0, 0}; // 437
    const auto cyrillic = Build(TnefBuilder()
                                    .Header()
                                    .MessageAttribute(attOemCodepage, oem)
                                    .MessageAttribute(attSubject, "\xCF\xF0\xE8")
                                    .MessageProperties(PropertyList()
                                                           .Long(PR_INTERNET_CPID, 65001)
                                                           .Long(PR_MESSAGE_CODEPAGE, 1251))
                                    .Bytes());
    EXPECT_EQ(cyrillic->doc.CodePage(), 1251u);
    EXPECT_EQ(cyrillic->Caption(cyrillic->Children(cyrillic->Root())[1]),
              "\xD0\x9F\xD1\x80\xD0\xB8"); // При

    const auto internet = Build(TnefBuilder()
                                    .Header()
                                    .MessageAttribute(attOemCodepage, oem)
                                    .MessageProperties(PropertyList().Long(PR_INTERNET_CPID, 65001))
                                    .Bytes());
    EXPECT_EQ(internet->doc.CodePage(), 65001u);
    const auto oemOnly = Build(TnefBuilder().Header().MessageAttribute(attOemCodepage, oem).Bytes());
    EXPECT_EQ(oemOnly->doc.CodePage(), 437u);
}

TEST(TreeDecoration, ControlAndReorderingCharactersAreEscapedInCaptions)
{
    const auto built = Build(
        TnefBuilder()
            .Header()
            .MessageAttribute(attSubject, "\x1B[2Jcleared")
            .MessageProperties(PropertyList().Long(PR_INTERNET_CPID, 65001))
            .StartAttachment()
            .AttachmentProperties(PropertyList().String8(PR_ATTACH_LONG_FILENAME,
                                                         "invoice\xE2\x80\xAE" "fdp.exe"))
            .AttachmentAttribute(attAttachData, BytesOf("MZ"))
            .Bytes());
    EXPECT_EQ(built->Caption(built->Children(built->Root())[1]), "\\x1B[2Jcleared");
    const NodeId attachment = built->Children(built->Root())[2];
    EXPECT_EQ(built->Caption(attachment), "invoice\\u{202E}fdp.exe");
    // The element keeps the name; Save Data and Open Attachment clean it for the file system.
    EXPECT_EQ(built->Element(attachment)->m_name, "invoice\xE2\x80\xAE" "fdp.exe");
}

TEST(TreeDecoration, LongCaptionsAreCut)
{
    const std::string subject(1000, 's');
    const auto built = Build(TnefBuilder().Header().MessageAttribute(attSubject, subject).Bytes());
    // The element buffers 1024 bytes; the caption keeps 255 characters.
    EXPECT_EQ(built->Caption(built->Children(built->Root())[1]), std::string(255, 's'));
}

// ---- Damage and limits -----------------------------------------------------------------

TEST(TreeDamage, ValueReachingBeyondItsAttributeEndsTheListButNotTheWalk)
{
    // The binary value claims 4000 bytes inside an attribute that holds far fewer.
    const auto built = Build(
        TnefBuilder()
            .Header()
            .MessageProperties(PropertyList()
                                   .Long(PR_MESSAGE_FLAGS, 1)
                                   .CountedRaw(PR_RTF_COMPRESSED, 4000, BytesOf("abcd"))
                                   .Long(PR_ATTACH_METHOD, 1))
            .MessageAttribute(attSubject, "after the damage")
            .StartAttachment()
            .AttachmentAttribute(attAttachTitle, "kept.txt")
            .Bytes());
    const NodeId message = built->Children(built->Root())[1];
    const NodeId properties = built->Child(message, "Message Properties");
    const auto props = built->Children(properties);
    ASSERT_EQ(props.size(), 2u);
    EXPECT_EQ(built->Children(props[1]).size(), 0u); // the damaged value is not shown
    EXPECT_EQ(built->Caption(message), "after the damage");
    EXPECT_EQ(built->Element(message)->Kind(), ELEM_FOLDER); // no body was linked
    EXPECT_EQ(built->Caption(built->Children(built->Root())[2]), "kept.txt");
}

TEST(TreeDamage, FailedReadInsideAListKeepsWhatCameBefore)
{
    // A property of type 0x0008 has no layout: the list stops there.
    const auto built = Build(TnefBuilder()
                                 .Header()
                                 .MessageProperties(PropertyList()
                                                        .Long(PR_MESSAGE_FLAGS, 1)
                                                        .Fixed(0x00010008, {1, 2, 3, 4})
                                                        .Long(PR_ATTACH_METHOD, 1))
                                 .MessageAttribute(attSubject, "next record")
                                 .Bytes());
    const NodeId message = built->Children(built->Root())[1];
    const auto props = built->Children(built->Child(message, "Message Properties"));
    ASSERT_EQ(props.size(), 2u);
    EXPECT_TRUE(built->Children(props[1]).empty());
    EXPECT_EQ(built->Caption(message), "next record");
}

TEST(TreeLimitsTest, NodeCapKeepsWhatWasBuiltAndSaysSo)
{
    PropertyList many;
    for (std::uint32_t i = 0; i < 100; ++i) {
        many.Long(PROP_TAG(PT_LONG, 0x6000 + i), i);
    }
    const ByteVector bytes =
        TnefBuilder().Header().MessageAttribute(attSubject, "big").MessageProperties(many).Bytes();
    TreeLimits limits;
    limits.maxNodes = 50;
    const auto built = Build(bytes, false, limits);
    EXPECT_TRUE(built->result.cut);
    EXPECT_EQ(built->result.nodes, 50u);
    EXPECT_EQ(built->Tree().NodeCount(), 51u);
    const auto top = built->Children(built->Root());
    EXPECT_EQ(built->Caption(top.back()), kTreeCutCaption);
    EXPECT_EQ(built->Image(top.back()), kImageCross);
    // What was built is still decorated.
    EXPECT_EQ(built->Caption(top[1]), "big");

    const auto whole = Build(bytes);
    EXPECT_FALSE(whole->result.cut);
    EXPECT_EQ(whole->Tree().NodeCount(), 1u + 1 + 1 + 1 + 1 + 200);
}

TEST(TreeLimitsTest, ByteBudgetStopsTheWalk)
{
    TnefBuilder builder;
    builder.Header();
    for (int i = 0; i < 40; ++i) {
        builder.MessageAttribute(attBody, std::string(2000, 'b'));
    }
    TreeLimits limits;
    limits.maxBytes = 10 * 1024;
    const auto built = Build(builder.Bytes(), false, limits);
    EXPECT_TRUE(built->result.cut);
    EXPECT_LE(built->result.bytes, limits.maxBytes);
    const NodeId message = built->Children(built->Root())[1];
    EXPECT_GT(built->Children(message).size(), 3u);
    EXPECT_LT(built->Children(message).size(), 10u);
    EXPECT_EQ(built->Caption(built->Children(built->Root()).back()), kTreeCutCaption);
}

// ---- The abstract tree and its index ---------------------------------------------------

TEST(TreeIndexTest, FindNodeComparesCaseInsensitivelyAndOnlyDirectChildren)
{
    MemoryTree tree;
    const NodeId root = tree.Insert(kNoNode, kInsertLast, "Root", 0, nullptr);
    const NodeId group = tree.Insert(root, kInsertLast, "Message Attributes", 3, nullptr);
    const std::string longCaption(300, 'L');
    tree.Insert(root, kInsertLast, longCaption, 0, nullptr);
    tree.Insert(group, kInsertLast, "Grandchild", 0, nullptr);
    TreeIndex index;
    index.Reset(&tree, false, nullptr);
    EXPECT_EQ(index.FindNode(root, "message ATTRIBUTES"), group);
    EXPECT_EQ(index.FindNode(root, "root"), root);
    EXPECT_EQ(index.FindNode(root, ""), kNoNode);
    EXPECT_EQ(index.FindNode(root, "Grandchild"), kNoNode);
    EXPECT_EQ(index.FindNode(root, longCaption), kNoNode);
    EXPECT_NE(index.FindNode(root, std::string(254, 'l')), kNoNode);
}

TEST(TreeIndexTest, InsertKeepsSiblingOrderAndLinkCopiesElements)
{
    MemoryTree tree;
    const NodeId root = tree.Insert(kNoNode, kInsertLast, "r", 0, nullptr);
    const NodeId b = tree.Insert(root, kInsertLast, "b", 0, CreateElement(ELEM_HEADER));
    const NodeId a = tree.Insert(root, kNoNode, "a", 0, nullptr);
    const NodeId c = tree.Insert(root, b, "c", 0, nullptr);
    EXPECT_EQ(tree.Children(root), (std::vector<NodeId>{a, b, c}));
    EXPECT_EQ(tree.Insert(a, b, "wrong parent", 0, nullptr), kNoNode);

    LinkNodeElement(tree, b, c);
    ASSERT_NE(tree.Element(c), nullptr);
    EXPECT_NE(tree.Element(c), tree.Element(b));
    EXPECT_EQ(tree.Element(c)->Kind(), ELEM_HEADER);
    LinkNodeElement(tree, a, c);
    EXPECT_EQ(tree.Element(c), nullptr);
}

TEST(TreeIndexTest, DottedPathsNameNodesByTheirPlace)
{
    MemoryTree tree;
    const NodeId root = tree.Insert(kNoNode, kInsertLast, "r", 0, nullptr);
    tree.Insert(root, kInsertLast, "a", 0, nullptr);
    const NodeId b = tree.Insert(root, kInsertLast, "b", 0, nullptr);
    const NodeId c = tree.Insert(b, kInsertLast, "c", 0, nullptr);
    EXPECT_EQ(tree.FindByPath("0"), root);
    EXPECT_EQ(tree.FindByPath("0.1"), b);
    EXPECT_EQ(tree.FindByPath("0.1.0"), c);
    for (const char* path : {"", "1", "0.", ".0", "0.2", "0..1", "0.x", "0.-1", "0.1.0.0", "0.1234567890"}) {
        EXPECT_EQ(tree.FindByPath(path), kNoNode) << path;
    }
}

} // namespace
} // namespace viewer::doc::tree
