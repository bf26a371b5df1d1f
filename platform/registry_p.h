// What the registration store's API shares with the store's file handling.
#pragma once

#include <string>

#include "platform/status.h"

namespace platform {

// The store's whole text as it is now. A missing store, or one that cannot be read to its
// end, is E_FILE_NOT_FOUND; a store that cannot be opened or locked gives that failure.
[[nodiscard]] StatusCode ReadStoreText(std::string* text);

} // namespace platform
