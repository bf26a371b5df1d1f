// A contact as a vCard 4.0 (RFC 6350): names, organisation, e-mail addresses 1 to 3,
// telephone numbers by kind, the home, business and other postal addresses, web pages,
// birthday and anniversary, notes, categories and the contact picture.
#pragma once

#include <string>

#include "viewer/items/message.h"

namespace viewer::items {

// A contact picture larger than this is left out of the card.
inline constexpr std::size_t kMaxPhotoBytes = 8 * 1024 * 1024;

[[nodiscard]] std::string WriteCard(const Message& message);

} // namespace viewer::items
