// A walk of a whole TNEF stream with the document's reader, in the order the tree pane
// reads it: header, each attribute record, the decoded element of simple attributes
// (re-read with ReadAttributeAt), and the lists, rows, properties and values of
// attMAPIProps, attAttachment and attRecipTable followed by SkipAttribute. Which element a
// record or value becomes is the tree's own rule (model/element_kinds.h). Tests, the fuzz
// target and the benchmark share it; it keeps counts and positions, not the elements.
// Header-only so that the fuzz target and benchmark can use it without the test main().
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "viewer/doc/model/element.h"
#include "viewer/doc/model/element_kinds.h"
#include "viewer/doc/document/envelon_doc.h"

namespace testing_support {

struct WalkOptions {
    bool computeChecksums = false; // also sum every record's data (then SkipAttribute)
    bool keepPositions = true;     // record where each attribute and value lay
    bool copyElements = false;     // CopyTo every element into a fresh one and compare
};

struct WalkedAttribute {
    std::uint64_t position;
    std::uint32_t identifier;
    std::uint32_t length;
    std::uint16_t stored;
    std::uint16_t computed; // 0 unless checksums were computed
};

struct WalkedValue {
    std::uint64_t position;
    std::uint32_t tag;
    std::uint32_t kind;
    std::uint32_t size;
    bool hasData;
};

struct WalkSummary {
    bool header = false;
    bool validHeader = false;
    platform::StatusCode end = 0; // the status that ended the walk
    std::uint32_t attributes = 0;
    std::uint32_t decoded = 0;    // elements filled with ReadAttributeAt
    std::uint32_t attachments = 0;
    std::uint32_t lists = 0;      // property lists and recipient tables
    std::uint32_t rows = 0;
    std::uint32_t properties = 0;
    std::uint32_t namedProperties = 0;
    std::uint32_t values = 0;
    std::uint64_t keptValueBytes = 0;
    // FNV-1a over every data byte the elements kept, in walk order.
    std::uint64_t digest = 0xCBF29CE484222325ull;
    std::uint32_t copyMismatches = 0; // copies that differ from their source
    std::vector<WalkedAttribute> walked;
    std::vector<WalkedValue> valueList;
};

namespace walk_detail {

inline void Mix(std::uint64_t& digest, const std::uint8_t* bytes, std::uint32_t count)
{
    for (std::uint32_t i = 0; i < count; ++i) {
        digest = (digest ^ bytes[i]) * 0x100000001B3ull;
    }
}

inline bool SameBytes(const std::uint8_t* a, const std::uint8_t* b, std::uint32_t count)
{
    if (!a || !b) {
        return a == b;
    }
    return std::equal(a, a + count, b);
}

inline bool SameName(const char16_t* a, const char16_t* b)
{
    if (!a || !b) {
        return a == b;
    }
    for (; *a && *a == *b; ++a, ++b) {
    }
    return *a == *b;
}

inline bool CopiesFaithfully(const viewer::doc::model::PropertyElement& property)
{
    using namespace viewer::doc::document;
    using namespace viewer::doc::model;
    PropertyElement copy;
    if (!property.CopyTo(&copy)) {
        return false;
    }
    const NamedPropertyIdentity* a = property.Identity();
    const NamedPropertyIdentity* b = copy.Identity();
    if (copy.m_position != property.m_position || copy.m_tag != property.m_tag ||
        copy.m_valueCount != property.m_valueCount || copy.m_layout != property.m_layout ||
        (a == nullptr) != (b == nullptr)) {
        return false;
    }
    return !a || (a != b && a->kind == b->kind && a->id == b->id && SameBytes(a->guid, b->guid, 16) &&
                  SameName(a->name, b->name));
}

inline bool CopiesFaithfully(const viewer::doc::model::ValueElement& value)
{
    using namespace viewer::doc::document;
    using namespace viewer::doc::model;
    ValueElement copy(value.Kind());
    if (!value.CopyTo(&copy)) {
        return false;
    }
    return copy.m_position == value.m_position && copy.m_tag == value.m_tag &&
           copy.m_layout == value.m_layout && copy.m_size == value.m_size &&
           SameBytes(copy.Iid(), value.Iid(), 16) &&
           SameBytes(copy.Data(), value.Data(), value.DataLength()) &&
           copy.CurrentView() == value.CurrentView();
}

inline bool CopiesFaithfully(const viewer::doc::model::AttributeElement& attribute)
{
    using namespace viewer::doc::document;
    using namespace viewer::doc::model;
    AttributeElement copy(attribute.Kind());
    if (!attribute.CopyTo(&copy)) {
        return false;
    }
    if (copy.m_position != attribute.m_position || copy.m_length != attribute.m_length ||
        copy.m_identifier != attribute.m_identifier || copy.m_checksum != attribute.m_checksum ||
        copy.m_level != attribute.m_level || copy.KeptLength() > copy.Capacity()) {
        return false;
    }
    // Bytes follow only between buffers of the same capacity.
    return copy.Capacity() != attribute.Capacity() ||
           SameBytes(copy.Buffer(), attribute.Buffer(), attribute.Capacity());
}

inline platform::StatusCode Properties(viewer::doc::document::CEnvelonDoc& doc, std::uint32_t count,
                                       const WalkOptions& options, WalkSummary& summary)
{
    using namespace viewer::doc::document;
    using namespace viewer::doc::model;
    for (std::uint32_t i = 0; i < count; ++i) {
        PropertyElement property;
        platform::StatusCode status = doc.ReadProperty(&property);
        if (platform::Failed(status)) {
            return status;
        }
        ++summary.properties;
        if (options.copyElements && !CopiesFaithfully(property)) {
            ++summary.copyMismatches;
        }
        if (const NamedPropertyIdentity* identity = property.Identity()) {
            ++summary.namedProperties;
            Mix(summary.digest, identity->guid, 16);
            for (const char16_t* c = identity->name; c && *c; ++c) {
                const std::uint8_t unit[2] = {static_cast<std::uint8_t>(*c),
                                              static_cast<std::uint8_t>(*c >> 8)};
                Mix(summary.digest, unit, 2);
            }
        }
        for (std::uint32_t j = 0; j < property.m_valueCount; ++j) {
            ValueElement plain;
            status = doc.ReadValue(&property, &plain);
            if (platform::Failed(status)) {
                return status;
            }
            ValueElement special(ValueKind(plain));
            special.TakeOver(plain);
            ++summary.values;
            if (options.copyElements && !CopiesFaithfully(special)) {
                ++summary.copyMismatches;
            }
            if (special.Data()) {
                summary.keptValueBytes += special.DataLength();
                Mix(summary.digest, special.Data(), special.DataLength());
            }
            if (special.Iid()) {
                Mix(summary.digest, special.Iid(), 16);
            }
            if (options.keepPositions) {
                summary.valueList.push_back({special.m_position, special.m_tag, special.Kind(),
                                             special.m_size, special.Data() != nullptr});
            }
        }
    }
    return 0;
}

} // namespace walk_detail

inline WalkSummary WalkStream(viewer::doc::document::CEnvelonDoc& doc, const WalkOptions& options = {})
{
    using namespace viewer::doc::document;
    using namespace viewer::doc::model;
    WalkSummary summary;
    HeaderElement header;
    summary.end = doc.ReadHeader(&header);
    if (platform::Failed(summary.end)) {
        return summary;
    }
    summary.header = true;
    summary.validHeader = header.IsValid();

    AttributeElement attribute(ELEM_ATTRIBUTE);
    platform::StatusCode status = doc.ReadFirstAttribute(&attribute);
    while (platform::Succeeded(status)) {
        ++summary.attributes;
        if (CEnvelonDoc::StartsAttachment(attribute)) {
            ++summary.attachments;
        }
        WalkedAttribute walked{attribute.m_position, attribute.m_identifier, attribute.m_length,
                               attribute.m_checksum, 0};
        if (options.computeChecksums) {
            status = doc.ComputeChecksum(&attribute, &walked.computed);
            if (platform::Succeeded(status)) {
                status = doc.SkipAttribute(&attribute);
            }
            if (platform::Failed(status)) {
                break;
            }
        }
        if (options.keepPositions) {
            summary.walked.push_back(walked);
        }

        const std::uint32_t kind = viewer::doc::model::DecodedKind(attribute);
        if (kind == ELEM_PROPERTY_LIST || kind == ELEM_RECIPIENT_TABLE) {
            ListElement list(kind);
            if (doc.ReadPropertyListHeader(&attribute, &list) >= 0) {
                ++summary.lists;
                platform::StatusCode children = 0;
                if (kind == ELEM_RECIPIENT_TABLE) {
                    for (std::uint32_t row = 0; row < list.m_count && children >= 0; ++row) {
                        ListElement rowList(ELEM_PROPERTY_LIST);
                        children = doc.ReadRowHeader(&rowList);
                        if (children >= 0) {
                            ++summary.rows;
                            children = walk_detail::Properties(doc, rowList.m_count, options, summary);
                        }
                    }
                } else {
                    children = walk_detail::Properties(doc, list.m_count, options, summary);
                }
                if (children >= 0) {
                    static_cast<void>(doc.SkipAttribute(&attribute));
                }
            }
        } else if (kind != 0) {
            AttributeElement decoded(kind);
            if (doc.ReadAttributeAt(&attribute, &decoded) >= 0) {
                ++summary.decoded;
                walk_detail::Mix(summary.digest, decoded.Buffer(), decoded.Capacity());
                if (options.copyElements && !walk_detail::CopiesFaithfully(decoded)) {
                    ++summary.copyMismatches;
                }
            }
        }
        attribute.Reset();
        status = doc.ReadNextAttribute(&attribute);
    }
    summary.end = status;
    return summary;
}

} // namespace testing_support
