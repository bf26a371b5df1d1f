// The compressing side of CompressedRtfStream: a 4096-byte ring with a 17-byte lookahead,
// matches found in a binary tree keyed by the 17 bytes at each ring position.
#include <algorithm>
#include <bit>
#include <cstring>

#include "format/little_endian.h"
#include "viewer/rtf/chain_alloc.h"
#include "viewer/rtf/compressed_rtf_p.h"

namespace viewer::rtf {

using platform::E_ACCESSDENIED;
using platform::E_FAIL;
using platform::E_INVALIDARG;
using platform::S_OK;
using platform::StatusCode;

namespace {

std::uint64_t LoadBe64(const std::uint8_t* bytes)
{
    std::uint64_t value = 0;
    std::memcpy(&value, bytes, sizeof(value));
    if constexpr (std::endian::native == std::endian::little) {
        value = __builtin_bswap64(value);
    }
    return value;
}

} // namespace

StatusCode CompressedRtfStream::InitialiseWriter()
{
    if (!Uncompressed()) {
        m_priming = true;
        void* tree = nullptr;
        if (const StatusCode status = ChainAllocMore(kMatchTreeBytes, this, &tree);
            platform::Failed(status)) {
            return status;
        }
        m_tree = static_cast<MatchNode*>(tree);
        std::memset(m_tree, 0xFF, kMatchTreeBytes); // every link -1
    }
    std::uint64_t position = 0;
    if (const StatusCode status = m_source->Seek(0, platform::STREAM_SEEK_CUR, &position);
        platform::Failed(status)) {
        return status;
    }
    m_headerPosition = position;
    const std::uint8_t placeholder[kCompressedRtfHeaderSize] = {};
    std::uint32_t written = 0;
    if (const StatusCode status = m_source->Write(placeholder, sizeof(placeholder), &written);
        platform::Failed(status)) {
        return status;
    }
    return written < sizeof(placeholder) ? E_FAIL : S_OK;
}

StatusCode CompressedRtfStream::Write(const void* buffer, std::uint32_t count, std::uint32_t* done)
{
    std::uint32_t taken = 0;
    StatusCode status = S_OK;
    if (!m_writing) {
        status = E_ACCESSDENIED;
    } else if (count != 0 && !buffer) {
        status = E_INVALIDARG;
    } else if (Uncompressed()) {
        if (count != 0 && m_finished) {
            status = E_ACCESSDENIED;
        } else {
            status = m_source->Write(buffer, count, &taken);
            taken = std::min(taken, count);
            m_headerCrcOrRawCount += taken;
        }
    } else {
        status = WriteCompressed(static_cast<const std::uint8_t*>(buffer), count, &taken);
    }
    if (done) {
        *done = taken;
    }
    return status;
}

StatusCode CompressedRtfStream::Commit(std::uint32_t flags)
{
    if (!m_writing) {
        return E_ACCESSDENIED;
    }
    m_finished = true;
    StatusCode status = S_OK;
    if (Uncompressed()) {
        status = RewriteHeader();
    } else {
        std::uint32_t taken = 0;
        status = WriteCompressed(nullptr, 0, &taken);
    }
    return platform::Succeeded(status) ? m_source->Commit(flags) : status;
}

void CompressedRtfStream::StoreLookahead(std::uint32_t position, std::uint8_t byte)
{
    m_ring[position] = byte;
    if (position < kMaxMatch) {
        m_ring[kRingSize + position] = byte;
    }
}

// The first 17 bytes prime the lookahead; then every ring position up to the current
// one goes into the tree, the last insertion giving the first match.
void CompressedRtfStream::FinishPriming()
{
    std::memcpy(m_ring + kRingSize, m_ring, kMaxMatch);
    for (std::uint32_t position = 0; position <= m_writePos; ++position) {
        InsertNode(static_cast<std::int32_t>(position));
    }
    m_priming = false;
}

StatusCode CompressedRtfStream::WriteCompressed(const std::uint8_t* input, std::uint32_t count,
                                                std::uint32_t* taken)
{
    if (count == 0 && !m_finished) {
        return E_INVALIDARG;
    }
    if (count != 0 && m_finished) {
        return E_ACCESSDENIED;
    }
    const std::uint8_t* in = input;
    const std::uint8_t* const end = input + count;
    StatusCode status = S_OK;

    if (m_priming) {
        while (m_lookahead < kMaxMatch && in != end) {
            StoreLookahead(m_writePos + m_lookahead, *in++);
            ++m_lookahead;
        }
        if (m_lookahead < kMaxMatch && !m_finished) {
            *taken = count;
            m_headerCrcOrRawCount += count;
            return S_OK;
        }
        FinishPriming();
    }

    for (;;) {
        // Advance over the positions the last item covered, each taking one input byte
        // into the far end of the lookahead (or, when finishing, shrinking it).
        while (m_advanceLeft != 0) {
            if (in != end) {
                const std::uint32_t far = (m_writePos + kMaxMatch) & kRingMask;
                RemoveNode(static_cast<std::int32_t>(far));
                StoreLookahead(far, *in++);
            } else if (!m_finished) {
                break;
            } else {
                --m_lookahead;
            }
            --m_advanceLeft;
            m_writePos = (m_writePos + 1) & kRingMask;
            if (m_lookahead == 0) {
                m_advanceLeft = 0;
                break;
            }
            InsertNode(static_cast<std::int32_t>(m_writePos));
        }
        if (m_advanceLeft != 0 || m_lookahead == 0) {
            break;
        }
        if (m_blockItems == 8) {
            // Only after a failed emission: the full block goes out before anything else.
            if (status = EmitBlock(); platform::Failed(status)) {
                break;
            }
        }
        const std::uint32_t length = std::min(m_matchLen, m_lookahead);
        m_blockControl >>= 1;
        if (length >= 2) {
            const std::uint32_t word = static_cast<std::uint32_t>(m_matchPos) << 4 | (length - 2);
            m_blockControl |= 0x80;
            m_blockBytes[m_blockSize++] = static_cast<std::uint8_t>(word >> 8);
            m_blockBytes[m_blockSize++] = static_cast<std::uint8_t>(word);
            m_advanceLeft = length;
        } else {
            m_blockBytes[m_blockSize++] = m_ring[m_writePos];
            m_advanceLeft = 1;
        }
        if (++m_blockItems == 8) {
            if (status = EmitBlock(); platform::Failed(status)) {
                break;
            }
        }
    }

    if (platform::Succeeded(status) && m_finished && m_lookahead == 0) {
        // The end reference points at the current write position; a partial block is
        // shifted so that its first item sits in bit 0. It is written once only: a
        // second Commit must not append a second end block behind the first.
        if (!m_endWritten && m_blockItems == 8) {
            status = EmitBlock();
        }
        if (platform::Succeeded(status) && !m_endWritten) {
            const std::uint32_t word = m_writePos << 4;
            m_blockControl = static_cast<std::uint8_t>(m_blockControl >> 1 | 0x80);
            m_blockBytes[m_blockSize++] = static_cast<std::uint8_t>(word >> 8);
            m_blockBytes[m_blockSize++] = static_cast<std::uint8_t>(word);
            ++m_blockItems;
            m_blockControl = static_cast<std::uint8_t>(m_blockControl >> (8 - m_blockItems));
            m_endWritten = true;
        }
        if (platform::Succeeded(status) && m_blockItems != 0) {
            status = EmitBlock();
        }
        if (platform::Succeeded(status)) {
            status = Flush();
        }
        if (platform::Succeeded(status)) {
            status = RewriteHeader();
        }
    }

    const auto consumed = static_cast<std::uint32_t>(in - input);
    *taken = consumed;
    m_headerCrcOrRawCount += consumed;
    return status;
}

// Each ring position is a node keyed by the 17 bytes starting there. The walk keeps the
// first node with the longest common prefix as the match; a node with all 17 bytes equal
// is replaced by the new position, which is newer and so further from being overwritten.
void CompressedRtfStream::InsertNode(std::int32_t position)
{
    MatchNode* const tree = m_tree;
    const std::uint8_t* const ring = m_ring;
    const std::uint8_t* const key = ring + position;
    // Keys are compared eight bytes at a time as big-endian words, so that the word order
    // is the byte order and the first differing byte is found by counting leading zeros.
    const std::uint64_t key0 = LoadBe64(key);
    const std::uint64_t key1 = LoadBe64(key + 8);
    tree[position].child[kSmaller] = kNoNode;
    tree[position].child[kLarger] = kNoNode;
    std::uint32_t best = 0;
    std::int32_t bestNode = m_matchPos;
    std::int32_t node = kTreeAnchor;
    int side = kSmaller;
    for (;;) {
        const std::int32_t next = tree[node].child[side];
        if (next == kNoNode) {
            tree[node].child[side] = position;
            tree[position].parent = node;
            break;
        }
        node = next;
        const std::uint8_t* const other = ring + node;
        std::uint32_t same = 0;
        bool larger = false;
        if (const std::uint64_t word0 = LoadBe64(other); word0 != key0) {
            same = static_cast<std::uint32_t>(std::countl_zero(word0 ^ key0)) >> 3;
            larger = key0 > word0;
        } else if (const std::uint64_t word1 = LoadBe64(other + 8); word1 != key1) {
            same = 8 + (static_cast<std::uint32_t>(std::countl_zero(word1 ^ key1)) >> 3);
            larger = key1 > word1;
        } else if (key[16] != other[16]) {
            same = 16;
            larger = key[16] > other[16];
        } else {
            // All 17 bytes equal: the new position takes the old node's place.
            bestNode = node;
            best = kMaxMatch;
            MatchNode& old = tree[node];
            tree[position] = old;
            for (const std::int32_t child : old.child) {
                if (child != kNoNode) {
                    tree[child].parent = position;
                }
            }
            MatchNode& parent = tree[old.parent];
            parent.child[parent.child[kSmaller] == node ? kSmaller : kLarger] = position;
            old.parent = kNoNode;
            break;
        }
        const bool longer = same > best;
        best = longer ? same : best;
        bestNode = longer ? node : bestNode;
        side = larger ? kLarger : kSmaller;
    }
    m_matchPos = bestNode;
    m_matchLen = best;
}

// A node with two children gives its place to its in-order successor.
void CompressedRtfStream::RemoveNode(std::int32_t position)
{
    MatchNode* const tree = m_tree;
    MatchNode& node = tree[position];
    if (node.parent == kNoNode) {
        return;
    }
    const std::int32_t smaller = node.child[kSmaller];
    const std::int32_t larger = node.child[kLarger];
    std::int32_t heir = kNoNode;
    if (larger == kNoNode) {
        heir = smaller;
    } else if (smaller == kNoNode) {
        heir = larger;
    } else {
        heir = larger;
        if (tree[heir].child[kSmaller] != kNoNode) {
            do {
                heir = tree[heir].child[kSmaller];
            } while (tree[heir].child[kSmaller] != kNoNode);
            MatchNode& successor = tree[heir];
            tree[successor.parent].child[kSmaller] = successor.child[kLarger];
            if (successor.child[kLarger] != kNoNode) {
                tree[successor.child[kLarger]].parent = successor.parent;
            }
            successor.child[kLarger] = larger;
            tree[larger].parent = heir;
        }
        tree[heir].child[kSmaller] = smaller;
        tree[smaller].parent = heir;
    }
    if (heir != kNoNode) {
        tree[heir].parent = node.parent;
    }
    MatchNode& parent = tree[node.parent];
    parent.child[parent.child[kLarger] == position ? kLarger : kSmaller] = heir;
    node.parent = kNoNode;
}

StatusCode CompressedRtfStream::EmitBlock()
{
    const std::uint32_t size = 1 + m_blockSize;
    if (m_ioCount + size > kIoBufferSize) {
        if (const StatusCode status = Flush(); platform::Failed(status)) {
            return status;
        }
    }
    m_io[m_ioCount] = m_blockControl;
    std::memcpy(m_io + m_ioCount + 1, m_blockBytes, m_blockSize);
    m_ioCount += size;
    m_blockControl = 0;
    m_blockItems = 0;
    m_blockSize = 0;
    return m_finished ? Flush() : S_OK;
}

StatusCode CompressedRtfStream::Flush()
{
    if (m_ioCount == 0) {
        return S_OK;
    }
    std::uint32_t written = 0;
    if (const StatusCode status = m_source->Write(m_io, m_ioCount, &written);
        platform::Failed(status)) {
        return status;
    }
    if (written < m_ioCount) {
        return E_FAIL;
    }
    m_dataCount += m_ioCount;
    m_crc = CompressedRtfCrc(m_io, m_ioCount, m_crc);
    m_ioCount = 0;
    return S_OK;
}

// The header goes where the placeholder was; the source is left where it was.
StatusCode CompressedRtfStream::RewriteHeader()
{
    std::uint8_t header[kCompressedRtfHeaderSize];
    const std::uint32_t rawCount = m_headerCrcOrRawCount;
    if (Uncompressed()) {
        format::StoreLe32(header, rawCount + 12);
        format::StoreLe32(header + 4, rawCount);
        format::StoreLe32(header + 8, kUncompressedRtfMagic);
        format::StoreLe32(header + 12, 0);
    } else {
        format::StoreLe32(header, m_dataCount + 12);
        format::StoreLe32(header + 4, rawCount);
        format::StoreLe32(header + 8, kCompressedRtfMagic);
        format::StoreLe32(header + 12, m_crc);
    }
    std::uint64_t here = 0;
    StatusCode status = m_source->Seek(0, platform::STREAM_SEEK_CUR, &here);
    if (platform::Failed(status)) {
        return status;
    }
    status = m_source->Seek(static_cast<std::int64_t>(m_headerPosition), platform::STREAM_SEEK_SET,
                            nullptr);
    if (platform::Failed(status)) {
        return status;
    }
    std::uint32_t written = 0;
    status = m_source->Write(header, sizeof(header), &written);
    if (platform::Succeeded(status) && written < sizeof(header)) {
        status = E_FAIL;
    }
    // Go back even after a failed write, so that the source is not left at the header.
    const StatusCode back =
        m_source->Seek(static_cast<std::int64_t>(here), platform::STREAM_SEEK_SET, nullptr);
    return platform::Failed(status) ? status : back;
}

} // namespace viewer::rtf
