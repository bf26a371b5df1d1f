// Documents over built bytes for the reader tests.
#pragma once

#include <memory>
#include <vector>

#include "platform/memory_stream.h"
#include "tests/support/mean_stream.h"
#include "tests/support/tnef_builder.h"
#include "viewer/doc/model/element.h"
#include "viewer/doc/document/envelon_doc.h"

namespace reader_tests {

inline std::unique_ptr<viewer::doc::document::CEnvelonDoc> DocOver(const std::vector<std::uint8_t>& bytes)
{
    auto doc = std::make_unique<viewer::doc::document::CEnvelonDoc>();
    doc->AttachStream(platform::CreateMemoryStream(bytes), "test.dat");
    return doc;
}

inline std::unique_ptr<viewer::doc::document::CEnvelonDoc> DocOver(
    const platform::ComPtr<testing_support::MeanStream>& stream)
{
    auto doc = std::make_unique<viewer::doc::document::CEnvelonDoc>();
    doc->AttachStream(platform::ComPtr<platform::IStream>(stream.Get()), "test.dat");
    return doc;
}

// A document whose stream stands at the start of `list`'s bytes (after a 6-byte header and
// a 9-byte record head), as the property reads expect.
inline std::unique_ptr<viewer::doc::document::CEnvelonDoc> DocAtList(const testing_support::PropertyList& list,
                                                          viewer::doc::model::ListElement* header)
{
    auto bytes = testing_support::TnefBuilder().Header().MessageProperties(list).Bytes();
    auto doc = DocOver(bytes);
    viewer::doc::model::AttributeElement attribute(viewer::doc::model::ELEM_ATTRIBUTE);
    if (platform::Failed(doc->ReadFirstAttribute(&attribute)) || platform::Failed(doc->ReadPropertyListHeader(&attribute, header))) {
        return nullptr;
    }
    return doc;
}

} // namespace reader_tests
