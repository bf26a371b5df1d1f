// Test-side writers of the pictures the renderers read: packed DIBs and BMP files, and
// Windows metafiles record by record, so that each test shows the bytes it feeds.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string_view>
#include <vector>

namespace testing_support {

class DibBuilder {
public:
    DibBuilder(std::int32_t width, std::int32_t height, std::uint16_t bits);

    DibBuilder& Compression(std::uint32_t compression);
    DibBuilder& ColorsUsed(std::uint32_t count);
    // 0x00RRGGBB entries, written as RGBQUADs (or 16-bit palette indices).
    DibBuilder& Colours(std::vector<std::uint32_t> colours);
    DibBuilder& PaletteIndices(std::vector<std::uint16_t> indices);
    DibBuilder& Masks(std::uint32_t red, std::uint32_t green, std::uint32_t blue);
    // The pixel bits as stored; zeros of the full size when not given.
    DibBuilder& Bits(std::vector<std::uint8_t> bits);
    DibBuilder& CoreHeader(); // a 12-byte BITMAPCOREHEADER with RGBTRIPLE colours

    std::vector<std::uint8_t> Bytes() const;
    std::vector<std::uint8_t> BmpFile() const;

private:
    std::int32_t m_width;
    std::int32_t m_height;
    std::uint16_t m_bits;
    std::uint32_t m_compression = 0;
    std::uint32_t m_colorsUsed = 0;
    std::vector<std::uint32_t> m_colours;
    std::vector<std::uint16_t> m_indices;
    std::vector<std::uint32_t> m_masks;
    std::vector<std::uint8_t> m_pixels;
    bool m_explicitBits = false;
    bool m_core = false;
};

// The parameters of one metafile record, in the order the file stores them.
class WmfParams {
public:
    WmfParams() = default;
    WmfParams(std::initializer_list<int> words);
    WmfParams& W(int word);                  // 16 bits
    WmfParams& D(std::uint32_t value);       // 32 bits, low word first
    WmfParams& Colour(std::uint32_t rgb);    // a COLORREF of 0x00RRGGBB
    WmfParams& Text(std::string_view bytes); // padded to a word
    WmfParams& Raw(const std::vector<std::uint8_t>& bytes);
    const std::vector<std::uint8_t>& Data() const { return m_data; }

private:
    std::vector<std::uint8_t> m_data;
};

class WmfBuilder {
public:
    WmfBuilder& Placeable(int left, int top, int right, int bottom, std::uint16_t inch);
    WmfBuilder& Record(std::uint16_t function, const WmfParams& params = {});
    // A record whose size field says `words` whatever follows it.
    WmfBuilder& RecordWithSize(std::uint32_t words, std::uint16_t function,
                               const WmfParams& params = {});
    // The rectangle records store bottom, right, top, left.
    WmfBuilder& Box(std::uint16_t function, int left, int top, int right, int bottom);
    WmfBuilder& Pair(std::uint16_t function, int x, int y); // stored y, x
    WmfBuilder& MtSizeWords(std::uint32_t words);           // overrides the computed size

    std::vector<std::uint8_t> Bytes() const; // ends with META_EOF

private:
    std::vector<std::uint8_t> m_placeable;
    std::vector<std::uint8_t> m_records;
    bool m_sizeOverridden = false;
    std::uint32_t m_sizeWords = 0;
};

} // namespace testing_support
