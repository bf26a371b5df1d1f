#include "viewer/doc/naming/strings.h"

#include <string_view>

#include "platform/format.h"

namespace viewer::doc::naming {

namespace {

struct Entry {
    std::uint32_t id;
    const char* text;
};

#define MIME_UNSUPPORTED_TEXT                                                                     \
    "Extraction of TNEF from SMTP mail is only supported on Windows 2000 and higher. Please "    \
    "extract the TNEF attachment manually. Refer to the online troubleshooting information "     \
    "available from corvane.example for more information."

constexpr Entry kStrings[] = {
    {IDS_APP_TITLE, "Corvane Envelon"},
    {IDS_OLE_INIT_FAILED, "OLE Library Initialization failed."},
    {IDS_COLUMN_TYPE, "Type"},
    {IDS_COLUMN_VALUE, "Value"},
    {IDS_COLUMN_DETAILS, "Details"},
    {IDS_CHECKSUM_OK, "Checksum OK. Computed value: %d"},
    {IDS_CHECKSUM_FAILED, "Checksum failed. Computed value: %d"},
    {IDS_OBJECT_WARNING, "Warning the embedded object may contain executable code containing "
                         "viruses. Do you want to continue opening?"},
    {IDS_OBJECT_OPEN_FAILED, "Failed on opening embedded object (error code %0#010X). Note that "
                             "this application does not support in-place activation."},
    {IDS_MAPI_INIT_FAILED,
     "Failed on initializing MAPI access (%0#010X). Make sure a MAPI client such as MS Outlook "
     "is installed and is set as the default mail client."},
    {IDS_MAPI_MESSAGE_FAILED, "Failed on processing MAPI message (%0#010X)."},
    {IDS_METAFILE_FAILED, "Failed on opening metafile data. (%0#010X)"},
    {IDS_RAW_DATA_FAILED, "Failed on opening raw TNEF data. (%0#010X)"},
    {IDS_MIME_EXTRACT_FAILED, "Failed on extracting TNEF from MIME file. (%0#010X)"},
    {IDS_RTF_BODY_FAILED, "Failed on openning rich text body data. (%0#010X)"},
    {IDS_MIME_UNSUPPORTED, MIME_UNSUPPORTED_TEXT},
    {IDS_HTML_BODY_FAILED, "Failed on openning HTML body data. (%0#010X)"},
    {IDS_ATTACHMENT_WARNING, "Warning mail attachments may contain executable code containing "
                             "viruses. Do you want to continue opening?"},
    {IDS_ATTACHMENT_OPEN_FAILED, "Failed on opening mail attachment (error code %0#010X). Try "
                                 "saving the file data to disk and open it from there."},
    {IDS_SAVE_FAILED, "Failed on saving data to disk. (%0#010X)"},
    {IDS_ATTACHMENT_REFUSED,
     "This attachment is a program or an installer, which is not opened from a mail. Do you "
     "want to save it to disk instead?"},
    {IDS_CHECKSUM_PROMPT, "Sum the attribute's data again and compare it with the stored "
                          "checksum.\nCalculate Checksum"},
    {IDS_SAVE_DATA_PROMPT, "Write the bytes of the item shown to a file.\nSave Data"},
    {IDS_OPEN_ATTACHMENT_PROMPT, "Open the attachment with its application, or an attached "
                                 "message in a window of its own.\nOpen Attachment"},
    {IDS_TOGGLE_TREE_PROMPT, "Show/Hide TNEF tree in the left pane.\nToggle TNEF Tree"},
    {IDS_HEX_VIEW_PROMPT, "Display raw hex data.\nHex View"},
    {IDS_RICH_VIEW_PROMPT, "Display rich data representation.\nRich View"},
    {IDS_TEXT_VIEW_PROMPT, "Display text data.\nText View"},
    {IDS_SAVE_BODY_PROMPT, "Write the body of the mail to a file.\nSave Mail Body"},
    {IDS_FRAME_TITLE, "Corvane Envelon"},
    {IDS_IDLE_MESSAGE, "Ready"},
    {IDS_FILE_OPEN_PROMPT, "Open a TNEF stream, a message file or a mail.\nOpen"},
    {IDS_FILE_CLOSE_PROMPT, "Close the window of this message.\nClose"},
    {IDS_RECENT_FILE_PROMPT, "Open this file again."},
    {IDS_RECENT_FILE_PROMPT + 1, "Open this file again."},
    {IDS_RECENT_FILE_PROMPT + 2, "Open this file again."},
    {IDS_RECENT_FILE_PROMPT + 3, "Open this file again."},
    {IDS_EDIT_COPY_PROMPT, "Put the selection on the clipboard.\nCopy"},
    {IDS_EDIT_CUT_PROMPT, "Move the selection to the clipboard.\nCut"},
    {IDS_EDIT_PASTE_PROMPT, "Insert what the clipboard holds.\nPaste"},
    {IDS_EDIT_UNDO_PROMPT, "Take back the last change.\nUndo"},
    {IDS_WINDOW_CASCADE_PROMPT, "Lay the message windows over one another.\nCascade"},
    {IDS_WINDOW_TILE_PROMPT, "Lay the message windows side by side.\nTile"},
    {IDS_WINDOW_SPLIT_PROMPT, "Move the divider between the tree and the right pane.\nSplit"},
    {IDS_APP_ABOUT_PROMPT, "Show the version of the program and who makes it.\nAbout"},
    {IDS_APP_EXIT_PROMPT, "Close every window and end the program.\nExit"},
    {IDS_NEXT_PANE_PROMPT, "Move the focus to the other pane.\nNext Pane"},
    {IDS_PREV_PANE_PROMPT, "Move the focus back to the other pane.\nPrevious Pane"},
    {IDS_VIEW_TOOLBAR_PROMPT, "Show the toolbar or hide it.\nToolbar"},
    {IDS_VIEW_STATUS_BAR_PROMPT, "Show the status bar or hide it.\nStatus Bar"},
    {IDS_INDICATOR_CAPS, "CAP"},
    {IDS_INDICATOR_NUM, "NUM"},
    {IDS_INDICATOR_SCROLL, "SCRL"},
    {IDS_DETAILS_PROMPT,
     "Displays detailed information about each item in the window.\nDetails"},
    {IDS_OPEN_TITLE, "Open"},
    {IDS_ALL_FILES_FILTER, "All Files (*.*)"},
    {IDS_OPEN_FAILED, "Failed to open document."},
};

#undef MIME_UNSUPPORTED_TEXT

} // namespace

const char* LoadString(std::uint32_t id)
{
    for (const Entry& entry : kStrings) {
        if (entry.id == id) {
            return entry.text;
        }
    }
    return "";
}

// The table's formats are fixed texts with exactly one conversion each; they are passed to
// snprintf from this table only, never from outside data.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#pragma GCC diagnostic ignored "-Wformat-security"
std::string FormatStatusString(std::uint32_t id, platform::StatusCode status)
{
    return platform::Format(LoadString(id), static_cast<unsigned>(status));
}

std::string FormatNumberString(std::uint32_t id, unsigned number)
{
    return platform::Format(LoadString(id), number);
}
#pragma GCC diagnostic pop

std::string InternalErrorText()
{
    return std::string("Internal application error. Please contact ") + kSupportAddress;
}

std::string CommandPrompt(std::uint32_t id)
{
    const std::string_view text = LoadString(id);
    return std::string(text.substr(0, text.find('\n')));
}

std::string CommandTooltip(std::uint32_t id)
{
    const std::string_view text = LoadString(id);
    const auto newline = text.find('\n');
    return newline == std::string_view::npos ? std::string() : std::string(text.substr(newline + 1));
}

} // namespace viewer::doc::naming
