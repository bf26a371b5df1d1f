// Reads the entries of a font table (\fonttbl). Shared by the reader and the
// de-encapsulator, which both need each font's code page.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "viewer/render/richtext/rich_document.h"
#include "viewer/render/richtext/rtf_keywords_p.h"

namespace viewer::render::richtext {

// One entry at a time: "\fN \fswiss \fcharsetN \cpgN \fprqN name;", as a group of its own
// or one after another in the table's group. The caller feeds the entry's control words and
// decoded name, and commits it at ';', at the next \fN, or at the end of its group.
class FontEntryReader {
  public:
    // Acts on a control word of the table; \fN begins a new entry (commit the open one
    // first).
    void Word(Kw kw, std::int32_t parameter);
    [[nodiscard]] bool Open() const { return m_open; }
    // Where the entry's decoded name goes; capped, so a hostile table cannot grow it.
    [[nodiscard]] std::string& Name();
    // The code page the name's bytes are written in.
    [[nodiscard]] std::uint32_t NameCodePage(std::uint32_t documentCodePage) const;
    // Ends the open entry: the font with its trimmed name and code page.
    [[nodiscard]] std::optional<Font> Commit(std::uint32_t documentCodePage);

  private:
    Font m_font;
    std::int32_t m_cpg = 0;
    bool m_open = false;
    std::string m_name;
    std::string m_overflow;
};

} // namespace viewer::render::richtext
