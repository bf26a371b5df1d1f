/* Gimlet: finds the TNEF part (winmail.dat) of a MIME mail file and writes it to a
 * temporary file. The one entry point of libgimlet.so. */
#ifndef GIMLET_GIMLET_H
#define GIMLET_GIMLET_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Size in bytes of the path buffer handed to GimletExtractTnef, terminator included. */
#define GIMLET_PATH_BUFFER_SIZE 4096

/* Extracts the TNEF part of the MIME mail at mailPath into a new temporary file ("tnf"
 * prefix, in the process's private temporary folder) and writes that file's path,
 * zero-terminated, into tnefPath, which must hold GIMLET_PATH_BUFFER_SIZE bytes. The buffer
 * is zero-filled first. The caller owns the file and deletes it.
 *
 * reserved: pass 0 (not used).
 * Returns 0 on success, or a negative status code:
 *   0x8004010F  the mail holds no TNEF part;
 *   0x80004005  the TNEF part decodes to nothing;
 *   0x80070057  mailPath or tnefPath is missing, or mailPath is not a regular file;
 *   0x8007xxxx  the platform error that kept the mail from being read or the result
 *               from being written (0x80070002: no such file).
 * On failure no file is left behind. */
int32_t GimletExtractTnef(int32_t reserved, const char* mailPath, char* tnefPath);

#ifdef __cplusplus
}
#endif

#endif
