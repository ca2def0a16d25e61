/*
** libkvc: the speech codec of the recorder's codec data, frame by frame.
**
** One frame is 20 ms of speech, 160 samples of 16-bit PCM at 8000 Hz. The
** top three bits of a frame's first byte give its class and length:
**
**   000, 001  11 bytes  speech at 4.4 kbit/s
**   010, 011  18 bytes  speech at 7.2 kbit/s
**   100, 101  24 bytes  speech at 9.6 kbit/s
**   110        4 bytes  short frame
**   111        2 bytes  silence (E0 00 is one silent frame)
**
** The functions keep one decoder and one encoder per process; they are not
** meant to be called from two threads at once.
*/
#ifndef KVC_H
#define KVC_H

#include <stdint.h>

#if defined(KVC_BUILDING)
#define KVC_API __attribute__((visibility("default")))
#else
#define KVC_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Resets the decoder; call once before each file. */
KVC_API void vInitDecoder(void);

/* Decodes the frame at `frame` into 160 samples at `samples`. Reads only
** the bytes of the frame's class, never more; any byte values are accepted.
** Silent and short frames decode to silence. A null `frame` gives silence,
** a null `samples` does nothing. */
KVC_API void vDecode(int16_t* samples, const uint8_t* frame);

/* Resets the encoder and its voice activity detector; call once before each
** file. */
KVC_API void vInitEncoder(void);

/* Encodes 160 samples into `out`, which must hold 24 bytes. `rate` 0 gives
** the 11-byte class (4.4 kbit/s), 1 the 18-byte class (7.2), any other value
** the 24-byte class (9.6). With `vad` non-zero a quiet frame is written as
** the silent frame E0 00. Returns the number of bytes written: 2, 11, 18 or
** 24; 0 when an argument is null. */
KVC_API int16_t vEncode(const int16_t* samples, uint8_t* out, int32_t rate, int32_t vad);

/* The low and the high eight bits of a 16-bit value. */
KVC_API uint8_t LSB(int16_t value);
KVC_API uint8_t HSB(int16_t value);

#ifdef __cplusplus
}
#endif

#endif /* KVC_H */
