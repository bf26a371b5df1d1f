// The library's three entry points. No exception leaves them: running out of memory is
// reported as E_OUTOFMEMORY, anything else as E_FAIL, and a failed conversion leaves no file.
#include "convert/include/ferrule.h"

#include <new>

#include "convert/mapi_memory.h"
#include "convert/msg_tnef.h"

extern "C" {

FERRULE_API int32_t InitFerrule(int32_t)
{
    return ferrule::MAPIInitialize(nullptr);
}

FERRULE_API int32_t CloseFerrule(int32_t)
{
    ferrule::MAPIUninitialize();
    return 0;
}

FERRULE_API int32_t MsgTNEF(int32_t, const char* msgPath, char* tnefPath)
{
    try {
        return ferrule::ConvertMessageFile(msgPath, tnefPath, FERRULE_PATH_BUFFER_SIZE);
    } catch (const std::bad_alloc&) {
        if (tnefPath) {
            tnefPath[0] = '\0';
        }
        return platform::E_OUTOFMEMORY;
    } catch (...) {
        if (tnefPath) {
            tnefPath[0] = '\0';
        }
        return platform::E_FAIL;
    }
}

} // extern "C"
