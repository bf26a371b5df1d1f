#include "tests/viewer/render/ole/ole_fixtures.h"

namespace testing_support {

namespace {

void Put32(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

void PutString(std::vector<std::uint8_t>& out, const std::string& text)
{
    Put32(out, static_cast<std::uint32_t>(text.size() + 1));
    out.insert(out.end(), text.begin(), text.end());
    out.push_back(0);
}

} // namespace

std::vector<std::uint8_t> CompObjStream(const std::string& userType, const std::string& progId)
{
    std::vector<std::uint8_t> out{0x01, 0x00, 0xFE, 0xFF, 0x03, 0x0A,
                                  0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF};
    out.resize(28, 0);
    PutString(out, userType);
    Put32(out, 0); // no clipboard format
    PutString(out, progId);
    Put32(out, 0x71B239F4);
    return out;
}

std::vector<std::uint8_t> PresentationStream(std::uint32_t format, std::uint32_t aspect,
                                             std::int32_t cx, std::int32_t cy,
                                             const std::vector<std::uint8_t>& data)
{
    std::vector<std::uint8_t> out;
    Put32(out, 0xFFFFFFFF);
    Put32(out, format);
    Put32(out, 4); // no target device
    Put32(out, aspect);
    Put32(out, 0xFFFFFFFF);
    Put32(out, 1);
    Put32(out, 0);
    Put32(out, static_cast<std::uint32_t>(cx));
    Put32(out, static_cast<std::uint32_t>(cy));
    Put32(out, static_cast<std::uint32_t>(data.size()));
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

std::vector<std::uint8_t> PackageStream(const std::string& label, const std::string& tempPath,
                                        const std::vector<std::uint8_t>& file)
{
    std::vector<std::uint8_t> body{0x02, 0x00};
    body.insert(body.end(), label.begin(), label.end());
    body.push_back(0);
    const std::string source = "C:\\source\\" + label;
    body.insert(body.end(), source.begin(), source.end());
    body.push_back(0);
    Put32(body, 0x00030000);
    Put32(body, static_cast<std::uint32_t>(tempPath.size() + 1));
    body.insert(body.end(), tempPath.begin(), tempPath.end());
    body.push_back(0);
    Put32(body, static_cast<std::uint32_t>(file.size()));
    body.insert(body.end(), file.begin(), file.end());
    std::vector<std::uint8_t> out;
    Put32(out, static_cast<std::uint32_t>(body.size()));
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

} // namespace testing_support
