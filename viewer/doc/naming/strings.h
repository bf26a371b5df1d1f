// The viewer's string table: every text the viewer shows, keyed by its string identifier.
#pragma once

#include <cstdint>
#include <string>

#include "platform/status.h"

namespace viewer::doc::naming {

enum StringId : std::uint32_t {
    IDS_APP_TITLE = 128,
    IDS_OLE_INIT_FAILED = 130,
    IDS_COLUMN_TYPE = 512,
    IDS_COLUMN_VALUE = 513,
    IDS_COLUMN_DETAILS = 514,
    IDS_CHECKSUM_OK = 515,
    IDS_CHECKSUM_FAILED = 516,
    IDS_OBJECT_WARNING = 517,
    IDS_OBJECT_OPEN_FAILED = 518,
    IDS_MAPI_INIT_FAILED = 519,
    IDS_MAPI_MESSAGE_FAILED = 520,
    IDS_METAFILE_FAILED = 521,
    IDS_RAW_DATA_FAILED = 522,
    IDS_MIME_EXTRACT_FAILED = 526,
    IDS_RTF_BODY_FAILED = 527,
    IDS_MIME_UNSUPPORTED = 530,
    IDS_HTML_BODY_FAILED = 531,
    IDS_ATTACHMENT_WARNING = 532,
    IDS_ATTACHMENT_OPEN_FAILED = 533,
    IDS_SAVE_FAILED = 534,
    IDS_ATTACHMENT_REFUSED = 535,
    IDS_CHECKSUM_PROMPT = 32771,
    IDS_SAVE_DATA_PROMPT = 32772,
    IDS_OPEN_ATTACHMENT_PROMPT = 32773,
    IDS_TOGGLE_TREE_PROMPT = 32775,
    IDS_HEX_VIEW_PROMPT = 32776,
    IDS_RICH_VIEW_PROMPT = 32777,
    IDS_TEXT_VIEW_PROMPT = 32781,
    IDS_SAVE_BODY_PROMPT = 32793,
    IDS_FRAME_TITLE = 57344,
    IDS_IDLE_MESSAGE = 57345,
    IDS_FILE_OPEN_PROMPT = 57601,
    IDS_FILE_CLOSE_PROMPT = 57602,
    IDS_RECENT_FILE_PROMPT = 57616, // through 57619, one per entry
    IDS_EDIT_COPY_PROMPT = 57634,
    IDS_EDIT_CUT_PROMPT = 57635,
    IDS_EDIT_PASTE_PROMPT = 57637,
    IDS_EDIT_UNDO_PROMPT = 57643,
    IDS_WINDOW_CASCADE_PROMPT = 57650,
    IDS_WINDOW_TILE_PROMPT = 57651,
    IDS_WINDOW_SPLIT_PROMPT = 57653,
    IDS_APP_ABOUT_PROMPT = 57664,
    IDS_APP_EXIT_PROMPT = 57665,
    IDS_NEXT_PANE_PROMPT = 57680,
    IDS_PREV_PANE_PROMPT = 57681,
    IDS_VIEW_TOOLBAR_PROMPT = 59392,
    IDS_VIEW_STATUS_BAR_PROMPT = 59393,
    IDS_INDICATOR_CAPS = 59137,
    IDS_INDICATOR_NUM = 59138,
    IDS_INDICATOR_SCROLL = 59139,
    IDS_DETAILS_PROMPT = 59411,
    IDS_OPEN_TITLE = 61440,
    IDS_ALL_FILES_FILTER = 61442,
    IDS_OPEN_FAILED = 61697,
};

// The maker's web domain, in the settings key and in message 530.
inline constexpr const char* kMakerDomain = "corvane.example";
// Where the internal-error message sends the user.
inline constexpr const char* kSupportAddress = "support@corvane.example";

// The text of a string identifier; the empty string for an identifier without one.
const char* LoadString(std::uint32_t id);

// A string whose one conversion is a status code ("%0#010X").
std::string FormatStatusString(std::uint32_t id, platform::StatusCode status);

// A string whose one conversion is an unsigned number ("%d" of the design, as unsigned).
std::string FormatNumberString(std::uint32_t id, unsigned number);

// "Internal application error. Please contact <support address>".
std::string InternalErrorText();

// The first line of a command's string: its status-bar prompt; the second: its tooltip.
std::string CommandPrompt(std::uint32_t id);
std::string CommandTooltip(std::uint32_t id);

} // namespace viewer::doc::naming
