#include "stream/registration.h"

#include "platform/files.h"
#include "platform/registry.h"
#include "platform/uuid_library.h"
#include "stream/class_factory.h"
#include "stream/class_id.h"

namespace rillex {

using namespace platform;

namespace {

constexpr auto kClassRoot = RegistryRoot::ClassesRoot;

// The identifier to keep from the store being changed, if any is fit to keep. A value that
// is missing, not text or not a valid identifier simply gets replaced.
bool StoredClassId(const RegistryData& data, CLSID* classId)
{
    RegistryValue value;
    if (Failed(data.GetValue(kClassRoot, kClassIdKey, "", &value)) || value.type != REG_SZ) {
        return false;
    }
    CLSID stored{};
    if (Failed(ParseClassId(value.text, &stored)) || !IsReusableClassId(stored, FileTimeNow())) {
        return false;
    }
    *classId = stored;
    return true;
}

StatusCode CreateClassId(const UuidLibrary& uuid, CLSID* classId)
{
    CLSID created{};
    const StatusCode status =
        uuid.HasTimeBased() ? uuid.CreateTimeBased(&created) : uuid.Create(&created);
    // Unique only on this machine (no uuidd running) is good enough for a class that
    // lives in this user's store.
    if (status != S_OK && status != RPC_S_UUID_LOCAL_ONLY) {
        return status > 0 ? StatusFromError(status) : status;
    }
    if (!IsTimeBasedUuid(created)) {
        return E_INVALID_DATA;
    }
    *classId = created;
    return S_OK;
}

} // namespace

StatusCode RegisterServer(const std::string& libraryPath, CLSID* registered)
{
    UuidLibrary uuid;
    StatusCode status = uuid.Load();
    if (Failed(status)) {
        return status;
    }
    // Reading the identifier and writing the entries happen in one transaction, so two
    // processes registering at once agree on one identifier and a reader sees either none
    // or all nine entries.
    Transaction transaction;
    const StatusCode begun = transaction.Begin();
    if (Failed(begun)) {
        return begun;
    }
    CLSID classId{};
    if (!StoredClassId(transaction.Data(), &classId)) {
        status = CreateClassId(uuid, &classId);
        if (Failed(status)) {
            return status;
        }
    }
    std::string text;
    status = uuid.Format(classId, &text);
    if (Failed(status)) {
        return status;
    }
    const std::string braced = "{" + text + "}";
    const std::string classKey = "CLSID\\" + braced;
    const std::string serverKey = classKey + "\\InprocServer32";
    const struct {
        std::string key;
        std::string name;
        std::string value;
    } entries[] = {
        {kProgId, "", kClassName},
        {kClassIdKey, "", braced},
        {std::string(kProgId) + "\\CurVer", "", kVersionedProgId},
        {kVersionedProgId, "", kClassName},
        {std::string(kVersionedProgId) + "\\CLSID", "", braced},
        {classKey, "", kClassName},
        {classKey + "\\ProgID", "", kVersionedProgId},
        {classKey + "\\VersionIndependentProgID", "", kProgId},
        {serverKey, "", libraryPath},
        {serverKey, "ThreadingModel", "Both"},
    };
    for (const auto& entry : entries) {
        status = transaction.SetText(kClassRoot, entry.key, entry.name, entry.value);
        if (Failed(status)) {
            return status;
        }
    }
    status = transaction.Commit();
    if (Failed(status)) {
        return status;
    }
    if (registered) {
        *registered = classId;
    }
    return begun;
}

StatusCode ReadRegisteredClassId(CLSID* classId)
{
    RegistryValue value;
    const StatusCode status = RegistryReadValue(kClassRoot, kClassIdKey, "", &value);
    if (Failed(status)) {
        return status;
    }
    if (value.type != REG_SZ) {
        return E_UNEXPECTED;
    }
    return ParseClassId(value.text, classId);
}

StatusCode GetClassObject(const CLSID& classId, const IID& iid, void** object)
{
    if (!object) {
        return E_POINTER;
    }
    *object = nullptr;
    // The UUID services are a precondition of the server as a whole: without them it could
    // never have been registered, so a class object is refused as well.
    UuidLibrary uuid;
    StatusCode status = uuid.Load();
    if (Failed(status)) {
        return status;
    }
    CLSID registered{};
    status = ReadRegisteredClassId(&registered);
    if (Failed(status)) {
        return status;
    }
    if (classId != registered) {
        return CLASS_E_CLASSNOTAVAILABLE;
    }
    ClassFactory* factory = ClassFactory::Create();
    if (!factory) {
        return E_OUTOFMEMORY;
    }
    status = factory->QueryInterface(iid, object);
    factory->Release();
    return status;
}

} // namespace rillex
