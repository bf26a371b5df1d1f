// Any bytes as a registration store: parsing never crashes, and a store that parses writes
// out to text that parses to the same content and writes out identically again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/registry.h"

using platform::RegistryData;
using platform::RegistryRoot;

namespace {

void Check(bool condition)
{
    if (!condition) {
        std::abort();
    }
}

void CheckRoundTrip(const RegistryData& data)
{
    const std::string written = data.Serialize();
    RegistryData reread;
    Check(RegistryData::Parse(written, &reread) == platform::S_OK);
    Check(reread == data);
    Check(reread.Serialize() == written);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(bytes), size);
    RegistryData data;
    if (platform::Failed(RegistryData::Parse(text, &data))) {
        Check(data.Empty());
        return 0;
    }
    CheckRoundTrip(data);

    // Changes on top of whatever was read keep the round trip intact.
    platform::RegistryValue value;
    value.text = "rillex class";
    Check(platform::Succeeded(data.SetValue(RegistryRoot::ClassesRoot, "corvane.rillex\\CLSID", "", value)));
    Check(data.GetValue(RegistryRoot::ClassesRoot, "CORVANE.RILLEX\\clsid", "", &value) == platform::S_OK);
    Check(data.DeleteKey(RegistryRoot::ClassesRoot, "corvane.rillex") == platform::S_OK);
    Check(!data.HasKey(RegistryRoot::ClassesRoot, "corvane.rillex\\CLSID"));
    CheckRoundTrip(data);
    return 0;
}
