// File > Export as iCalendar... and Export as vCard... of a document window, kept out of the
// widgets: their identifiers, the message they work on, when each is enabled, the save
// dialog they propose and the file they write. pallion-cli's export writes the same file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "dictionary/include/tagora.h"
#include "platform/status.h"
#include "viewer/doc/frame/commands.h"
#include "viewer/doc/frame/tool_commands.h"
#include "viewer/items/icalendar.h"
#include "viewer/items/message.h"

namespace viewer::doc::tree {
class Tree;
class TreeIndex;
} // namespace viewer::doc::tree

namespace viewer::items {

inline constexpr std::uint32_t ID_FILE_EXPORT_ICALENDAR = 32801;
inline constexpr std::uint32_t ID_FILE_EXPORT_VCARD = 32802;

// An embedded message larger than this is not copied out to find its class while it is
// merely shown (the interface would stall on every such selection): the commands stay off
// for it, and Open Attachment opens it as a document that exports itself.
inline constexpr std::uint32_t kMaxEmbeddedBytesForEnabling = 16u << 20;

// The message the commands work on in one document window: the embedded message of the
// element shown when it is one, else the document's own. Enabling asks at every refresh, so
// each is read once, without its body's text: the document's for the window's life, an
// embedded one while it stays shown. An export reads its message again, whole.
class ExportSource {
  public:
    ExportSource(doc::document::CEnvelonDoc& document, const doc::tree::Tree& tree,
                 const doc::tree::TreeIndex& index, TagoraHandle dictionary);

    // The message for the element shown (null for none); null when it cannot be read.
    [[nodiscard]] const Message* MessageFor(const doc::model::ElementRef* shown);
    // The whole message for an export.
    [[nodiscard]] platform::StatusCode ReadForExport(const doc::model::ElementRef* shown,
                                                     Message& message);

  private:
    [[nodiscard]] platform::StatusCode Read(const doc::model::ElementRef* shown, bool bodyText,
                                            Message& message);

    doc::document::CEnvelonDoc& m_document;
    const doc::tree::Tree& m_tree;
    const doc::tree::TreeIndex& m_index;
    TagoraHandle m_dictionary;
    std::optional<std::optional<Message>> m_own;
    const doc::model::ElementRef* m_embeddedElement = nullptr;
    std::optional<Message> m_embedded;
};

// Both commands are the window's; each is enabled for a message that exports to its format.
[[nodiscard]] doc::frame::CommandState QueryExportState(std::uint32_t command,
                                                        const Message* message);

// The save dialog: the subject as a file name with the format's extension.
[[nodiscard]] doc::frame::SaveDialogPlan PlanExport(const Message& message);

// Writes the message's iCalendar object or vCard to `path`, created or emptied first;
// E_INVALIDARG for a message with nothing to export.
[[nodiscard]] platform::StatusCode WriteExport(const Message& message, const std::string& path,
                                               const ExportOptions& options = {});

} // namespace viewer::items
