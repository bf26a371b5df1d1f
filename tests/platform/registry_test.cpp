// The store's content model and its text form.
#include "platform/registry.h"

#include <gtest/gtest.h>

using namespace platform;

namespace {

RegistryValue Text(std::string text)
{
    RegistryValue value;
    value.text = std::move(text);
    return value;
}

RegistryValue Number(std::uint32_t number)
{
    RegistryValue value;
    value.type = REG_DWORD;
    value.number = number;
    return value;
}

RegistryData Parsed(std::string_view text)
{
    RegistryData data;
    EXPECT_EQ(RegistryData::Parse(text, &data), S_OK) << text;
    return data;
}

} // namespace

TEST(RegistryData, WritesTheExportFormatWithEscapes)
{
    RegistryData data;
    ASSERT_EQ(data.SetValue(RegistryRoot::ClassesRoot, "corvane.rillex", "", Text("rillex class")), S_OK);
    ASSERT_EQ(data.SetValue(RegistryRoot::LocalMachine, "SOFTWARE\\corvane.example", "RawView", Number(1)),
              S_OK);
    ASSERT_EQ(data.SetValue(RegistryRoot::LocalMachine, "SOFTWARE\\corvane.example", "Say \"hi\"",
                            Text("C:\\dir\\\"x\"")),
              S_OK);
    EXPECT_EQ(data.Serialize(),
              "Windows Registry Editor Version 5.00\n\n"
              "[HKEY_CLASSES_ROOT\\corvane.rillex]\n"
              "@=\"rillex class\"\n\n"
              "[HKEY_LOCAL_MACHINE\\SOFTWARE]\n\n"
              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\corvane.example]\n"
              "\"RawView\"=dword:00000001\n"
              "\"Say \\\"hi\\\"\"=\"C:\\\\dir\\\\\\\"x\\\"\"\n\n");
}

TEST(RegistryData, RoundTripsTextAndNumbers)
{
    RegistryData data;
    ASSERT_EQ(data.SetValue(RegistryRoot::ClassesRoot, "a\\b c\\d", "", Text("\\\\server\\share\"")), S_OK);
    ASSERT_EQ(data.SetValue(RegistryRoot::ClassesRoot, "a\\b c\\d", "n", Number(0xFFFFFFFFu)), S_OK);
    ASSERT_EQ(data.SetValue(RegistryRoot::ClassesRoot, "a", "tab\there", Text("; not a comment\t[x]")),
              S_OK);
    ASSERT_EQ(data.SetValue(RegistryRoot::LocalMachine, "", "at root", Text("")), S_OK);
    ASSERT_EQ(data.SetValue(RegistryRoot::ClassesRoot, "x", "@", Text("\xC3\xA4 utf-8")), S_OK);
    const RegistryData back = Parsed(data.Serialize());
    EXPECT_TRUE(back == data);
    RegistryValue value;
    ASSERT_EQ(back.GetValue(RegistryRoot::ClassesRoot, "A\\B C\\D", "", &value), S_OK);
    EXPECT_EQ(value, Text("\\\\server\\share\""));
    ASSERT_EQ(back.GetValue(RegistryRoot::ClassesRoot, "a\\b c\\d", "N", &value), S_OK);
    EXPECT_EQ(value, Number(0xFFFFFFFFu));
    ASSERT_EQ(back.GetValue(RegistryRoot::ClassesRoot, "x", "@", &value), S_OK);
    EXPECT_EQ(value.text, "\xC3\xA4 utf-8");
    EXPECT_EQ(back.GetValue(RegistryRoot::ClassesRoot, "x", "", &value), E_FILE_NOT_FOUND);
    EXPECT_EQ(back.GetValue(RegistryRoot::LocalMachine, "a", "", &value), E_FILE_NOT_FOUND);
}

TEST(RegistryData, NamesCompareWithoutCaseAndKeepTheirFirstSpelling)
{
    RegistryData data;
    ASSERT_EQ(data.SetValue(RegistryRoot::ClassesRoot, "CLSID\\{ABC}", "ThreadingModel", Text("Both")), S_OK);
    ASSERT_EQ(data.SetValue(RegistryRoot::ClassesRoot, "clsid\\{abc}", "threadingmodel", Text("Apartment")),
              S_OK);
    EXPECT_EQ(data.Serialize(), "Windows Registry Editor Version 5.00\n\n"
                                "[HKEY_CLASSES_ROOT\\CLSID]\n\n"
                                "[HKEY_CLASSES_ROOT\\CLSID\\{ABC}]\n"
                                "\"ThreadingModel\"=\"Apartment\"\n\n");
    // Setting a text over a number leaves no trace of the number.
    ASSERT_EQ(data.SetValue(RegistryRoot::ClassesRoot, "CLSID", "v", Number(5)), S_OK);
    ASSERT_EQ(data.SetValue(RegistryRoot::ClassesRoot, "CLSID", "V", Text("t")), S_OK);
    RegistryValue value;
    ASSERT_EQ(data.GetValue(RegistryRoot::ClassesRoot, "CLSID", "v", &value), S_OK);
    EXPECT_EQ(value, Text("t"));
}

TEST(RegistryData, ReadsWhatOtherEditorsWrite)
{
    const RegistryData data = Parsed("\xEF\xBB\xBF"
                                     "; exported by hand\r\n"
                                     "\r\n"
                                     "[hkey_classes_root\\Ext]\r\n"
                                     "@=\"x\"\r\n"
                                     "\"N\"=dword:1aB\r\n"
                                     "[HKEY_CLASSES_ROOT\\Ext]\n"
                                     "\"M\"=\"y\"");
    RegistryValue value;
    ASSERT_EQ(data.GetValue(RegistryRoot::ClassesRoot, "ext", "n", &value), S_OK);
    EXPECT_EQ(value.number, 0x1ABu);
    ASSERT_EQ(data.GetValue(RegistryRoot::ClassesRoot, "EXT", "", &value), S_OK);
    EXPECT_EQ(value.text, "x");
    ASSERT_EQ(data.GetValue(RegistryRoot::ClassesRoot, "Ext", "m", &value), S_OK);
    EXPECT_EQ(value.text, "y");
    EXPECT_TRUE(Parsed("").Empty());
    EXPECT_TRUE(Parsed("Windows Registry Editor Version 5.00\n").Empty());
}

TEST(RegistryData, RefusesMalformedText)
{
    const struct {
        const char* name;
        const char* text;
    } rows[] = {
        {"value before any key", "@=\"x\"\n"},
        {"unknown root", "[HKEY_CURRENT_USER\\x]\n"},
        {"unclosed key", "[HKEY_CLASSES_ROOT\\x\n"},
        {"empty key name", "[HKEY_CLASSES_ROOT\\a\\\\b]\n"},
        {"trailing backslash", "[HKEY_CLASSES_ROOT\\a\\]\n"},
        {"deletion entry", "[-HKEY_CLASSES_ROOT\\a]\n"},
        {"unknown escape", "[HKEY_CLASSES_ROOT\\a]\n@=\"a\\nb\"\n"},
        {"unterminated text", "[HKEY_CLASSES_ROOT\\a]\n@=\"abc\n"},
        {"text then garbage", "[HKEY_CLASSES_ROOT\\a]\n@=\"abc\"x\n"},
        {"nine digit dword", "[HKEY_CLASSES_ROOT\\a]\n@=dword:000000001\n"},
        {"empty dword", "[HKEY_CLASSES_ROOT\\a]\n@=dword:\n"},
        {"binary value", "[HKEY_CLASSES_ROOT\\a]\n@=hex:00,01\n"},
        {"missing equals", "[HKEY_CLASSES_ROOT\\a]\n\"n\" \"v\"\n"},
        {"header after content", "[HKEY_CLASSES_ROOT\\a]\nWindows Registry Editor Version 5.00\n"},
        {"control character", "[HKEY_CLASSES_ROOT\\a]\n@=\"a\x01\"\n"},
        {"carriage return inside", "[HKEY_CLASSES_ROOT\\a]\n@=\"a\rb\"\n"},
    };
    for (const auto& row : rows) {
        RegistryData data;
        ASSERT_EQ(data.SetValue(RegistryRoot::ClassesRoot, "kept", "", Text("untouched")), S_OK);
        EXPECT_EQ(RegistryData::Parse(row.text, &data), E_INVALID_DATA) << row.name;
        EXPECT_TRUE(data.HasKey(RegistryRoot::ClassesRoot, "kept")) << row.name;
    }
}

TEST(RegistryData, RefusesNamesTheFileCannotHold)
{
    RegistryData data;
    EXPECT_EQ(data.CreateKey(RegistryRoot::ClassesRoot, "a\\\\b"), E_INVALIDARG);
    EXPECT_EQ(data.CreateKey(RegistryRoot::ClassesRoot, "\\a"), E_INVALIDARG);
    EXPECT_EQ(data.SetValue(RegistryRoot::ClassesRoot, "a", "line\nbreak", Text("x")), E_INVALIDARG);
    EXPECT_EQ(data.SetValue(RegistryRoot::ClassesRoot, "a", "", Text("two\nlines")), E_INVALIDARG);
    RegistryValue binary;
    binary.type = 3;
    EXPECT_EQ(data.SetValue(RegistryRoot::ClassesRoot, "a", "", binary), E_INVALIDARG);
    EXPECT_TRUE(data.Empty());
}

TEST(RegistryData, DeletingAKeyTakesAllItsSubkeys)
{
    RegistryData data;
    ASSERT_EQ(data.CreateKey(RegistryRoot::ClassesRoot, "a\\b\\c"), S_OK);
    ASSERT_EQ(data.CreateKey(RegistryRoot::ClassesRoot, "a-z"), S_OK); // sorts between a and a\b
    ASSERT_EQ(data.CreateKey(RegistryRoot::ClassesRoot, "a\\b-x"), S_OK);
    ASSERT_EQ(data.CreateKey(RegistryRoot::LocalMachine, "a\\b"), S_OK);
    ASSERT_EQ(data.DeleteKey(RegistryRoot::ClassesRoot, "A"), S_OK);
    EXPECT_FALSE(data.HasKey(RegistryRoot::ClassesRoot, "a\\b\\c"));
    EXPECT_FALSE(data.HasKey(RegistryRoot::ClassesRoot, "a\\b-x"));
    EXPECT_FALSE(data.HasKey(RegistryRoot::ClassesRoot, "a"));
    EXPECT_TRUE(data.HasKey(RegistryRoot::ClassesRoot, "a-z"));
    EXPECT_TRUE(data.HasKey(RegistryRoot::LocalMachine, "a\\b"));
    EXPECT_EQ(data.DeleteKey(RegistryRoot::ClassesRoot, "a"), E_FILE_NOT_FOUND);
}
