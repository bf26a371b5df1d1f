// Any bytes as a TNEF stream, walked the way the tree walks it: header, every attribute
// record, the decoded element of each simple attribute, property lists, recipient rows,
// properties and values, every record's checksum, every element through CopyTo; then each
// record once more into a metafile element and its copy.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/memory_stream.h"
#include "tests/support/tnef_walk.h"
#include "viewer/doc/model/element.h"
#include "viewer/doc/document/envelon_doc.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace viewer::doc::document;
    using namespace viewer::doc::model;
    CEnvelonDoc doc;
    doc.AttachStream(platform::CreateMemoryStream(std::vector<std::uint8_t>(data, data + size)),
                     "fuzz.dat");
    const testing_support::WalkSummary walk =
        testing_support::WalkStream(doc, {.computeChecksums = true, .keepPositions = true, .copyElements = true});

    for (const testing_support::WalkedAttribute& walked : walk.walked) {
        AttributeElement record(ELEM_ATTRIBUTE);
        record.m_position = walked.position;
        AttributeElement metafile(ELEM_METAFILE);
        if (platform::Failed(doc.ReadAttributeAt(&record, &metafile))) {
            continue;
        }
        AttributeElement copy(ELEM_METAFILE);
        static_cast<void>(metafile.CopyTo(&copy));
        if (copy.KeptLength() > copy.Capacity()) {
            __builtin_trap();
        }
    }
    if (walk.copyMismatches != 0) {
        __builtin_trap();
    }
    return 0;
}
