// Stand-ins for the conversion library, built three ways by the loading tests:
//   STANDIN_CONVERTS   converts by copying the message file's bytes to a "tnf" file, and
//                      fails with 0x80004005 for an empty message file;
//   STANDIN_INIT_FAILS InitFerrule fails;
//   STANDIN_NO_ENTRY   MsgTNEF is missing.
#include <cstring>
#include <sys/stat.h>

#include "convert/include/ferrule.h"
#include "platform/files.h"

#define STANDIN_EXPORT extern "C" __attribute__((visibility("default")))

STANDIN_EXPORT int32_t InitFerrule(int32_t)
{
#ifdef STANDIN_INIT_FAILS
    return platform::E_FAIL;
#else
    return 0;
#endif
}

STANDIN_EXPORT int32_t CloseFerrule(int32_t) { return 0; }

#ifndef STANDIN_NO_ENTRY
STANDIN_EXPORT int32_t MsgTNEF(int32_t, const char* msgPath, char* tnefPath)
{
    tnefPath[0] = '\0';
    std::string path;
    platform::StatusCode status = platform::CreateUniqueTempFile("tnf", &path);
    if (platform::Failed(status)) {
        return status;
    }
    platform::TempFile output(path);
    status = platform::CopyWholeFile(msgPath, path);
    if (platform::Failed(status)) {
        return status;
    }
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || info.st_size == 0) {
        return platform::E_FAIL;
    }
    std::strncpy(tnefPath, output.Release().c_str(), FERRULE_PATH_BUFFER_SIZE - 1);
    return 0;
}
#endif
