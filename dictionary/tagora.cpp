// The exported entry points of the dictionary library. No exception leaves them.
#include "dictionary/include/tagora.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "dictionary/dictionary_p.h"

// What a TagoraHandle points at.
struct TagoraDictionary {
    tagora::Dictionary names;
};

extern "C" {

TAGORA_API int32_t TagoraInit(TagoraHandle* handle)
{
    if (handle == nullptr) {
        return 0;
    }
    try {
        *handle = new TagoraDictionary{};
        return 1;
    } catch (...) {
        // Out of memory while filling: the half-built maps are already destroyed.
        return 0;
    }
}

TAGORA_API int32_t TagoraClose(TagoraHandle handle)
{
    if (handle == nullptr) {
        return 0;
    }
    delete handle;
    return 1;
}

TAGORA_API int32_t TagoraGet(TagoraHandle handle, uint32_t tag, char* buffer, uint32_t length)
{
    if (handle == nullptr || buffer == nullptr || length == 0) {
        return 0;
    }
    const std::string* name = handle->names.Find(tag);
    if (name == nullptr) {
        return 0;
    }
    // Bounded copy: zero bytes after a shorter name, no terminator when the name fills the
    // buffer.
    const std::size_t copied = std::min<std::size_t>(name->size(), length);
    std::memcpy(buffer, name->data(), copied);
    std::memset(buffer + copied, 0, length - copied);
    return 1;
}

} // extern "C"
