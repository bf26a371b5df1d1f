/* Tagora: the property-name dictionary. Turns a MAPI property tag (identifier in the high
 * 16 bits, type in the low 16 bits) into the name under which MAPI publishes it, for
 * example 0x0037001E into "PR_SUBJECT".
 *
 * Every function returns 1 on success and 0 on failure; none throws.
 *
 * A dictionary is known to its callers only by its handle. On 64-bit Linux a handle must
 * hold a pointer, so it is an opaque pointer-sized value rather than a 32-bit number. A
 * dictionary does not change between TagoraInit and TagoraClose: lookups on one dictionary
 * may run concurrently, TagoraClose must not overlap any other call on the same handle.
 * Several dictionaries may exist at once, each independent of the others. */
#ifndef PALLION_TAGORA_H
#define PALLION_TAGORA_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define TAGORA_API __attribute__((visibility("default")))
#else
#define TAGORA_API
#endif

typedef struct TagoraDictionary* TagoraHandle;

/* Builds a dictionary and stores its handle in *handle. Returns 0 when handle is null or
 * memory runs out while building; *handle is then left as it was. */
TAGORA_API int32_t TagoraInit(TagoraHandle* handle);

/* Frees the dictionary and all its names. Returns 0 for a null handle. */
TAGORA_API int32_t TagoraClose(TagoraHandle handle);

/* Copies the name of `tag` into buffer, at most `length` bytes: a shorter name is followed
 * by zero bytes up to `length`, a name of `length` characters or more fills the buffer
 * without a terminating zero. Returns 0, leaving the buffer untouched, for a null handle,
 * a null buffer, a length of 0 or a tag without a name. Pass a buffer one byte longer than
 * `length` and zero-filled to always receive a terminated name. */
TAGORA_API int32_t TagoraGet(TagoraHandle handle, uint32_t tag, char* buffer, uint32_t length);

#ifdef __cplusplus
}
#endif

#endif
