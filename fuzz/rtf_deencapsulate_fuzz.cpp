// Any bytes as an RTF body that may wrap HTML or text: wrapped HTML comes out as ASCII, with
// every other character as a reference, and wrapped text as valid UTF-8.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "platform/text.h"
#include "viewer/render/richtext/deencapsulate.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace viewer::render::richtext;
    const auto wrapped = Deencapsulate({data, size});
    if (!wrapped) {
        return 0;
    }
    if (wrapped->kind == Encapsulation::Html) {
        for (const char c : wrapped->content) {
            if (static_cast<unsigned char>(c) >= 0x80) {
                std::abort();
            }
        }
    } else if (platform::Utf16ToUtf8(platform::Utf8ToUtf16(wrapped->content)) != wrapped->content) {
        std::abort(); // not valid UTF-8: the round trip would have changed it
    }
    return 0;
}
