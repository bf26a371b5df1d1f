// Which element is made for a piece of the stream: the tree builds its nodes by these rules,
// and whatever else walks a stream the way the tree does asks the same ones.
#pragma once

#include <cstdint>

#include "viewer/doc/model/element.h"

namespace viewer::doc::model {

// Attributes whose data is text in the message's code page (attSubject, attBody, ...).
bool IsTextAttribute(std::uint32_t identifier);
// Attributes whose data is a 14-byte date (attDateSent, attAttachModifyDate, ...).
bool IsDateAttribute(std::uint32_t identifier);

// The element kind of an attribute record's decoded node: ELEM_ATTRIBUTE_DATA, ELEM_DATE,
// ELEM_RENDERING, ELEM_METAFILE, ELEM_ATTACH_DATA, ELEM_PROPERTY_LIST or
// ELEM_RECIPIENT_TABLE; 0 for a record that gets none.
std::uint32_t DecodedKind(const AttributeElement& record);

// The kind a value element becomes by its tag and interface identifier: the bodies, OLE
// objects, embedded messages and attachment data; ELEM_VALUE for any other value.
std::uint32_t ValueKind(const ValueElement& value);

} // namespace viewer::doc::model
