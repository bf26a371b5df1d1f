// The registration store's API: single reads and writes, each over a whole store.
#include "platform/registry.h"

#include "platform/registry_p.h"

namespace platform {

StatusCode RegistryReadValue(RegistryRoot root, std::string_view key, std::string_view name,
                             RegistryValue* value)
{
    if (!value) {
        return E_POINTER;
    }
    std::string text;
    RegistryData data;
    const StatusCode status = ReadStoreText(&text);
    if (Failed(status)) {
        return status;
    }
    if (Failed(RegistryData::Parse(text, &data))) {
        return E_FILE_NOT_FOUND;
    }
    return data.GetValue(root, key, name, value);
}

StatusCode RegistryReadText(RegistryRoot root, std::string_view key, std::string_view name,
                            std::string* text)
{
    if (!text) {
        return E_POINTER;
    }
    RegistryValue value;
    const StatusCode status = RegistryReadValue(root, key, name, &value);
    if (Failed(status)) {
        return status;
    }
    if (value.type != REG_SZ) {
        return E_INVALID_DATA;
    }
    *text = std::move(value.text);
    return S_OK;
}

namespace {

// One change in a transaction of its own; a recovered store's warning is passed on.
StatusCode WriteOne(RegistryRoot root, std::string_view key, std::string_view name,
                    const RegistryValue& value)
{
    Transaction transaction;
    const StatusCode begun = transaction.Begin();
    if (Failed(begun)) {
        return begun;
    }
    StatusCode status = transaction.Data().SetValue(root, key, name, value);
    if (Succeeded(status)) {
        status = transaction.Commit();
    }
    return Failed(status) ? status : begun;
}

} // namespace

StatusCode RegistryWriteText(RegistryRoot root, std::string_view key, std::string_view name,
                             std::string_view text)
{
    RegistryValue value;
    value.text = std::string(text);
    return WriteOne(root, key, name, value);
}

StatusCode RegistryWriteNumber(RegistryRoot root, std::string_view key, std::string_view name,
                               std::uint32_t number)
{
    RegistryValue value;
    value.type = REG_DWORD;
    value.number = number;
    return WriteOne(root, key, name, value);
}

} // namespace platform
