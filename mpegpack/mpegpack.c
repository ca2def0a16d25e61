/*
** WAV to MP3 through libmp3lame, loaded at run time.
**
** The encoder is not linked: it is loaded by name on every call and unloaded
** at the end, so a machine without it still runs the main program (WAV output
** works, MP3 output fails with -1). lame.h supplies only the types, so the
** bound functions are checked against the real interface at compile time.
*/
#define _POSIX_C_SOURCE 200809L /* fileno() */

#include "mpegpack.h"

#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <lame/lame.h>

/* The encoder's file name; tests build a copy of this library that names a
** missing or a recording stand-in library. */
#ifndef MPEGPACK_LAME_LIBRARY
#define MPEGPACK_LAME_LIBRARY "libmp3lame.so.0"
#endif

/* One table, laid out by hand. */
/* clang-format off */
#define LAME_FUNCTIONS(X)                                                  \
    X(lame_init) X(lame_set_in_samplerate) X(lame_set_bWriteVbrTag)        \
    X(lame_set_mode) X(lame_set_num_channels) X(lame_set_VBR)              \
    X(lame_set_brate) X(lame_set_preset) X(lame_set_strict_ISO)            \
    X(lame_set_original) X(lame_set_error_protection) X(lame_set_extension) \
    X(lame_set_VBR_min_bitrate_kbps) X(lame_set_VBR_max_bitrate_kbps)      \
    X(lame_set_disable_reservoir) X(lame_init_params) X(lame_get_version)  \
    X(lame_encode_buffer) X(lame_encode_flush) X(lame_mp3_tags_fid)        \
    X(lame_close)
/* clang-format on */

typedef struct {
#define SLOT(name) __typeof__(&name) name;
    LAME_FUNCTIONS(SLOT)
#undef SLOT
} LameApi;

/* Every function is required: each is part of the one call sequence below. */
static int Bind(void* library, LameApi* api) {
#define BIND(name)                                 \
    *(void**)(&api->name) = dlsym(library, #name); \
    if (!api->name)                                \
        return 0;
    LAME_FUNCTIONS(BIND)
#undef BIND
    return 1;
}

static void* LoadLame(void) {
    /* A second attempt, as a loader that failed once for a passing reason
    ** (a file being replaced) may succeed at once. */
    void* library = dlopen(MPEGPACK_LAME_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    if (!library)
        library = dlopen(MPEGPACK_LAME_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    return library;
}

/* The stream settings of the recorder software, made through the native
** interface. The configuration record it used (LAME form, version 1) maps
** onto the calls that the encoder's own stream front-end makes for it:
**   dwSampleRate 8000            -> lame_set_in_samplerate(8000)
**   (front-end default)          -> lame_set_bWriteVbrTag(0)
**   nMode 3 (mono)               -> lame_set_mode(MONO), lame_set_num_channels(1)
**   bEnableVBR 0, dwBitrate 8    -> lame_set_VBR(vbr_off), lame_set_brate(8)
**   nPreset 4 (r3mix)            -> lame_set_preset(R3MIX), after which mono
**                                   is set again, as the preset may change it
**   bStrictIso 0, bOriginal 1,
**   bCRC 0, bPrivate 0           -> strict_ISO 0, original 1,
**                                   error_protection 0, extension 0
**   dwBitrate 8, dwMaxBitrate 16 -> VBR min 8, max 16 kbit/s
**   bNoRes 1                     -> lame_set_disable_reservoir(1)
**   bWriteVBRHeader 1            -> lame_set_bWriteVbrTag(1)
**   dwReSampleRate 0, nQuality 0 -> no call: the encoder picks the output
**                                   rate and its quality
**   dwMpegVersion 1              -> no call: 8000 Hz is only possible in
**                                   MPEG-2.5, which the encoder chooses
** The result is MPEG-2.5 Layer III, 8000 Hz, mono, 8 to 16 kbit/s. */
static lame_global_flags* OpenEncoder(const LameApi* api) {
    lame_global_flags* gfp = api->lame_init();
    if (!gfp)
        return NULL;
    api->lame_set_in_samplerate(gfp, 8000);
    api->lame_set_bWriteVbrTag(gfp, 0);
    api->lame_set_mode(gfp, MONO);
    api->lame_set_num_channels(gfp, 1);
    api->lame_set_VBR(gfp, vbr_off);
    api->lame_set_brate(gfp, 8);
    api->lame_set_preset(gfp, R3MIX);
    api->lame_set_mode(gfp, MONO);
    api->lame_set_num_channels(gfp, 1);
    api->lame_set_strict_ISO(gfp, 0);
    api->lame_set_original(gfp, 1);
    api->lame_set_error_protection(gfp, 0);
    api->lame_set_extension(gfp, 0);
    api->lame_set_VBR_min_bitrate_kbps(gfp, 8);
    api->lame_set_VBR_max_bitrate_kbps(gfp, 16);
    api->lame_set_disable_reservoir(gfp, 1);
    api->lame_set_bWriteVbrTag(gfp, 1);
    if (api->lame_init_params(gfp) < 0) {
        api->lame_close(gfp);
        return NULL;
    }
    return gfp;
}

enum { kHeaderBytes = 44 };

static int SameFile(FILE* source, const char* destination) {
    struct stat s, d;
    if (fstat(fileno(source), &s) != 0 || stat(destination, &d) != 0)
        return 0;
    return s.st_dev == d.st_dev && s.st_ino == d.st_ino;
}

static int IsRegular(FILE* file) {
    struct stat st;
    return fstat(fileno(file), &st) == 0 && S_ISREG(st.st_mode);
}

/* Samples are little-endian in the file whatever the machine. */
static void FromLittleEndian(short* samples, size_t count) {
    const unsigned char* bytes = (const unsigned char*)samples;
    for (size_t i = 0; i < count; ++i)
        samples[i] = (short)(unsigned short)(bytes[2 * i] | (bytes[2 * i + 1] << 8));
}

/* The stream from open to close, with both files open; returns 0 or a
** result code. */
static int32_t Stream(const LameApi* api, FILE* in, FILE* out) {
    lame_global_flags* gfp = OpenEncoder(api);
    if (!gfp)
        return -4;

    /* An MPEG-1 frame holds 1152 samples, MPEG-2 and 2.5 frames 576. The
    ** output buffer follows the encoder's own worst-case rule. */
    size_t chunk = api->lame_get_version(gfp) == 1 ? 1152 : 576;
    size_t outputSize = chunk * 5 / 4 + 7200;
    unsigned char* output = malloc(outputSize);
    short* samples = malloc(chunk * sizeof(short));
    int32_t result = 0;
    if (!output || !samples) {
        fputs("Out of memory", stdout);
        fflush(stdout);
        result = -5;
    } else if (fseek(in, kHeaderBytes, SEEK_SET) != 0) {
        result = -2;
    }

    while (result == 0) {
        size_t got = fread(samples, sizeof(short), chunk, in);
        if (got > 0) {
            FromLittleEndian(samples, got);
            int bytes = api->lame_encode_buffer(gfp, samples, samples, (int)got, output, (int)outputSize);
            if (bytes < 0)
                result = -6;
            else if (fwrite(output, 1, (size_t)bytes, out) != (size_t)bytes)
                result = -7;
        }
        if (result == 0 && got < chunk) {
            if (ferror(in))
                result = -2;
            break;
        }
    }

    if (result == 0) {
        int bytes = api->lame_encode_flush(gfp, output, (int)outputSize);
        if (bytes < 0)
            result = -8;
        else if (fwrite(output, 1, (size_t)bytes, out) != (size_t)bytes || fflush(out) != 0)
            result = -9;
    }
    if (result == 0) {
        /* The encoder left the first frame blank for its info tag; it seeks
        ** back, reads past any ID3v2 tag and writes the tag there, which is
        ** why the destination is open for reading too. */
        api->lame_mp3_tags_fid(gfp, out);
        if (ferror(out) || fflush(out) != 0)
            result = -9;
    }
    api->lame_close(gfp);
    free(output);
    free(samples);
    return result;
}

static int32_t Encode(const LameApi* api, const char* source, const char* destination) {
    FILE* in = source ? fopen(source, "rb") : NULL;
    if (!in)
        return -2;
    if (!destination || SameFile(in, destination)) {
        fclose(in);
        return -3;
    }
    FILE* out = fopen(destination, "wb+");
    if (!out) {
        fclose(in);
        return -3;
    }

    int32_t result = Stream(api, in, out);
    fclose(in);
    int regular = IsRegular(out);
    if (fclose(out) != 0 && result == 0)
        result = -9;
    /* The main program takes an existing destination for success. */
    if (result != 0 && regular)
        unlink(destination);
    return result;
}

int32_t MpegPack(const char* source, const char* destination, int32_t mp3Option) {
    (void)mp3Option; /* the MP3 choice does not change the encoding */
    void* library = LoadLame();
    if (!library)
        return -1;
    LameApi api;
    int32_t result = Bind(library, &api) ? Encode(&api, source, destination) : -1;
    dlclose(library);
    return result;
}
