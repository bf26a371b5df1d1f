#include "viewer/doc/tree/damage_check.h"

#include <set>
#include <string>
#include <vector>

#include "platform/com.h"
#include "platform/files.h"
#include "platform/format.h"
#include "viewer/doc/document/envelon_doc.h"
#include "viewer/doc/document/file_stream.h"
#include "viewer/doc/model/element.h"
#include "viewer/doc/naming/naming.h"
#include "viewer/doc/tree/tree_builder.h"

namespace viewer::doc::tree {

using namespace viewer::doc::document;
using namespace viewer::doc::model;

using platform::Format;
using platform::StatusCode;

namespace {

std::string StatusText(StatusCode status)
{
    return Format("%#010X", static_cast<unsigned>(status));
}

// The elements whose data is checked beyond the walk, each once (the decoration links copies
// of body and attachment elements to their groups).
std::vector<const ElementRef*> ElementsToInflate(CEnvelonDoc& document, const MemoryTree& tree)
{
    std::vector<const ElementRef*> found;
    std::set<std::uint64_t> seen;
    std::vector<NodeId> pending;
    if (tree.Root() != kNoNode) {
        pending.push_back(tree.Root());
    }
    while (!pending.empty()) {
        const NodeId node = pending.back();
        pending.pop_back();
        const ElementRef* element = tree.Element(node);
        const std::uint32_t kind = element ? element->Kind() : 0;
        std::uint64_t offset = 0;
        std::uint32_t count = 0;
        if ((kind == ELEM_COMPRESSED_RTF || kind == ELEM_EMBEDDED_MESSAGE) &&
            platform::Succeeded(document.GetElementRange(element, &offset, &count)) &&
            seen.insert(offset).second) {
            found.push_back(element);
        }
        const std::vector<NodeId> children = tree.Children(node);
        pending.insert(pending.end(), children.rbegin(), children.rend());
    }
    return found;
}

class Checker {
public:
    explicit Checker(TagoraHandle dictionary) : m_dictionary(dictionary) {}

    DamageReport Check(CEnvelonDoc& document, unsigned depth);

private:
    void CheckChecksums(CEnvelonDoc& document, DamageReport& report);
    void CheckRtf(CEnvelonDoc& document, const ElementRef& element, std::uint64_t offset,
                  DamageReport& report);
    void CheckEmbedded(CEnvelonDoc& document, const ElementRef& element, std::uint64_t offset,
                       unsigned depth, DamageReport& report);

    TagoraHandle m_dictionary;
};

DamageReport Checker::Check(CEnvelonDoc& document, unsigned depth)
{
    DocumentTree tree;
    DamageReport report = tree.Build(document, m_dictionary).damage;
    if (report.notTnef) {
        return report;
    }
    CheckChecksums(document, report);
    for (const ElementRef* element : ElementsToInflate(document, tree.GetTree())) {
        std::uint64_t offset = 0;
        std::uint32_t count = 0;
        static_cast<void>(document.GetElementRange(element, &offset, &count));
        if (element->Kind() == ELEM_COMPRESSED_RTF) {
            CheckRtf(document, *element, offset, report);
        } else {
            CheckEmbedded(document, *element, offset, depth, report);
        }
    }
    return report;
}

void Checker::CheckChecksums(CEnvelonDoc& document, DamageReport& report)
{
    static_cast<void>(document.CheckEveryRecord([&](const RecordChecksum& record) {
        if (record.readable && record.computed != record.stored) {
            report.Problem(record.position,
                           Format("checksum of %s is %u, its data sums to %u",
                                  naming::AttributeIdentifierLabel(record.identifier).c_str(),
                                  record.stored, record.computed));
        }
    }));
}

void Checker::CheckRtf(CEnvelonDoc& document, const ElementRef& element, std::uint64_t offset,
                       DamageReport& report)
{
    const StatusCode status = document.InflateRtfBody(
        &element, [](const std::uint8_t*, std::uint32_t) { return platform::S_OK; });
    if (status == platform::MAPI_E_CORRUPT_DATA) {
        report.Problem(offset, "compressed RTF with a damaged header (" + StatusText(status) + ")");
    } else if (status == platform::E_ABORT) {
        report.Problem(offset, "compressed RTF damaged, cut short or failing its CRC (" +
                                   StatusText(status) + ")");
    } else if (platform::Failed(status)) {
        report.Problem(offset,
                       "compressed RTF that cannot be inflated (" + StatusText(status) + ")");
    }
}

void Checker::CheckEmbedded(CEnvelonDoc& document, const ElementRef& element, std::uint64_t offset,
                            unsigned depth, DamageReport& report)
{
    const std::string where =
        Format("in the embedded message at %llu: ", static_cast<unsigned long long>(offset));
    if (depth + 1 >= kMaxCheckedNesting) {
        report.Note(offset, "embedded message nested too deep to be checked");
        return;
    }
    // The message is read from a private copy, as Open Attachment reads it.
    std::string path;
    StatusCode status = platform::CreateUniqueTempFile("tnf", &path);
    platform::TempFile copy(path);
    platform::ComPtr<platform::IStream> stream;
    if (platform::Succeeded(status)) {
        status = document.WriteElementData(&element, path.c_str());
    }
    if (platform::Succeeded(status)) {
        status = CreateFileStream(path, platform::kModeTemporaryInput, &stream);
    }
    if (platform::Failed(status)) {
        report.Problem(offset, "the embedded message could not be copied to be checked (" +
                                   StatusText(status) + ")");
        return;
    }
    copy.Release();
    CEnvelonDoc embedded;
    embedded.AttachStream(std::move(stream), "embedded message");
    embedded.SetRawView(document.RawView());
    const DamageReport inner = Check(embedded, depth + 1);
    if (inner.notTnef) {
        const std::string why = inner.entries.empty() ? "" : ": " + inner.entries[0].message;
        report.Problem(offset, "the embedded message is no TNEF stream" + why);
        return;
    }
    for (const DamageEntry& entry : inner.entries) {
        report.entries.push_back({offset + entry.offset, entry.severity, where + entry.message});
    }
}

} // namespace

DamageReport CheckDocument(CEnvelonDoc& document, TagoraHandle dictionary)
{
    return Checker(dictionary).Check(document, 0);
}

} // namespace viewer::doc::tree
