// Ferrule: converts a message file (a MAPI message kept in a compound file, ".msg") into a
// TNEF stream written to a new file in the process's private temporary folder.
//
// The viewer loads the library at run time and binds the three entry points by name:
// InitFerrule once after loading, MsgTNEF for each message file, CloseFerrule before
// unloading. Every result is a 32-bit status (0 or positive: success; negative: failure).
#pragma once

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(FERRULE_BUILDING)
#define FERRULE_API __attribute__((visibility("default")))
#else
#define FERRULE_API
#endif

// Size of the buffer a caller hands to MsgTNEF for the TNEF file's path, terminator included.
#define FERRULE_PATH_BUFFER_SIZE 4096

// Prepares the library; the argument is not used (pass 0).
FERRULE_API int32_t InitFerrule(int32_t reserved);

// Ends what InitFerrule began; the argument is not used (pass 0). Always 0.
FERRULE_API int32_t CloseFerrule(int32_t reserved);

// Converts the message file at msgPath (8-bit text) into a TNEF file and writes that file's
// path into tnefPath, a buffer of FERRULE_PATH_BUFFER_SIZE bytes owned by the caller. The
// first argument is not used (pass 0). On success the file belongs to the caller, who deletes
// it; on failure no file is left and tnefPath holds an empty string.
FERRULE_API int32_t MsgTNEF(int32_t reserved, const char* msgPath, char* tnefPath);

typedef int32_t (*InitFerruleFn)(int32_t reserved);
typedef int32_t (*CloseFerruleFn)(int32_t reserved);
typedef int32_t (*MsgTNEFFn)(int32_t reserved, const char* msgPath, char* tnefPath);

#ifdef __cplusplus
}
#endif
