#include "viewer/items/global_object_id.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include "format/little_endian.h"

namespace viewer::items {

namespace {

constexpr std::size_t kInstanceDate = 16; // YH, YL, M, D
constexpr std::size_t kSize = 36;
constexpr std::size_t kData = 40;
constexpr std::string_view kVcalMarker{"vCal-Uid\x01\x00\x00\x00", 12};

bool IsUidCharacter(std::uint8_t c)
{
    return c > 0x20 && c < 0x7F;
}

} // namespace

std::string UpperHex(std::span<const std::uint8_t> bytes)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (const std::uint8_t b : bytes) {
        out += kDigits[b >> 4];
        out += kDigits[b & 0x0F];
    }
    return out;
}

std::optional<MeetingUid> UidOfGlobalObjectId(std::span<const std::uint8_t> id)
{
    std::uint32_t size = 0;
    if (id.size() < kData || id.size() > kMaxGlobalObjectIdSize ||
        !format::LoadLe32At(id, kSize, size) || size != id.size() - kData) {
        return std::nullopt;
    }
    MeetingUid result;
    result.exact = UpperHex(id);
    result.instance = std::any_of(id.begin() + kInstanceDate, id.begin() + kInstanceDate + 4,
                                  [](std::uint8_t b) { return b != 0; });
    const auto data = id.subspan(kData);
    const std::string_view text(reinterpret_cast<const char*>(data.data()), data.size());
    if (text.starts_with(kVcalMarker)) {
        std::string uid;
        for (std::size_t i = kVcalMarker.size(); i < data.size() && data[i] != 0; ++i) {
            if (!IsUidCharacter(data[i])) {
                uid.clear();
                break;
            }
            uid += static_cast<char>(data[i]);
        }
        if (!uid.empty()) {
            result.series = uid;
            return result;
        }
    }
    std::vector<std::uint8_t> clean(id.begin(), id.end());
    std::fill_n(clean.begin() + kInstanceDate, 4, std::uint8_t{0});
    result.series = UpperHex(clean);
    return result;
}

} // namespace viewer::items
