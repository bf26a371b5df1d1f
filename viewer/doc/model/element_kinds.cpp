#include "viewer/doc/model/element_kinds.h"

#include <cstring>

#include "platform/com.h"

namespace viewer::doc::model {

namespace {

bool IsPlainAttribute(std::uint32_t identifier)
{
    switch (identifier) {
    case attNull:
    case attFrom:
    case attMessageStatus:
    case attPriority:
    case attAidOwner:
    case attRequestRes:
    case attOwner:
    case attSentFor:
    case attDelegate:
    case attTnefVersion:
    case attOemCodepage:
        return true;
    default:
        return false;
    }
}

bool SameIid(const std::uint8_t* iid, const platform::IID& known)
{
    const auto bytes = platform::GuidToBytes(known);
    return iid && std::memcmp(iid, bytes.data(), bytes.size()) == 0;
}

} // namespace

bool IsDateAttribute(std::uint32_t identifier)
{
    switch (identifier) {
    case attDateStart:
    case attDateEnd:
    case attDateSent:
    case attDateRecd:
    case attAttachCreateDate:
    case attAttachModifyDate:
    case attDateModified:
        return true;
    default:
        return false;
    }
}

bool IsTextAttribute(std::uint32_t identifier)
{
    switch (identifier) {
    case attSubject:
    case attMessageID:
    case attParentID:
    case attConversationID:
    case attBody:
    case attAttachTitle:
    case attAttachTransportFilename:
    case attMessageClass:
    case attOriginalMessageClass:
        return true;
    default:
        return false;
    }
}

std::uint32_t DecodedKind(const AttributeElement& record)
{
    const std::uint32_t id = record.m_identifier;
    if (IsTextAttribute(id) || IsPlainAttribute(id)) {
        return ELEM_ATTRIBUTE_DATA;
    }
    if (IsDateAttribute(id)) {
        return record.m_length == 14 ? ELEM_DATE : ELEM_ATTRIBUTE_DATA;
    }
    switch (id) {
    case attAttachRenddata:
        return record.m_length == 14 ? ELEM_RENDERING : ELEM_ATTRIBUTE_DATA;
    case attAttachMetaFile:
        return record.m_length <= kMaxMetafileLength ? ELEM_METAFILE : ELEM_ATTRIBUTE_DATA;
    case attAttachData:
        return ELEM_ATTACH_DATA;
    case attMAPIProps:
    case attAttachment:
        return ELEM_PROPERTY_LIST;
    case attRecipTable:
        return ELEM_RECIPIENT_TABLE;
    default:
        return 0;
    }
}

std::uint32_t ValueKind(const ValueElement& value)
{
    switch (value.m_tag) {
    case PR_RTF_COMPRESSED:
        return ELEM_COMPRESSED_RTF;
    case PR_BODY_HTML:
    case PR_BODY_HTML_A:
    case PR_BODY_HTML_W:
        return ELEM_HTML_BODY;
    case PR_ATTACH_DATA_OBJ:
        if (SameIid(value.Iid(), platform::IID_IStorage)) {
            return ELEM_OLE_OBJECT;
        }
        return SameIid(value.Iid(), platform::IID_IMessage) ? ELEM_EMBEDDED_MESSAGE : ELEM_VALUE;
    case PR_ATTACH_DATA_BIN:
        return ELEM_ATTACH_DATA_BIN;
    default:
        return ELEM_VALUE;
    }
}

} // namespace viewer::doc::model
