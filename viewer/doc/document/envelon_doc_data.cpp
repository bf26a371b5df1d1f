// Element data access: which bytes of the stream belong to an element, and copying them into
// a file, through a converter, or out of compressed RTF. Everything streams through fixed
// buffers, whatever the element's size.
#include <algorithm>
#include <memory>

#include "platform/file_io.h"
#include "platform/files.h"
#include "viewer/doc/model/element.h"
#include "viewer/doc/document/envelon_doc.h"
#include "viewer/doc/document/file_stream.h"
#include "viewer/rtf/compressed_rtf.h"

namespace viewer::doc::document {

using namespace viewer::doc::model;

using namespace platform;

namespace {

// ConvertElementData hands the converter pieces of at most this many bytes.
constexpr std::uint32_t kConvertPiece = 32768;

// Sets a written file's size to what was written, so that writing over a longer file leaves
// none of its old tail behind (the read/write mode does not truncate).
StatusCode TruncateAtPosition(IStream* stream)
{
    std::uint64_t end = 0;
    StatusCode status = stream->Seek(0, STREAM_SEEK_CUR, &end);
    if (Succeeded(status)) {
        status = stream->SetSize(end);
    }
    return status;
}

} // namespace

StatusCode CEnvelonDoc::GetElementRange(const ElementRef* element, std::uint64_t* offset,
                                        std::uint32_t* count)
{
    if (!element || !offset || !count) {
        return E_INVALIDARG;
    }
    std::uint64_t start = 0;
    std::uint64_t length = 0;
    const std::uint32_t kind = element->Kind();
    if (kind == ELEM_HEADER) {
        start = 0;
        length = kTnefHeaderSize;
    } else if (kind == ELEM_ATTRIBUTE) {
        const auto& attribute = static_cast<const AttributeElement&>(*element);
        start = attribute.m_position;
        length = std::uint64_t{attribute.m_length} + kAttributeOverhead;
    } else if (IsAttributeKind(kind)) { // the data only
        const auto& attribute = static_cast<const AttributeElement&>(*element);
        start = attribute.m_position + kAttributeDataOffset;
        length = attribute.m_length;
    } else if (IsValueKind(kind)) {
        const auto& value = static_cast<const ValueElement&>(*element);
        switch (value.m_layout) {
        case kLayoutCounted:
            start = value.m_position + kValueSizeFieldBytes;
            length = value.m_size;
            break;
        case kLayoutObject:
            // Value data starts after the size field and the interface identifier.
            start = value.m_position + kValueSizeFieldBytes + kValueIidBytes;
            // A size below 16 would make the count negative: no range.
            if (value.m_size < kValueIidBytes) {
                return E_FAIL;
            }
            length = value.m_size - kValueIidBytes;
            break;
        case kLayoutFixed:
            start = value.m_position;
            length = value.m_size;
            break;
        default:
            return E_FAIL;
        }
    } else {
        return E_FAIL;
    }
    // Offsets negative as signed 64-bit and counts negative as signed 32-bit have no range.
    if (start > static_cast<std::uint64_t>(INT64_MAX) || length > static_cast<std::uint64_t>(INT32_MAX)) {
        return E_FAIL;
    }
    *offset = start;
    *count = static_cast<std::uint32_t>(length);
    return S_OK;
}

// Positions the stream at the element's bytes and opens the output file: the first steps
// of writing and of converting an element.
StatusCode CEnvelonDoc::BeginElementCopy(const ElementRef* element, const char* path,
                                         std::uint32_t* count, ComPtr<IStream>* output)
{
    if (!element || !path) {
        return E_INVALIDARG;
    }
    if (!m_stream) {
        return E_UNEXPECTED;
    }
    std::uint64_t offset = 0;
    StatusCode status = GetElementRange(element, &offset, count);
    if (Failed(status)) {
        return status;
    }
    status = SeekTo(offset);
    if (Failed(status)) {
        return status;
    }
    return CreateFileStream(path, kModeReadWrite, output);
}

StatusCode CEnvelonDoc::WriteElementData(const ElementRef* element, const char* path,
                                         const CopyProgress& progress)
{
    std::uint32_t count = 0;
    ComPtr<IStream> output;
    StatusCode status = BeginElementCopy(element, path, &count, &output);
    if (Failed(status)) {
        return status;
    }
    // A range reaching past the end of the stream copies what there is. Chunk by chunk, so
    // that a long copy can show how far it came and be stopped.
    std::uint64_t done = 0;
    while (done < count) {
        const std::uint64_t chunk = std::min<std::uint64_t>(count - done, kCopyChunkBytes);
        std::uint64_t read = 0;
        status = m_stream->CopyTo(output.Get(), chunk, &read, nullptr);
        done += read;
        if (Failed(status) || read < chunk) {
            break;
        }
        if (progress && !progress(done, count)) {
            status = E_CANCELLED;
            break;
        }
    }
    const StatusCode truncated = TruncateAtPosition(output.Get());
    return Failed(status) ? status : truncated;
}

StatusCode CEnvelonDoc::ConvertElementData(const ElementRef* element, const char* path,
                                           ElementConverter converter, void* context,
                                           const CopyProgress& progress)
{
    if (!converter) {
        return E_INVALIDARG;
    }
    std::uint32_t count = 0;
    ComPtr<IStream> output;
    StatusCode status = BeginElementCopy(element, path, &count, &output);
    if (Failed(status)) {
        return status;
    }
    auto buffer = std::make_unique<std::uint8_t[]>(kConvertPiece);
    std::uint64_t done = 0;
    std::uint64_t sinceReport = 0;
    while (done < count) {
        std::uint32_t got = 0;
        status = m_stream->Read(buffer.get(), kConvertPiece, &got);
        if (Failed(status)) {
            return status;
        }
        const std::uint64_t left = count - done;
        const auto expected = static_cast<std::uint32_t>(std::min<std::uint64_t>(left, kConvertPiece));
        if (got < expected) {
            return E_FAIL; // the range reaches past the end of the stream
        }
        // Whole pieces may run past the element; only its own bytes reach the converter.
        const auto inRange = static_cast<std::uint32_t>(std::min<std::uint64_t>(got, left));
        status = converter(buffer.get(), inRange, output.Get(), context);
        if (Failed(status)) {
            return status;
        }
        done += got;
        sinceReport += got;
        if (progress && sinceReport >= kCopyChunkBytes) {
            sinceReport = 0;
            if (!progress(std::min<std::uint64_t>(done, count), count)) {
                return E_CANCELLED;
            }
        }
    }
    return TruncateAtPosition(output.Get());
}

StatusCode CEnvelonDoc::ExtractRtfBody(const ElementRef* element, const char* path)
{
    if (!path || !element || element->Kind() != ELEM_COMPRESSED_RTF) {
        return E_INVALIDARG;
    }
    ComPtr<IStream> output;
    StatusCode status = CreateFileStream(path, kModeReadWrite, &output);
    if (Failed(status)) {
        return status;
    }
    status = InflateRtfBody(element, [&](const std::uint8_t* piece, std::uint32_t length) {
        return output->Write(piece, length, nullptr);
    });
    const StatusCode truncated = TruncateAtPosition(output.Get());
    return Failed(status) ? status : truncated;
}

StatusCode CEnvelonDoc::InflateRtfBody(const ElementRef* element, const ByteSink& sink,
                                       bool* sinkFailed)
{
    if (sinkFailed) {
        *sinkFailed = false;
    }
    if (!element || element->Kind() != ELEM_COMPRESSED_RTF || !sink) {
        return E_INVALIDARG;
    }
    // The compressed value goes through a temporary file that is gone on every path: removed
    // by name until the input stream owns it, by the stream (delete-on-release) after.
    std::string compressedPath;
    StatusCode status = CreateUniqueTempFile("tnf", &compressedPath);
    if (Failed(status)) {
        return status;
    }
    TempFile compressedFile(compressedPath);
    status = WriteElementData(element, compressedPath.c_str());
    if (Failed(status)) {
        return status;
    }
    ComPtr<IStream> input;
    status = CreateFileStream(compressedPath, kModeTemporaryInput, &input);
    if (Failed(status)) {
        return status;
    }
    compressedFile.Release();

    ComPtr<IStream> rtf;
    status = viewer::rtf::OpenCompressedRtfStream(input.Get(), 0, rtf.Put());
    if (Failed(status)) {
        return status;
    }
    auto buffer = std::make_unique<std::uint8_t[]>(kConvertPiece);
    for (;;) {
        std::uint32_t got = 0;
        status = rtf->Read(buffer.get(), kConvertPiece, &got);
        if (Failed(status) || got == 0) {
            return status;
        }
        status = sink(buffer.get(), got);
        if (Failed(status)) {
            if (sinkFailed) {
                *sinkFailed = true;
            }
            return status;
        }
    }
}

StatusCode CEnvelonDoc::ReadElementData(const ElementRef* element, const ByteSink& sink,
                                        bool* sinkFailed)
{
    if (sinkFailed) {
        *sinkFailed = false;
    }
    if (!element || !sink) {
        return E_INVALIDARG;
    }
    std::uint64_t offset = 0;
    std::uint32_t count = 0;
    StatusCode status = GetElementRange(element, &offset, &count);
    if (Succeeded(status)) {
        status = SeekTo(offset);
    }
    if (Failed(status)) {
        return status;
    }
    auto buffer = std::make_unique<std::uint8_t[]>(kConvertPiece);
    for (std::uint64_t left = count; left > 0;) {
        std::uint32_t got = 0;
        const auto want = static_cast<std::uint32_t>(std::min<std::uint64_t>(left, kConvertPiece));
        status = m_stream->Read(buffer.get(), want, &got);
        if (Failed(status)) {
            return status;
        }
        if (got == 0) {
            break; // the range runs past the end of the stream: keep what there is
        }
        status = sink(buffer.get(), got);
        if (Failed(status)) {
            if (sinkFailed) {
                *sinkFailed = true;
            }
            return status;
        }
        left -= got;
    }
    return S_OK;
}

StatusCode CEnvelonDoc::CopyElementData(const ElementRef* element, int fd, std::uint64_t* written)
{
    if (!element || !written) {
        return E_INVALIDARG;
    }
    *written = 0;
    return ReadElementData(element, [&](const std::uint8_t* piece, std::uint32_t length) {
        const StatusCode status = WriteAll(fd, piece, length);
        if (Succeeded(status)) {
            *written += length;
        }
        return status;
    });
}

} // namespace viewer::doc::document
