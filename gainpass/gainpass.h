/*
** libGainPass.so: the two file stages that surround the codec front-end in a
** conversion. skipCopy cuts the card header off a recording; GainPass levels
** a decoded WAV file with the "HQGC" automatic gain control.
**
** The main program loads the library by name (dlopen) and binds these two
** symbols with dlsym; nothing else is exported. Paths are plain byte strings
** as the file system takes them, of any length.
**
** Neither function may run while another call into the library is running:
** the gain control keeps one state for the whole process, and that state is
** meant to carry over from one GainPass call to the next.
**
** Both functions remove a destination they created when they then fail, so a
** destination file on disk always means success.
*/
#ifndef QLM_GAINPASS_H
#define QLM_GAINPASS_H

#include <stdint.h>

#if defined(__GNUC__)
#define GAINPASS_API __attribute__((visibility("default")))
#else
#define GAINPASS_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/*
** skipCopy: copy the source from byte `offset` to its end into a new file
** `destination` (an existing regular file is overwritten). The main program
** passes 512, the size of the card header. An offset past the source's end is
** no error: the copy is then empty.
**
** Results:
**    0  the copy was made
**   -1  the source could not be opened (or is a null pointer)
**   -2  the seek to `offset` failed (a negative offset), or reading the
**       source failed part-way
**   -3  the destination could not be created (or is a null pointer, or is
**       the source itself)
**   -4  writing the destination failed (a full disk)
** On -2 and -4 the destination is removed again; on -1 and -3 it was never
** touched.
*/
GAINPASS_API int32_t skipCopy(int32_t offset, const char* source, const char* destination);

/*
** GainPass: copy the 44-byte header of the WAV file `source` unchanged into
** `destination` and every 16-bit little-endian sample after it through the
** gain control, whose lowest gain (the floor level) becomes `level`. Only the
** low 16 bits of `level` count, taken as a signed 16-bit number; the main
** program passes 40. The channel count, rate and chunk layout of the source
** are not looked at. A source shorter than 44 bytes gives a 44-byte
** destination, its missing header bytes zero; a trailing odd byte is dropped.
**
** Results:
**    0  the destination was written
**   -1  the level is below 20 or above 999 (nothing is touched and the gain
**       control's state stays as it was), or a file could not be opened, read
**       or written, or the destination is the source itself
** The destination is removed again when reading or writing fails after it
** was created. The gain control's state advances with every sample processed,
** also in a call that fails part-way.
*/
GAINPASS_API int32_t GainPass(const char* source, const char* destination, int32_t level);

#ifdef __cplusplus
}
#endif

#endif /* QLM_GAINPASS_H */
