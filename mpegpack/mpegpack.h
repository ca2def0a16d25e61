/*
** libMpegPack.so: encodes a levelled WAV file (16-bit mono PCM at 8000 Hz
** behind a 44-byte header) into an MP3 file through the LAME encoder,
** libmp3lame.so.0, which it loads on every call and unloads again.
**
** The main program loads this library by name (dlopen) and binds MpegPack
** with dlsym; nothing else is exported. Calls must not overlap.
*/
#ifndef QLM_MPEGPACK_H
#define QLM_MPEGPACK_H

#include <stdint.h>

#if defined(__GNUC__)
#define MPEGPACK_API __attribute__((visibility("default")))
#else
#define MPEGPACK_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/*
** MpegPack: encode the samples after the first 44 bytes of `source` (the WAV
** header is skipped unread: any file is taken as 8000 Hz mono 16-bit
** little-endian) into `destination`, which is created or overwritten. The
** result is an MPEG-2.5 Layer III file, 8000 Hz, mono, 8 to 16 kbit/s, whose
** first frame carries the LAME info tag. `mp3Option` is the caller's MP3
** choice; the encoding does not depend on it.
**
** Results:
**    0  the MP3 file was written
**   -1  libmp3lame.so.0 could not be loaded (two attempts) or lacks one of
**       the functions used; no file was opened
**   -2  the source could not be opened (or is a null pointer) or reading it
**       failed part-way
**   -3  the destination could not be created (or is a null pointer, or is
**       the source itself)
**   -4  the encoder could not be set up
**   -5  a buffer could not be allocated; "Out of memory" is written to
**       standard output
**   -6  encoding a chunk failed
**   -7  a chunk's encoded bytes could not all be written
**   -8  flushing the encoder failed
**   -9  the flushed bytes or the info tag could not all be written
** On every failure from -2 on, a destination this call created is removed
** again, so an existing destination always means success.
*/
MPEGPACK_API int32_t MpegPack(const char* source, const char* destination, int32_t mp3Option);

#ifdef __cplusplus
}
#endif

#endif /* QLM_MPEGPACK_H */
