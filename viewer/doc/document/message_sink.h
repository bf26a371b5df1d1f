// Messages to the user. The viewer shows them as message boxes, the command-line tool
// writes them to stderr, and tests record them.
#pragma once

#include <string>
#include <vector>

namespace viewer::doc::document {

enum class MessageIcon { Error, Warning, Information };
enum class MessageButtons { Ok, OkCancel, YesNo };
enum class MessageAnswer { Ok, Cancel, Yes, No };

class MessageSink {
public:
    virtual ~MessageSink() = default;
    virtual MessageAnswer Show(const std::string& text, MessageIcon icon,
                               MessageButtons buttons) = 0;
};

// Keeps every message and answers with a preset answer: for tests.
class RecordingMessageSink final : public MessageSink {
public:
    struct Message {
        std::string text;
        MessageIcon icon;
        MessageButtons buttons;
    };

    explicit RecordingMessageSink(MessageAnswer answer = MessageAnswer::Ok) : m_answer(answer) {}

    MessageAnswer Show(const std::string& text, MessageIcon icon, MessageButtons buttons) override
    {
        m_messages.push_back({text, icon, buttons});
        return m_answer;
    }

    const std::vector<Message>& Messages() const { return m_messages; }
    void Clear() { m_messages.clear(); }

private:
    MessageAnswer m_answer;
    std::vector<Message> m_messages;
};

} // namespace viewer::doc::document
