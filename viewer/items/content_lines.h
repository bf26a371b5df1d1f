// The content lines of iCalendar (RFC 5545) and vCard (RFC 6350): "NAME;PARAM=VALUE:value",
// ended by CRLF, folded so that no physical line exceeds 75 octets, never inside a UTF-8
// character. Text from a message is cleaned on the way in: invalid UTF-8 becomes U+FFFD,
// control characters other than tab and line ends are dropped, and escaping keeps every
// text inside its own property, whatever it holds.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace viewer::items {

class ContentLines;

// One property being written: parameters first, then exactly one value call.
class ContentLine {
  public:
    ContentLine(ContentLines& owner, std::string_view name);
    ContentLine(const ContentLine&) = delete;
    ContentLine& operator=(const ContentLine&) = delete;

    // A parameter whose value is quoted when it holds ';', ':' or ',', with the caret
    // escapes of RFC 6868 for '^', '"' and line ends.
    ContentLine& Param(std::string_view name, std::string_view value);
    // A parameter whose comma-separated values are our own tokens ("work,voice"), as is.
    ContentLine& ParamList(std::string_view name, std::string_view tokens);

    // Ends the line with a value already in its property's syntax (a date, a number, a
    // recurrence rule, a URI we built).
    void Raw(std::string_view value);
    // Ends the line with a TEXT value, escaped.
    void Text(std::string_view text);
    // Ends the line with structured TEXT (N, ADR, ORG): each part escaped, joined by ';'.
    void Parts(const std::vector<std::string>& parts);
    // Ends the line with a list of TEXT values (CATEGORIES): each escaped, joined by ','.
    void List(const std::vector<std::string>& values);

  private:
    ContentLines& m_owner;
    std::string m_line;
};

class ContentLines {
  public:
    ContentLine Property(std::string_view name) { return ContentLine(*this, name); }
    void Raw(std::string_view name, std::string_view value) { Property(name).Raw(value); }
    void Text(std::string_view name, std::string_view text) { Property(name).Text(text); }
    void Begin(std::string_view component) { Raw("BEGIN", component); }
    void End(std::string_view component) { Raw("END", component); }

    [[nodiscard]] const std::string& Output() const { return m_out; }

  private:
    friend class ContentLine;
    // Appends one logical line, folded, with CRLF.
    void Emit(std::string_view line);

    std::string m_out;
};

// Valid UTF-8 without control characters other than tab and '\n' (CRLF and CR become '\n').
[[nodiscard]] std::string CleanText(std::string_view text);
// A TEXT value: '\\', ';', ',' and line ends escaped.
[[nodiscard]] std::string EscapeText(std::string_view text);
// Text for a URI value: every byte but letters, digits and the characters in `keep`
// percent-encoded (RFC 3986), so that nothing in it reads as syntax of the content line.
[[nodiscard]] std::string PercentEncode(std::string_view text, std::string_view keep);

} // namespace viewer::items
