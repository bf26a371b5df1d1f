#include "stream/class_factory.h"

#include <gtest/gtest.h>

#include "platform/com_ptr.h"
#include "stream/class_id.h"
#include "stream/module.h"

using namespace platform;
using rillex::ClassFactory;
using rillex::ModuleLockCount;

TEST(ClassFactory, CreatesStreamsForEitherFaceAndRefusesAggregation)
{
    ComPtr<IClassFactory> factory;
    factory.Attach(ClassFactory::Create());
    ASSERT_TRUE(factory);
    EXPECT_EQ(ModuleLockCount(), 1);

    ComPtr<IPersistFile> file;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IPersistFile, file.PutVoid()), S_OK);
    ComPtr<IStream> stream;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IStream, stream.PutVoid()), S_OK);
    EXPECT_EQ(ModuleLockCount(), 3);
    // The query holds the only reference left after creation.
    EXPECT_EQ(stream->AddRef(), 2u);
    stream->Release();

    void* object = &factory;
    EXPECT_EQ(factory->CreateInstance(reinterpret_cast<IUnknown*>(file.Get()), IID_IStream,
                                      &object),
              CLASS_E_NOAGGREGATION);
    EXPECT_EQ(object, nullptr);
    object = &factory;
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_ISequentialStream, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IStream, nullptr), E_POINTER);
    // The refused object was freed.
    EXPECT_EQ(ModuleLockCount(), 3);

    file.Reset();
    stream.Reset();
    factory.Reset();
    EXPECT_EQ(ModuleLockCount(), 0);
}

TEST(ClassFactory, AnswersItsInterfacesAndLocksTheServer)
{
    auto* factory = ClassFactory::Create();
    void* object = nullptr;
    ASSERT_EQ(factory->QueryInterface(IID_IUnknown, &object), S_OK);
    EXPECT_EQ(object, factory);
    ASSERT_EQ(factory->QueryInterface(IID_IClassFactory, &object), S_OK);
    EXPECT_EQ(factory->QueryInterface(IID_IStream, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(factory->Release(), 2u);
    EXPECT_EQ(factory->Release(), 1u);

    EXPECT_EQ(factory->LockServer(true), S_OK);
    EXPECT_EQ(factory->LockServer(true), S_OK);
    EXPECT_EQ(factory->Release(), 0u);
    EXPECT_EQ(ModuleLockCount(), 2);
    factory = ClassFactory::Create();
    EXPECT_EQ(factory->LockServer(false), S_OK);
    EXPECT_EQ(factory->LockServer(false), S_OK);
    factory->Release();
    EXPECT_EQ(ModuleLockCount(), 0);
}

namespace {

// 100-ns intervals from 1582-10-15 to 1601-01-01.
constexpr std::uint64_t kUuidEpochOffset = 0x146BF33E42C000;
constexpr std::uint64_t kDay = 864000000000;

// A version-1 UUID whose timestamp is the file time `when`.
GUID TimeBased(std::uint64_t when)
{
    const std::uint64_t timestamp = when + kUuidEpochOffset;
    GUID uuid{};
    uuid.Data1 = static_cast<std::uint32_t>(timestamp);
    uuid.Data2 = static_cast<std::uint16_t>(timestamp >> 32);
    uuid.Data3 = static_cast<std::uint16_t>(((timestamp >> 48) & 0x0FFF) | 0x1000);
    uuid.Data4[0] = 0x9A;
    uuid.Data4[7] = 0x42;
    return uuid;
}

} // namespace

TEST(ClassId, ParsesBothFormsAndRejectsAnythingElse)
{
    const CLSID expected{0x0123ABCD, 0x4567, 0x89EF, {0xA1, 0xB2, 0xC3, 0xD4, 0xE5, 0xF6, 0x07, 0x18}};
    CLSID parsed{};
    ASSERT_EQ(rillex::ParseClassId("{0123ABCD-4567-89EF-A1B2-C3D4E5F60718}", &parsed), S_OK);
    EXPECT_EQ(parsed, expected);
    parsed = {};
    ASSERT_EQ(rillex::ParseClassId("0123abcd-4567-89ef-a1b2-c3d4e5f60718", &parsed), S_OK);
    EXPECT_EQ(parsed, expected);

    const char* malformed[] = {
        "",
        "{0123ABCD-4567-89EF-A1B2-C3D4E5F60718",    // 37: one brace
        "0123ABCD-4567-89EF-A1B2-C3D4E5F60718}",    // 37
        "(0123ABCD-4567-89EF-A1B2-C3D4E5F60718)",   // wrong brackets
        "{0123ABCD-4567-89EF-A1B2-C3D4E5F607180}",  // 39
        "{0123ABCD+4567-89EF-A1B2-C3D4E5F60718}",   // separator
        "{0123ABC-D4567-89EF-A1B2-C3D4E5F60718}",   // misplaced hyphen
        "{0123ABCG-4567-89EF-A1B2-C3D4E5F60718}",   // not hexadecimal
        "{0123ABCD-4567-89EF-A1B2-C3D4E5F6071 }",   // space
        "{ 123ABCD-4567-89EF-A1B2-C3D4E5F60718}",   // strtoul would take this one
        "{0x23ABCD-4567-89EF-A1B2-C3D4E5F60718}",   // and this one
    };
    for (const char* text : malformed) {
        CLSID untouched = expected;
        EXPECT_EQ(rillex::ParseClassId(text, &untouched), E_INVALID_DATA) << text;
        EXPECT_EQ(untouched, expected) << text;
    }
}

TEST(ClassId, KeepsOnlyTimeBasedIdentifiersFromBeforeTomorrow)
{
    const std::uint64_t now = 134000000000000000ull; // 2025
    EXPECT_TRUE(rillex::IsReusableClassId(TimeBased(now), now));
    EXPECT_TRUE(rillex::IsReusableClassId(TimeBased(now - 3650 * kDay), now));
    EXPECT_TRUE(rillex::IsReusableClassId(TimeBased(now + kDay - 1), now));
    EXPECT_FALSE(rillex::IsReusableClassId(TimeBased(now + kDay), now));
    EXPECT_FALSE(rillex::IsReusableClassId(TimeBased(now + 400 * kDay), now));

    GUID random = TimeBased(now);
    random.Data3 = static_cast<std::uint16_t>((random.Data3 & 0x0FFF) | 0x4000);
    EXPECT_FALSE(rillex::IsReusableClassId(random, now));
    GUID wrongVariant = TimeBased(now);
    wrongVariant.Data4[0] = 0xC0; // variant 110, a Microsoft-reserved GUID
    EXPECT_FALSE(rillex::IsReusableClassId(wrongVariant, now));
    EXPECT_FALSE(rillex::IsReusableClassId(GUID_NULL, now));
}
