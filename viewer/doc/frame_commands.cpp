// The commands of the document window that read or write the document's stream. Kept apart
// from the decisions in frame_logic.cpp, which need no document.
#include "viewer/doc/frame_logic.h"

#include "viewer/doc/element.h"
#include "viewer/doc/envelon_doc.h"

namespace viewer::doc {

using platform::StatusCode;

void CalculateChecksum(CEnvelonDoc& document, const ElementRef* element, MessageSink& sink)
{
    if (!element || !element->SupportsAction(ACTION_CHECKSUM)) {
        return;
    }
    const auto* attribute = dynamic_cast<const AttributeElement*>(element);
    if (!attribute) {
        return;
    }
    std::uint16_t sum = 0;
    const StatusCode status = document.ComputeChecksum(attribute, &sum);
    if (const auto message = ChecksumOutcome(status, sum, attribute->m_checksum)) {
        sink.Show(message->text, message->icon, MessageButtons::Ok);
    }
}

StatusCode SaveMailBody(CEnvelonDoc& document, const MailBody& body, const std::string& path)
{
    switch (PlanSaveMailBody(body).write) {
    case BodyWrite::ExtractRtf:
        return document.ExtractRtfBody(body.element, path.c_str());
    case BodyWrite::WriteData:
        return document.WriteElementData(body.element, path.c_str());
    case BodyWrite::None:
        break;
    }
    return platform::E_INVALIDARG;
}

} // namespace viewer::doc
