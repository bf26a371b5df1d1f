#include "viewer/doc/panes/details_rows.h"

#include <algorithm>

#include "format/little_endian.h"
#include "platform/format.h"
#include "platform/text.h"
#include "platform/text_safety.h"
#include "viewer/doc/model/element.h"
#include "viewer/doc/naming/naming.h"
#include "viewer/doc/naming/strings.h"

namespace viewer::doc::panes {

using namespace viewer::doc::model;
using namespace viewer::doc::naming;

namespace {

const char* TrueFalse(bool value) { return value ? "TRUE" : "FALSE"; }

class TableWriter {
public:
    explicit TableWriter(DetailsTable& table) : m_table(table) {}

    void Columns(std::size_t count)
    {
        static constexpr std::uint32_t kHeadings[] = {IDS_COLUMN_TYPE, IDS_COLUMN_VALUE,
                                                      IDS_COLUMN_DETAILS};
        for (std::size_t i = 0; i < count; ++i) {
            m_table.columns.emplace_back(LoadString(kHeadings[i]));
        }
    }
    void Row(std::string label, std::string value, std::string details = {})
    {
        std::vector<std::string> row;
        row.push_back(std::move(label));
        row.push_back(platform::EscapeForDisplay(value));
        if (m_table.columns.size() > 2) {
            row.push_back(platform::EscapeForDisplay(details));
        }
        m_table.rows.push_back(std::move(row));
    }

private:
    DetailsTable& m_table;
};

void AttributeDataRows(TableWriter& out, const AttributeElement& attribute)
{
    out.Columns(2);
    const std::uint32_t kept = attribute.KeptLength();
    out.Row("String", FormatBytes(kBytesPrintable, attribute.Buffer(), kept));
    out.Row("Hex", FormatBytes(kBytesHex, attribute.Buffer(), kept));
}

void DateRows(TableWriter& out, const AttributeElement& attribute)
{
    out.Columns(2);
    static constexpr const char* kLabels[] = {"Year",   "Month",  "Day",        "Hour",
                                              "Minute", "Second", "Day of week"};
    const std::uint8_t* bytes = attribute.Buffer();
    const bool whole = bytes && attribute.KeptLength() >= 14;
    for (std::size_t i = 0; i < 7; ++i) {
        const int field = whole ? format::LoadLe16(bytes + 2 * i) : 0;
        out.Row(kLabels[i], platform::Format("%d", field));
    }
}

void RenderingRows(TableWriter& out, const AttributeElement& attribute)
{
    out.Columns(2);
    const std::uint8_t* bytes = attribute.Buffer();
    const std::uint32_t kept = attribute.KeptLength();
    const bool whole = bytes && kept >= 14;
    out.Row("Type", RenderingTypeNameOfData(bytes, kept));
    out.Row("Position", platform::Format("%u", whole ? format::LoadLe32(bytes + 2) : 0u));
    out.Row("Width", platform::Format("%u", whole ? unsigned{format::LoadLe16(bytes + 6)} : 0u));
    out.Row("Height", platform::Format("%u", whole ? unsigned{format::LoadLe16(bytes + 8)} : 0u));
    out.Row("Flags", platform::Format("%u", whole ? format::LoadLe32(bytes + 10) : 0u));
}

void PropertyRows(TableWriter& out, const PropertyElement& property, TagoraHandle dictionary)
{
    out.Columns(3);
    const std::uint32_t tag = property.m_tag;
    const NamedPropertyIdentity* identity = property.Identity();
    out.Row("Property-Tag", platform::Format("%#010X", tag), PropertyCaption(dictionary, tag));
    out.Row("Property-Type", platform::Format("%#06X", PROP_TYPE(tag)), PropertyTypeName(tag));
    out.Row("Property-ID", platform::Format("%#06X", PROP_ID(tag)), IdentifierRangeText(tag));
    out.Row("Multi valued", TrueFalse(IsMultiValued(tag)));
    out.Row("Total Values", platform::Format("%d", static_cast<int>(property.m_valueCount)));
    out.Row("Named-Property", TrueFalse(identity != nullptr));
    if (identity) {
        out.Row("Named-Property GUID", FormatGuid(identity->guid));
        out.Row("Named-Property Kind", platform::Format("%d", static_cast<int>(identity->kind)),
                NamedPropertyKindText(true, identity->kind));
        out.Row("Named-Property name",
                NamedPropertyNameText(true, identity->kind, identity->id, identity->name));
    }
}

void ValueRows(TableWriter& out, const ValueElement& value, TagoraHandle dictionary,
               std::uint32_t codePage)
{
    out.Columns(3);
    const std::uint32_t tag = value.m_tag;
    const std::uint8_t* data = value.Data();
    const std::uint32_t length = data ? value.DataLength() : 0;

    std::string tagDetails;
    if ((tag == PR_MESSAGE_FLAGS || tag == PR_ATTACH_METHOD) && length >= 4) {
        const std::uint32_t number = format::LoadLe32(data);
        tagDetails = tag == PR_MESSAGE_FLAGS ? MessageFlagsText(number) : AttachmentMethodText(number);
    }
    out.Row("Property-Tag", PropertyCaption(dictionary, tag), tagDetails);
    out.Row("Value size", platform::Format("%d", static_cast<int>(value.m_size)));
    out.Row("Value GUID", value.Iid() ? FormatGuid(value.Iid()) : std::string(),
            value.Iid() ? InterfaceIdentifierName(value.Iid()) : std::string());

    std::string text = FormatValueText(tag, data, length);
    if ((PROP_TYPE(tag) & ~MV_FLAG) == PT_STRING8) {
        text = platform::DecodeCodePage(text, codePage);
    }
    if (!text.empty()) {
        out.Row("Value data", text);
    } else if (!data || value.m_size == 0) {
        // Only data beyond what a value keeps is "too large"; an empty value has none.
        out.Row("Value data", value.DataLength() > kMaxKeptValueBytes ? "(too large)" : "(no data )");
    } else {
        out.Row("Value String", FormatBytes(kBytesPrintable, data, length));
        out.Row("Value Hex", FormatBytes(kBytesHex, data, length));
    }
}

} // namespace

DetailsTable BuildDetailsTable(const ElementRef* element, TagoraHandle dictionary,
                               std::uint32_t codePage)
{
    DetailsTable table;
    if (!element) {
        return table;
    }
    TableWriter out(table);
    switch (element->Kind()) {
    case ELEM_HEADER: {
        const auto& header = static_cast<const HeaderElement&>(*element);
        out.Columns(2);
        out.Row("Signature", platform::Format("%#010X", header.m_signature));
        out.Row("Key", platform::Format("%d", header.m_key));
        break;
    }
    case ELEM_ATTRIBUTE: {
        const auto& attribute = static_cast<const AttributeElement&>(*element);
        out.Columns(3);
        out.Row("LVL", platform::Format("%d", attribute.m_level), LevelName(attribute.m_level));
        out.Row("attribute", platform::Format("%#010X", attribute.m_identifier),
                AttributeIdentifierName(attribute.m_identifier));
        out.Row("Checksum", platform::Format("%u", unsigned{attribute.m_checksum}));
        out.Row("Size", platform::Format("%u", attribute.m_length));
        break;
    }
    case ELEM_ATTRIBUTE_DATA:
    case ELEM_METAFILE:
    case ELEM_ATTACH_DATA:
        AttributeDataRows(out, static_cast<const AttributeElement&>(*element));
        break;
    case ELEM_DATE:
        DateRows(out, static_cast<const AttributeElement&>(*element));
        break;
    case ELEM_RENDERING:
        RenderingRows(out, static_cast<const AttributeElement&>(*element));
        break;
    case ELEM_RECIPIENT_TABLE:
    case ELEM_PROPERTY_LIST:
        out.Columns(2);
        out.Row("Total Items",
                platform::Format("%u", static_cast<const ListElement&>(*element).m_count));
        break;
    case ELEM_PROPERTY:
        PropertyRows(out, static_cast<const PropertyElement&>(*element), dictionary);
        break;
    default:
        if (IsValueKind(element->Kind())) {
            ValueRows(out, static_cast<const ValueElement&>(*element), dictionary, codePage);
        }
        break;
    }
    return table;
}

void ColumnWidths::Store(const std::vector<int>& current)
{
    for (std::size_t i = 0; i < std::min(current.size(), kCount); ++i) {
        m_widths[i] = current[i];
    }
}

void ColumnWidths::Set(std::size_t column, int width)
{
    if (column < kCount) {
        m_widths[column] = width;
    }
}

void DetailsPaneState::TakeOver(const DetailsPaneState& previous,
                                const std::vector<int>& previousCurrentWidths)
{
    displayMode = previous.displayMode;
    element = previous.element;
    widths = previous.widths;
    widths.Store(previousCurrentWidths);
}

} // namespace viewer::doc::panes
