// Messages to the person as message boxes: the icon and buttons asked for, parented to the
// active window, the text always plain (it may carry a subject or a name from a mail).
#pragma once

#include "viewer/doc/document/message_sink.h"

namespace viewer::ui {

class QtMessageSink final : public viewer::doc::document::MessageSink {
public:
    viewer::doc::document::MessageAnswer
    Show(const std::string& text, viewer::doc::document::MessageIcon icon,
         viewer::doc::document::MessageButtons buttons) override;
};

} // namespace viewer::ui
