#include "gimlet/mime_search.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gmime/gmime.h>

#include "gimlet/temp_file_sink.h"
#include "gimlet/uudecoder.h"
#include "platform/file_io.h"
#include "platform/gobject_ptr.h"
#include "platform/files.h"

namespace gimlet {

using platform::S_FALSE;
using platform::S_OK;
using platform::StatusCode;

namespace {

using platform::GPtr;

// Bytes read from a part's content per step; the decoders work through this much at a time.
constexpr std::size_t kChunkSize = 64 * 1024;

constexpr char kWinmailName[] = "winmail.dat";

void InitMimeOnce()
{
    // GMime's tables must be set up before any other call into it.
    static std::once_flag once;
    std::call_once(once, [] { g_mime_init(); });
}

// A mail saved from an mbox starts with the envelope line "From <sender> <date>", which
// is not a header. The parse starts after it.
[[nodiscard]] StatusCode FindMessageStart(int fd, off_t* start)
{
    constexpr char kFromLine[] = "From ";
    constexpr std::size_t kFromLength = sizeof(kFromLine) - 1;
    char buffer[4096];
    std::size_t got = 0;
    StatusCode status = platform::ReadAll(fd, buffer, kFromLength, &got, 0);
    if (platform::Failed(status)) {
        return status;
    }
    *start = 0;
    if (got < kFromLength || std::memcmp(buffer, kFromLine, kFromLength) != 0) {
        return S_OK;
    }
    off_t offset = static_cast<off_t>(kFromLength);
    for (;;) {
        status = platform::ReadAll(fd, buffer, sizeof(buffer), &got, offset);
        if (platform::Failed(status)) {
            return status;
        }
        if (got == 0) {
            *start = offset;
            return S_OK;
        }
        if (const void* newline = std::memchr(buffer, '\n', got)) {
            *start = offset + (static_cast<const char*>(newline) - buffer) + 1;
            return S_OK;
        }
        offset += static_cast<off_t>(got);
    }
}

// Opens the mail as a GMime stream positioned at the first header. Only regular files
// are read: a FIFO or a device would never end.
[[nodiscard]] StatusCode OpenMail(const char* mailPath, GPtr<GMimeStream>* stream)
{
    platform::UniqueFd fd(::open(mailPath, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (!fd.Valid()) {
        return platform::StatusFromErrno();
    }
    struct stat info{};
    if (::fstat(fd.Get(), &info) != 0) {
        return platform::StatusFromErrno();
    }
    if (S_ISDIR(info.st_mode)) {
        return platform::StatusFromError(EISDIR);
    }
    if (!S_ISREG(info.st_mode)) {
        return platform::E_INVALIDARG;
    }
    const int flags = ::fcntl(fd.Get(), F_GETFL);
    if (flags < 0 || ::fcntl(fd.Get(), F_SETFL, flags & ~O_NONBLOCK) != 0) {
        return platform::StatusFromErrno();
    }
    off_t start = 0;
    const StatusCode status = FindMessageStart(fd.Get(), &start);
    if (platform::Failed(status)) {
        return status;
    }
    if (::lseek(fd.Get(), start, SEEK_SET) < 0) {
        return platform::StatusFromErrno();
    }
    // The stream owns the descriptor from here on.
    stream->reset(g_mime_stream_fs_new_with_bounds(fd.Release(), start, -1));
    return S_OK;
}

// Every leaf part of the tree in document order, descending into multiparts and into the
// messages carried by message/rfc822 parts. Uses its own stack: nesting depth is the
// sender's choice.
std::vector<GMimePart*> CollectLeaves(GMimeMessage* message)
{
    std::vector<GMimePart*> leaves;
    std::vector<GMimeObject*> pending{g_mime_message_get_mime_part(message)};
    while (!pending.empty()) {
        GMimeObject* object = pending.back();
        pending.pop_back();
        if (object == nullptr) {
            continue;
        }
        if (GMIME_IS_MESSAGE_PART(object)) {
            GMimeMessage* inner = g_mime_message_part_get_message(GMIME_MESSAGE_PART(object));
            if (inner != nullptr) {
                pending.push_back(g_mime_message_get_mime_part(inner));
            }
        } else if (GMIME_IS_MULTIPART(object)) {
            GMimeMultipart* multipart = GMIME_MULTIPART(object);
            for (int i = g_mime_multipart_get_count(multipart); i > 0; --i) {
                pending.push_back(g_mime_multipart_get_part(multipart, i - 1));
            }
        } else if (GMIME_IS_PART(object)) {
            leaves.push_back(GMIME_PART(object));
        }
    }
    return leaves;
}

bool IsLabelledTnef(GMimePart* part)
{
    GMimeContentType* type = g_mime_object_get_content_type(GMIME_OBJECT(part));
    if (type != nullptr && (g_mime_content_type_is_type(type, "application", "ms-tnef") ||
                            g_mime_content_type_is_type(type, "application", "vnd.ms-tnef"))) {
        return true;
    }
    const char* name = g_mime_part_get_filename(part);
    return name != nullptr && g_ascii_strcasecmp(name, kWinmailName) == 0;
}

bool IsTextPart(GMimePart* part)
{
    GMimeContentType* type = g_mime_object_get_content_type(GMIME_OBJECT(part));
    return type == nullptr || g_mime_content_type_is_type(type, "text", "*");
}

// Reads the part's encoded content and pushes it, with its transfer encoding undone, into
// sink, a chunk at a time. Stops early without error when the sink has enough.
[[nodiscard]] StatusCode DecodePart(GMimePart* part, ByteSink& sink)
{
    GMimeDataWrapper* content = g_mime_part_get_content(part);
    GMimeStream* raw = content != nullptr ? g_mime_data_wrapper_get_stream(content) : nullptr;
    if (raw == nullptr) {
        return S_OK;
    }
    if (g_mime_stream_reset(raw) != 0) {
        return platform::E_FAIL;
    }
    const GMimeContentEncoding encoding = g_mime_data_wrapper_get_encoding(content);
    const bool stepDecoder = encoding == GMIME_CONTENT_ENCODING_BASE64 ||
                             encoding == GMIME_CONTENT_ENCODING_QUOTEDPRINTABLE;
    GMimeEncoding state{};
    std::vector<std::uint8_t> decoded;
    if (stepDecoder) {
        g_mime_encoding_init_decode(&state, encoding);
        // Decoding never grows the data beyond the few characters held over between steps.
        decoded.resize(std::max<std::size_t>(g_mime_encoding_outlen(&state, kChunkSize),
                                             kChunkSize + 16));
    }
    UuDecoder uudecoder(sink, std::string());
    ByteSink& rawTarget = encoding == GMIME_CONTENT_ENCODING_UUENCODE
                              ? static_cast<ByteSink&>(uudecoder) : sink;

    std::vector<char> chunk(kChunkSize);
    for (;;) {
        // A bounded stream reports reading at its end as an error, so ask first.
        if (g_mime_stream_eos(raw)) {
            break;
        }
        errno = 0;
        const ssize_t got = g_mime_stream_read(raw, chunk.data(), chunk.size());
        if (got < 0) {
            return platform::StatusFromErrno();
        }
        if (got == 0) {
            break;
        }
        StatusCode status;
        if (stepDecoder) {
            const std::size_t produced = g_mime_encoding_step(
                &state, chunk.data(), static_cast<std::size_t>(got),
                reinterpret_cast<char*>(decoded.data()));
            status = sink.Write(decoded.data(), produced);
        } else {
            status = rawTarget.Write(reinterpret_cast<const std::uint8_t*>(chunk.data()),
                                     static_cast<std::size_t>(got));
        }
        if (status != S_OK) {
            return platform::Failed(status) ? status : S_OK;
        }
    }
    if (stepDecoder) {
        const std::size_t produced = g_mime_encoding_flush(
            &state, nullptr, 0, reinterpret_cast<char*>(decoded.data()));
        const StatusCode status = sink.Write(decoded.data(), produced);
        return platform::Failed(status) ? status : S_OK;
    }
    if (encoding == GMIME_CONTENT_ENCODING_UUENCODE) {
        return uudecoder.Finish();
    }
    return S_OK;
}

// Keeps the first bytes of a part's decoded content.
class PrefixSink : public ByteSink {
public:
    StatusCode Write(const std::uint8_t* data, std::size_t size) override
    {
        while (size > 0 && m_length < sizeof(m_bytes)) {
            m_bytes[m_length++] = *data++;
            --size;
        }
        return m_length == sizeof(m_bytes) ? S_FALSE : S_OK;
    }
    bool IsTnefSignature() const
    {
        return m_length == sizeof(m_bytes) &&
               std::memcmp(m_bytes, kTnefSignature, sizeof(m_bytes)) == 0;
    }

private:
    std::uint8_t m_bytes[sizeof(kTnefSignature)] = {};
    std::size_t m_length = 0;
};

[[nodiscard]] StatusCode StartsWithTnefSignature(GMimePart* part, bool* starts)
{
    PrefixSink prefix;
    const StatusCode status = DecodePart(part, prefix);
    if (platform::Failed(status)) {
        return status;
    }
    *starts = prefix.IsTnefSignature();
    return S_OK;
}

[[nodiscard]] StatusCode SaveDecoded(GMimePart* part, std::string* tnefPath)
{
    TempFileSink output;
    const StatusCode status = DecodePart(part, output);
    if (platform::Failed(status)) {
        return status;
    }
    // A part that decodes to nothing never created the file; Commit reports it.
    return output.Commit(tnefPath);
}

// Looks through a text part for "begin <mode> winmail.dat"; *found tells whether the
// begin line was there. The decoded block goes to a temporary file.
[[nodiscard]] StatusCode SaveUuencodedWinmail(GMimePart* part, std::string* tnefPath, bool* found)
{
    TempFileSink output;
    UuDecoder scanner(output, kWinmailName);
    StatusCode status = DecodePart(part, scanner);
    if (platform::Succeeded(status)) {
        status = scanner.Finish();
    }
    if (platform::Failed(status)) {
        return status;
    }
    *found = scanner.FoundBegin();
    if (!*found) {
        return S_OK;
    }
    return output.Commit(tnefPath);
}

} // namespace

StatusCode ExtractTnef(const char* mailPath, std::string* tnefPath)
{
    InitMimeOnce();

    GPtr<GMimeStream> stream;
    StatusCode status = OpenMail(mailPath, &stream);
    if (platform::Failed(status)) {
        return status;
    }
    GPtr<GMimeParser> parser(g_mime_parser_new_with_stream(stream.get()));
    g_mime_parser_set_format(parser.get(), GMIME_FORMAT_MESSAGE);
    // Part contents stay in the file as ranges of the stream instead of being copied into
    // memory: a mail's size is the sender's choice.
    g_mime_parser_set_persist_stream(parser.get(), TRUE);
    GPtr<GMimeMessage> message(g_mime_parser_construct_message(parser.get(), nullptr));
    if (message == nullptr) {
        return platform::MAPI_E_NOT_FOUND;
    }

    const std::vector<GMimePart*> leaves = CollectLeaves(message.get());
    for (GMimePart* part : leaves) {
        if (IsLabelledTnef(part)) {
            return SaveDecoded(part, tnefPath);
        }
    }
    for (GMimePart* part : leaves) {
        bool starts = false;
        status = StartsWithTnefSignature(part, &starts);
        if (platform::Failed(status)) {
            return status;
        }
        if (starts) {
            return SaveDecoded(part, tnefPath);
        }
    }
    for (GMimePart* part : leaves) {
        if (!IsTextPart(part)) {
            continue;
        }
        bool found = false;
        status = SaveUuencodedWinmail(part, tnefPath, &found);
        if (platform::Failed(status) || found) {
            return status;
        }
    }
    return platform::MAPI_E_NOT_FOUND;
}

} // namespace gimlet
