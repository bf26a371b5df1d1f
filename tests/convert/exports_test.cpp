// The shared library as the viewer loads it: exactly three entry points, bound by name.
#include <dlfcn.h>

#include <gtest/gtest.h>

#include "convert/include/ferrule.h"
#include "tests/convert/msg_writer.h"
#include "tests/support/test_files.h"

namespace testing_support {
namespace {

struct Library {
    void* handle = ::dlopen(PALLION_BIN_DIR "/libferrule.so", RTLD_NOW | RTLD_LOCAL);
    ~Library()
    {
        if (handle) {
            ::dlclose(handle);
        }
    }
};

TEST(FerruleLibrary, ExportsOnlyItsEntryPointsAndConverts)
{
    Library library;
    ASSERT_NE(library.handle, nullptr) << ::dlerror();
    auto init = reinterpret_cast<InitFerruleFn>(::dlsym(library.handle, "InitFerrule"));
    auto close = reinterpret_cast<CloseFerruleFn>(::dlsym(library.handle, "CloseFerrule"));
    auto convert = reinterpret_cast<MsgTNEFFn>(::dlsym(library.handle, "MsgTNEF"));
    ASSERT_NE(init, nullptr);
    ASSERT_NE(close, nullptr);
    ASSERT_NE(convert, nullptr);
    // Internal functions stay hidden, MAPI-named ones included.
    EXPECT_EQ(::dlsym(library.handle, "_ZN7ferrule18MAPIAllocateBufferEjPPv"), nullptr);
    EXPECT_EQ(::dlsym(library.handle, "_ZN7ferrule18ConvertMessageFileEPKcPcm"), nullptr);

    MsgBuilder msg;
    msg.Message().String8(0x0037001E, "through the shared library");
    ASSERT_TRUE(msg.Write(Scratch() + "shared.msg"));
    EXPECT_EQ(init(0), 0);
    char path[FERRULE_PATH_BUFFER_SIZE];
    EXPECT_EQ(convert(0, (Scratch() + "shared.msg").c_str(), path), 0);
    EXPECT_TRUE(FileExists(path));
    const std::vector<std::uint8_t> bytes = ReadFile(path);
    ASSERT_GE(bytes.size(), 6u);
    EXPECT_EQ(bytes[0], 0x78);
    EXPECT_EQ(bytes[3], 0x22);
    EXPECT_EQ(close(0), 0);
}

} // namespace
} // namespace testing_support
