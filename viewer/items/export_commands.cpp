#include "viewer/items/export_commands.h"

#include "format/mapi.h"
#include "platform/file_io.h"
#include "platform/files.h"
#include "platform/output_file.h"
#include "viewer/doc/document/envelon_doc.h"
#include "viewer/items/document_message.h"
#include "viewer/items/item_export.h"

namespace viewer::items {

using platform::StatusCode;

ExportSource::ExportSource(doc::document::CEnvelonDoc& document, const doc::tree::Tree& tree,
                           const doc::tree::TreeIndex& index, TagoraHandle dictionary)
    : m_document(document), m_tree(tree), m_index(index), m_dictionary(dictionary)
{
}

StatusCode ExportSource::Read(const doc::model::ElementRef* shown, bool bodyText, Message& message)
{
    if (IsEmbeddedMessage(shown)) {
        return ReadEmbeddedMessage(m_document, *shown, m_dictionary, message, bodyText);
    }
    return ReadDocumentMessage(m_document, m_tree, m_index, message, bodyText);
}

const Message* ExportSource::MessageFor(const doc::model::ElementRef* shown)
{
    if (IsEmbeddedMessage(shown)) {
        if (shown != m_embeddedElement) {
            m_embeddedElement = shown;
            m_embedded.emplace();
            std::uint64_t offset = 0;
            std::uint32_t size = 0;
            if (platform::Failed(m_document.GetElementRange(shown, &offset, &size)) ||
                size > kMaxEmbeddedBytesForEnabling ||
                platform::Failed(Read(shown, false, *m_embedded))) {
                m_embedded.reset();
            }
        }
        return m_embedded ? &*m_embedded : nullptr;
    }
    if (!m_own) {
        Message own;
        m_own.emplace(platform::Succeeded(Read(nullptr, false, own))
                          ? std::optional<Message>(std::move(own))
                          : std::nullopt);
    }
    return *m_own ? &**m_own : nullptr;
}

StatusCode ExportSource::ReadForExport(const doc::model::ElementRef* shown, Message& message)
{
    return Read(shown, true, message);
}

doc::frame::CommandState QueryExportState(std::uint32_t command, const Message* message)
{
    if (command != ID_FILE_EXPORT_ICALENDAR && command != ID_FILE_EXPORT_VCARD) {
        return {};
    }
    const ExportFormat wanted =
        command == ID_FILE_EXPORT_ICALENDAR ? ExportFormat::Calendar : ExportFormat::Card;
    return {true, message && ExportFormatOf(*message) == wanted, false};
}

doc::frame::SaveDialogPlan PlanExport(const Message& message)
{
    const PropertyReader props(message.properties, message.codePage);
    std::string name = props.Text(::format::PR_SUBJECT).value_or("");
    if (name.empty()) {
        name = props.Text(::format::PR_DISPLAY_NAME).value_or("item");
    }
    return doc::frame::PlanSaveData(name + std::string(FileExtensionOf(ExportFormatOf(message))));
}

StatusCode WriteExport(const Message& message, const std::string& path,
                       const ExportOptions& options)
{
    const std::optional<std::string> text = ExportItem(message, options);
    if (!text) {
        return platform::E_INVALIDARG;
    }
    platform::OutputFile file;
    StatusCode status = file.Open(path);
    if (platform::Succeeded(status)) {
        status = platform::WriteAll(file.Fd(), *text);
    }
    return platform::Succeeded(status) ? file.Commit() : status;
}

} // namespace viewer::items
