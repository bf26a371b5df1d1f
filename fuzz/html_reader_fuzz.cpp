// Any bytes as an HTML body, with the charset hints taken from the first byte: the parse and
// the text walk must hold for every tree libxml2's recovery makes.
#include <cstddef>
#include <cstdint>

#include "viewer/render/html/html_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace viewer::render::html;
    CharsetHints hints;
    if (size > 0) {
        static constexpr std::uint32_t kCodePages[] = {0, 65001, 1251, 932, 20866, 950, 1255, 0};
        hints.internetCodePage = kCodePages[data[0] & 7];
        hints.messageCodePage = kCodePages[(data[0] >> 3) & 7];
        hints.utf16 = (data[0] & 0x40) != 0;
    }
    const HtmlDocument doc = HtmlDocument::Parse({data, size}, hints);
    (void)HtmlText(doc);
    return 0;
}
