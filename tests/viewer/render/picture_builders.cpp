#include "tests/viewer/render/picture_builders.h"

#include "format/little_endian.h"

namespace testing_support {

namespace {

void Put16(std::vector<std::uint8_t>& out, std::uint16_t value)
{
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    Put16(out, static_cast<std::uint16_t>(value));
    Put16(out, static_cast<std::uint16_t>(value >> 16));
}

} // namespace

DibBuilder::DibBuilder(std::int32_t width, std::int32_t height, std::uint16_t bits)
    : m_width(width), m_height(height), m_bits(bits)
{
}

DibBuilder& DibBuilder::Compression(std::uint32_t compression)
{
    m_compression = compression;
    return *this;
}

DibBuilder& DibBuilder::ColorsUsed(std::uint32_t count)
{
    m_colorsUsed = count;
    return *this;
}

DibBuilder& DibBuilder::Colours(std::vector<std::uint32_t> colours)
{
    m_colours = std::move(colours);
    return *this;
}

DibBuilder& DibBuilder::PaletteIndices(std::vector<std::uint16_t> indices)
{
    m_indices = std::move(indices);
    return *this;
}

DibBuilder& DibBuilder::Masks(std::uint32_t red, std::uint32_t green, std::uint32_t blue)
{
    m_masks = {red, green, blue};
    return *this;
}

DibBuilder& DibBuilder::Bits(std::vector<std::uint8_t> bits)
{
    m_pixels = std::move(bits);
    m_explicitBits = true;
    return *this;
}

DibBuilder& DibBuilder::CoreHeader()
{
    m_core = true;
    return *this;
}

std::vector<std::uint8_t> DibBuilder::Bytes() const
{
    std::vector<std::uint8_t> out;
    if (m_core) {
        Put32(out, 12);
        Put16(out, static_cast<std::uint16_t>(m_width));
        Put16(out, static_cast<std::uint16_t>(m_height));
        Put16(out, 1);
        Put16(out, m_bits);
    } else {
        Put32(out, 40);
        Put32(out, static_cast<std::uint32_t>(m_width));
        Put32(out, static_cast<std::uint32_t>(m_height));
        Put16(out, 1);
        Put16(out, m_bits);
        Put32(out, m_compression);
        Put32(out, 0);
        Put32(out, 2835);
        Put32(out, 2835);
        Put32(out, m_colorsUsed);
        Put32(out, 0);
    }
    for (std::uint32_t mask : m_masks) {
        Put32(out, mask);
    }
    for (std::uint32_t c : m_colours) {
        out.push_back(static_cast<std::uint8_t>(c));
        out.push_back(static_cast<std::uint8_t>(c >> 8));
        out.push_back(static_cast<std::uint8_t>(c >> 16));
        if (!m_core) {
            out.push_back(0);
        }
    }
    for (std::uint16_t index : m_indices) {
        Put16(out, index);
    }
    if (m_explicitBits) {
        out.insert(out.end(), m_pixels.begin(), m_pixels.end());
    } else {
        const std::uint64_t stride = (std::uint64_t(m_width) * m_bits + 31) / 32 * 4;
        const std::uint64_t rows = m_height < 0 ? -std::int64_t(m_height) : m_height;
        out.resize(out.size() + stride * rows, 0);
    }
    return out;
}

std::vector<std::uint8_t> DibBuilder::BmpFile() const
{
    const std::vector<std::uint8_t> dib = Bytes();
    std::vector<std::uint8_t> out{'B', 'M'};
    Put32(out, static_cast<std::uint32_t>(14 + dib.size()));
    Put32(out, 0);
    Put32(out, 0); // offset of the bits: not read
    out.insert(out.end(), dib.begin(), dib.end());
    return out;
}

WmfParams::WmfParams(std::initializer_list<int> words)
{
    for (int w : words) {
        W(w);
    }
}

WmfParams& WmfParams::W(int word)
{
    Put16(m_data, static_cast<std::uint16_t>(word));
    return *this;
}

WmfParams& WmfParams::D(std::uint32_t value)
{
    Put32(m_data, value);
    return *this;
}

WmfParams& WmfParams::Colour(std::uint32_t rgb)
{
    return D(((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16));
}

WmfParams& WmfParams::Text(std::string_view bytes)
{
    m_data.insert(m_data.end(), bytes.begin(), bytes.end());
    if (bytes.size() % 2) {
        m_data.push_back(0);
    }
    return *this;
}

WmfParams& WmfParams::Raw(const std::vector<std::uint8_t>& bytes)
{
    m_data.insert(m_data.end(), bytes.begin(), bytes.end());
    return *this;
}

WmfBuilder& WmfBuilder::Placeable(int left, int top, int right, int bottom, std::uint16_t inch)
{
    m_placeable.clear();
    Put32(m_placeable, 0x9AC6CDD7);
    Put16(m_placeable, 0);
    for (int v : {left, top, right, bottom}) {
        Put16(m_placeable, static_cast<std::uint16_t>(v));
    }
    Put16(m_placeable, inch);
    Put32(m_placeable, 0);
    std::uint16_t checksum = 0;
    for (std::size_t i = 0; i < 20; i += 2) {
        checksum ^= format::LoadLe16(m_placeable.data() + i);
    }
    Put16(m_placeable, checksum);
    return *this;
}

WmfBuilder& WmfBuilder::Record(std::uint16_t function, const WmfParams& params)
{
    return RecordWithSize(static_cast<std::uint32_t>(3 + (params.Data().size() + 1) / 2), function,
                          params);
}

WmfBuilder& WmfBuilder::RecordWithSize(std::uint32_t words, std::uint16_t function,
                                       const WmfParams& params)
{
    Put32(m_records, words);
    Put16(m_records, function);
    m_records.insert(m_records.end(), params.Data().begin(), params.Data().end());
    if (params.Data().size() % 2) {
        m_records.push_back(0);
    }
    return *this;
}

WmfBuilder& WmfBuilder::Box(std::uint16_t function, int left, int top, int right, int bottom)
{
    return Record(function, {bottom, right, top, left});
}

WmfBuilder& WmfBuilder::Pair(std::uint16_t function, int x, int y)
{
    return Record(function, {y, x});
}

WmfBuilder& WmfBuilder::MtSizeWords(std::uint32_t words)
{
    m_sizeOverridden = true;
    m_sizeWords = words;
    return *this;
}

std::vector<std::uint8_t> WmfBuilder::Bytes() const
{
    std::vector<std::uint8_t> body = m_records;
    Put32(body, 3);
    Put16(body, 0); // META_EOF
    std::vector<std::uint8_t> out = m_placeable;
    const std::uint32_t words =
        m_sizeOverridden ? m_sizeWords : static_cast<std::uint32_t>((18 + body.size()) / 2);
    Put16(out, 1); // memory metafile
    Put16(out, 9); // header words
    Put16(out, 0x300);
    Put32(out, words);
    Put16(out, 16); // objects
    Put32(out, 0);  // largest record: not read
    Put16(out, 0);
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

} // namespace testing_support
