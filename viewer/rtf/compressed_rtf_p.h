// The compressed RTF stream object, shared by the decoder and the encoder sources.
#pragma once

#include <cstdint>

#include "platform/com.h"
#include "platform/ref_counted.h"
#include "viewer/rtf/compressed_rtf.h"

namespace viewer::rtf {

// The dictionary that every stream starts with: positions 0 to 206 of the ring.
inline constexpr char kInitialDictionary[] =
    R"({\rtf1\ansi\mac\deff0\deftab720{\fonttbl;}{\f0\fnil \froman \fswiss \fmodern \fscript )"
    R"(\fdecor MS Sans SerifSymbolArialTimes New RomanCourier{\colortbl\red0\green0\blue0)"
    "\r\n"
    R"(\par \pard\plain\f0\fs20\b\i\u\tab\tx)";
inline constexpr std::uint32_t kInitialDictionarySize = sizeof(kInitialDictionary) - 1;
static_assert(kInitialDictionarySize == 207);

inline constexpr std::uint32_t kRingSize = 4096;
inline constexpr std::uint32_t kRingMask = kRingSize - 1;
// Longest reference; also the lookahead of the encoder and the width of the ring's mirror.
inline constexpr std::uint32_t kMaxMatch = 17;
inline constexpr std::uint32_t kIoBufferSize = 4096;
inline constexpr std::int32_t kNoNode = -1;
// The anchor node; its smaller-child link holds the root of the match tree.
inline constexpr std::int32_t kTreeAnchor = static_cast<std::int32_t>(kRingSize);

// Links of one tree node: parent, smaller child, larger child. The children are indexed
// (0 smaller, 1 larger) so that the walk picks a side without a branch.
struct MatchNode {
    std::int32_t parent;
    std::int32_t child[2];
};
inline constexpr int kSmaller = 0;
inline constexpr int kLarger = 1;
inline constexpr std::uint32_t kMatchTreeBytes = (kRingSize + 1) * sizeof(MatchNode);

// One stream object. It lives in a chained root buffer (placement-new); the I/O buffer and
// the match tree are children of that root, so freeing the root releases everything. The
// object owns one reference to its source stream.
class CompressedRtfStream final : public platform::RefCounted<platform::IStream> {
  public:
    CompressedRtfStream(platform::IStream* source, std::uint32_t flags) noexcept;

    // Open steps after the block is placed; on failure the caller frees the block.
    platform::StatusCode Initialise() noexcept;

    platform::StatusCode QueryInterface(const platform::IID& iid, void** object) override;
    platform::StatusCode Read(void* buffer, std::uint32_t count, std::uint32_t* done) override;
    platform::StatusCode Write(const void* buffer, std::uint32_t count,
                               std::uint32_t* done) override;
    platform::StatusCode Seek(std::int64_t offset, std::uint32_t origin,
                              std::uint64_t* newPosition) override;
    platform::StatusCode SetSize(std::uint64_t size) override;
    platform::StatusCode CopyTo(platform::IStream* target, std::uint64_t count, std::uint64_t* read,
                                std::uint64_t* written) override;
    platform::StatusCode Commit(std::uint32_t flags) override;
    platform::StatusCode Revert() override;
    platform::StatusCode LockRegion(std::uint64_t offset, std::uint64_t count,
                                    std::uint32_t lockType) override;
    platform::StatusCode UnlockRegion(std::uint64_t offset, std::uint64_t count,
                                      std::uint32_t lockType) override;
    platform::StatusCode Stat(platform::STATSTG* result, std::uint32_t flags) override;
    platform::StatusCode Clone(platform::IStream** result) override;

  private:
    ~CompressedRtfStream() override = default;
    void Destroy() override;

    bool Uncompressed() const { return (m_flags & STORE_UNCOMPRESSED_RTF) != 0; }

    // Decoder (compressed_rtf.cpp).
    platform::StatusCode ReadHeader();
    platform::StatusCode ReadCompressed(std::uint8_t* out, std::uint32_t count,
                                        std::uint32_t* done);
    platform::StatusCode Refill(std::uint32_t needed);

    // Encoder (compressed_rtf_writer.cpp).
    platform::StatusCode InitialiseWriter();
    platform::StatusCode WriteCompressed(const std::uint8_t* input, std::uint32_t count,
                                         std::uint32_t* taken);
    void FinishPriming();
    void StoreLookahead(std::uint32_t position, std::uint8_t byte);
    void InsertNode(std::int32_t position);
    void RemoveNode(std::int32_t position);
    platform::StatusCode AppendItem(bool reference, std::uint32_t value);
    platform::StatusCode EmitBlock();
    platform::StatusCode Flush();
    platform::StatusCode RewriteHeader();

    platform::IStream* m_source;
    std::uint32_t m_flags;
    bool m_writing;
    bool m_priming = false;
    bool m_finished = false;
    bool m_endWritten = false; // encoder: the end reference is in the output

    // Read: compressed size from the header minus 12. Write: compressed bytes written.
    std::uint32_t m_dataCount = 0;
    std::uint32_t m_crc = 0;
    // Read: the CRC from the header. Write: raw bytes accepted so far.
    std::uint32_t m_headerCrcOrRawCount = 0;
    platform::StatusCode m_readError = platform::S_OK;

    std::uint32_t m_writePos = 0;
    // Positions 4096..4112 mirror 0..16 so that a run of up to 17 bytes never wraps.
    std::uint8_t m_ring[kRingSize + kMaxMatch] = {};

    std::uint8_t* m_io = nullptr;
    std::uint32_t m_ioPos = 0;   // next byte to read (read mode)
    std::uint32_t m_ioCount = 0; // bytes held

    // Decoder: current control byte and items left in it; output that did not fit.
    std::uint32_t m_control = 0;
    std::uint32_t m_itemsLeft = 0;
    std::uint8_t m_pending[kMaxMatch - 1] = {};
    std::uint32_t m_pendingCount = 0;

    // Encoder.
    std::uint64_t m_headerPosition = 0;
    MatchNode* m_tree = nullptr;
    std::uint8_t m_blockControl = 0;
    std::uint32_t m_blockItems = 0;
    std::uint8_t m_blockBytes[16] = {};
    std::uint32_t m_blockSize = 0;
    std::int32_t m_matchPos = 0;
    std::uint32_t m_matchLen = 0;
    std::uint32_t m_lookahead = 0;
    std::uint32_t m_advanceLeft = 0;
};

} // namespace viewer::rtf
