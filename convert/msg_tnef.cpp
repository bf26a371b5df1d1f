#include "convert/msg_tnef.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

#include "convert/mapi_defs.h"
#include "convert/mapi_memory.h"
#include "convert/message_on_storage.h"
#include "convert/storage.h"
#include "convert/stream_on_file.h"
#include "convert/tnef_encoder.h"
#include "platform/com_ptr.h"
#include "platform/files.h"
#include "platform/private_temp.h"
#include "platform/text.h"

namespace ferrule {

using platform::ComPtr;
using platform::E_FAIL;
using platform::S_OK;

namespace {

// Create, read and write, no sharing.
constexpr std::uint32_t kOutputMode =
    platform::STGM_CREATE | platform::STGM_READWRITE | platform::STGM_SHARE_EXCLUSIVE;
// The tick count runs through every 32-bit value; a folder holding this many of our names
// in a row is not one to keep trying in.
constexpr std::uint32_t kMaxNameTries = 0x10000;

struct MapiBufferDeleter {
    void operator()(void* buffer) const { MAPIFreeBuffer(buffer); }
};

} // namespace

StatusCode EncodeMessage(platform::IStream* stream, Message* message, unsigned depth)
{
    TnefEncoder* rawEncoder = nullptr;
    StatusCode status = OpenTnefStreamEx(nullptr, stream, "MAPIDATA.DAT", TNEF_ENCODE, message,
                                         kTnefKey, nullptr, &rawEncoder);
    if (platform::Failed(status)) {
        return status;
    }
    const ComPtr<TnefEncoder> encoder = ComPtr<TnefEncoder>::Adopt(rawEncoder);
    encoder->SetNestingDepth(depth);

    SPropTagArray* rawTags = nullptr;
    status = message->GetPropList(0, &rawTags);
    if (platform::Failed(status)) {
        return status;
    }
    const std::unique_ptr<SPropTagArray, MapiBufferDeleter> tags(rawTags);

    // Keep in place, in order, the tags to exclude.
    std::uint32_t kept = 0;
    for (std::uint32_t i = 0; i < tags->cValues; ++i) {
        const std::uint32_t tag = tags->aulPropTag()[i];
        if (IsExcludedFromTnef(tag)) {
            tags->aulPropTag()[kept++] = tag;
        }
    }
    tags->cValues = kept;

    status = encoder->AddProps(TNEF_PROP_EXCLUDE, 0, nullptr, tags.get());
    if (platform::Failed(status)) {
        return status;
    }
    std::uint16_t key = 0;
    STnefProblemArray* problems = nullptr;
    status = encoder->Finish(0, &key, &problems);
    if (platform::Failed(status)) {
        return status;
    }
    MAPIFreeBuffer(problems);
    return stream->Commit(0);
}

bool IsExcludedFromTnef(std::uint32_t tag)
{
    if (tag == PR_MESSAGE_RECIPIENTS || tag == PR_MESSAGE_ATTACHMENTS) {
        return false;
    }
    const std::uint32_t id = PROP_ID(tag);
    return (id >= 0x0E00 && id <= 0x0FFF) || (id >= 0x6000 && id <= 0x67FF) ||
           (id >= 0x7C00 && id <= 0x7FFF);
}

StatusCode MakeTnefFileName(char* buffer, std::size_t bufferSize)
{
    if (!buffer || bufferSize == 0) {
        return platform::E_POINTER;
    }
    buffer[0] = '\0';
    std::string folder;
    if (const StatusCode status = platform::PrivateTempFolder(&folder); platform::Failed(status)) {
        return status;
    }
    const std::uint32_t tick = platform::TickCount();
    // Every name is as long as the first: one that does not fit the buffer never will.
    const auto nameFor = [&](std::uint32_t n) {
        char name[16];
        std::snprintf(name, sizeof name, "%08X.dat", tick + n);
        std::string path = folder + name;
        return path.size() < bufferSize ? path : std::string();
    };
    std::string path;
    const StatusCode status = platform::CreateFirstFreeFile(nameFor, kMaxNameTries, &path);
    if (platform::Succeeded(status)) {
        std::memcpy(buffer, path.c_str(), path.size() + 1);
    }
    return status;
}

StatusCode ConvertMessageFile(const char* msgPath, char* tnefPath, std::size_t tnefPathSize)
{
    if (tnefPath && tnefPathSize > 0) {
        tnefPath[0] = '\0';
    }
    if (!msgPath || !tnefPath || tnefPathSize == 0) {
        return E_FAIL;
    }
    const GsfLogScope quietLibgsf;
    // Paths are bytes; the storage takes UTF-16 and turns it back into the same bytes.
    const std::u16string widePath = platform::Utf8ToUtf16(msgPath);

    IMalloc* allocator = MAPIGetDefaultMalloc();
    if (!allocator) {
        return E_FAIL;
    }

    Storage* rawStorage = nullptr;
    StatusCode status = StgOpenStorage(widePath.c_str(), nullptr, platform::STGM_SHARE_DENY_WRITE,
                                       nullptr, 0, &rawStorage);
    if (platform::Failed(status)) {
        return status;
    }
    ComPtr<Storage> storage = ComPtr<Storage>::Adopt(rawStorage);

    MsgSession* session = nullptr;
    status = OpenIMsgSession(allocator, 0, &session);
    if (platform::Failed(status)) {
        return status;
    }
    // The session is closed after every object opened in it is released.
    std::unique_ptr<MsgSession, void (*)(MsgSession*)> sessionOwner(session, CloseIMsgSession);

    Message* rawMessage = nullptr;
    status = OpenIMsgOnIStg(session, MAPIAllocateBuffer, MAPIAllocateMore, MAPIFreeBuffer,
                            allocator, nullptr, storage.Get(), nullptr, 0, 0, &rawMessage);
    if (platform::Failed(status)) {
        return status;
    }
    ComPtr<Message> message = ComPtr<Message>::Adopt(rawMessage);

    status = MakeTnefFileName(tnefPath, tnefPathSize);
    if (platform::Failed(status)) {
        tnefPath[0] = '\0';
        return status;
    }
    // The name step created the file: it is deleted on every way out but success.
    platform::TempFile output(tnefPath);

    platform::IStream* rawStream = nullptr;
    status = OpenStreamOnFile(MAPIAllocateBuffer, MAPIFreeBuffer, kOutputMode, tnefPath, nullptr,
                              &rawStream);
    if (platform::Failed(status)) {
        tnefPath[0] = '\0';
        return status;
    }
    ComPtr<platform::IStream> stream = ComPtr<platform::IStream>::Adopt(rawStream);

    status = EncodeMessage(stream.Get(), message.Get(), 0);

    stream.Reset();
    message.Reset();
    storage.Reset();
    sessionOwner.reset();
    if (platform::Failed(status)) {
        tnefPath[0] = '\0';
    } else {
        static_cast<void>(output.Release());
    }
    return status;
}

} // namespace ferrule
