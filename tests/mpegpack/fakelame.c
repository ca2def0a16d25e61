/*
** A stand-in for libmp3lame that records the calls it gets and fails where a
** test asks, so the tests see the order of the calls and the paths that the
** real encoder never takes. Compiled against the real lame.h, so it cannot
** drift from the interface it stands in for.
**
** FAKELAME_LOG: file that gets one line per call.
** FAKELAME_FAIL: the call that fails: init, init_params, encode or flush.
*/
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <lame/lame.h>

#define EXPORT __attribute__((visibility("default")))

static void Log(const char* format, ...) {
    const char* path = getenv("FAKELAME_LOG");
    FILE* log = path ? fopen(path, "a") : NULL;
    if (!log)
        return;
    va_list args;
    va_start(args, format);
    vfprintf(log, format, args);
    va_end(args);
    fputc('\n', log);
    fclose(log);
}

static int Fails(const char* call) {
    const char* fail = getenv("FAKELAME_FAIL");
    return fail && strcmp(fail, call) == 0;
}

static int dummy;

EXPORT lame_global_flags* lame_init(void) {
    Log("lame_init");
    return Fails("init") ? NULL : (lame_global_flags*)&dummy;
}

#define SETTER(name)                                 \
    EXPORT int name(lame_global_flags* gfp, int v) { \
        (void)gfp;                                   \
        Log(#name " %d", v);                         \
        return 0;                                    \
    }
SETTER(lame_set_in_samplerate)
SETTER(lame_set_bWriteVbrTag)
SETTER(lame_set_num_channels)
SETTER(lame_set_brate)
SETTER(lame_set_preset)
SETTER(lame_set_strict_ISO)
SETTER(lame_set_original)
SETTER(lame_set_error_protection)
SETTER(lame_set_extension)
SETTER(lame_set_VBR_min_bitrate_kbps)
SETTER(lame_set_VBR_max_bitrate_kbps)
SETTER(lame_set_disable_reservoir)

EXPORT int lame_set_mode(lame_global_flags* gfp, MPEG_mode mode) {
    (void)gfp;
    Log("lame_set_mode %d", (int)mode);
    return 0;
}

EXPORT int lame_set_VBR(lame_global_flags* gfp, vbr_mode mode) {
    (void)gfp;
    Log("lame_set_VBR %d", (int)mode);
    return 0;
}

EXPORT int lame_init_params(lame_global_flags* gfp) {
    (void)gfp;
    Log("lame_init_params");
    return Fails("init_params") ? -1 : 0;
}

EXPORT int lame_get_version(const lame_global_flags* gfp) {
    (void)gfp;
    Log("lame_get_version");
    return 2;
}

/* Each sample becomes one byte, so a test can count what was encoded. */
EXPORT int lame_encode_buffer(lame_global_flags* gfp, const short int left[], const short int right[],
                              const int samples, unsigned char* mp3, const int size) {
    (void)gfp;
    Log("lame_encode_buffer %d %d %s", samples, size, left == right ? "same" : "different");
    if (Fails("encode"))
        return -1;
    for (int i = 0; i < samples && i < size; ++i)
        mp3[i] = (unsigned char)left[i];
    return samples;
}

EXPORT int lame_encode_flush(lame_global_flags* gfp, unsigned char* mp3, int size) {
    (void)gfp;
    Log("lame_encode_flush %d", size);
    if (Fails("flush"))
        return -1;
    memcpy(mp3, "FLUSH", 5);
    return 5;
}

/* As the real one: back to the start of the file, which must be readable. */
EXPORT void lame_mp3_tags_fid(lame_global_flags* gfp, FILE* file) {
    (void)gfp;
    char first = 0;
    int readable = fseek(file, 0, SEEK_SET) == 0 && fread(&first, 1, 1, file) == 1;
    Log("lame_mp3_tags_fid %s", readable ? "readable" : "unreadable");
    if (fseek(file, 0, SEEK_SET) == 0)
        fwrite("TAG", 1, 3, file);
}

#ifndef FAKELAME_NO_CLOSE
EXPORT int lame_close(lame_global_flags* gfp) {
    (void)gfp;
    Log("lame_close");
    return 0;
}
#endif
