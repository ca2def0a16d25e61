/*
** The skip copy and the "HQGC" gain control of libGainPass.so.
**
** The gain control must give the same samples, bit for bit, as the recorder
** software it replaces: the gain is a 32-bit float, every product and quotient
** is formed in double precision and rounded to float when stored into the
** gain, and the output is truncated toward zero. The target is built with
** -ffp-contract=off so that no fused multiply-add changes a rounding.
*/
#define _POSIX_C_SOURCE 200809L /* fileno() */

#include "gainpass.h"

#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

/* Shared by skipCopy and GainPass. */

/* Refuses a destination that is the source itself: opening it for writing
** would truncate the very data about to be read. */
static int SameFile(FILE* source, const char* destination) {
    struct stat s, d;
    if (fstat(fileno(source), &s) != 0 || stat(destination, &d) != 0)
        return 0;
    return s.st_dev == d.st_dev && s.st_ino == d.st_ino;
}

/* Only a regular file is removed on failure; a device such as /dev/null
** given as destination must stay. */
static int IsRegular(FILE* file) {
    struct stat st;
    return fstat(fileno(file), &st) == 0 && S_ISREG(st.st_mode);
}

/* Closes the destination, catching a write that failed only when the buffer
** went out, and removes the file on any failure: the main program takes an
** existing destination for success. */
static int32_t Finish(FILE* out, const char* destination, int32_t result, int32_t writeError) {
    int regular = IsRegular(out);
    if (result == 0 && fflush(out) != 0)
        result = writeError;
    if (fclose(out) != 0 && result == 0)
        result = writeError;
    if (result != 0 && regular)
        unlink(destination);
    return result;
}

/* Skip copy. */

enum { kSkipBlock = 8192 };

int32_t skipCopy(int32_t offset, const char* source, const char* destination) {
    if (!source)
        return -1;
    FILE* in = fopen(source, "rb");
    if (!in)
        return -1;
    if (fseek(in, offset, SEEK_SET) != 0) {
        fclose(in);
        return -2;
    }
    if (!destination || SameFile(in, destination)) {
        fclose(in);
        return -3;
    }
    FILE* out = fopen(destination, "wb");
    if (!out) {
        fclose(in);
        return -3;
    }

    unsigned char block[kSkipBlock];
    int32_t result = 0;
    for (;;) {
        size_t got = fread(block, 1, sizeof block, in);
        if (got > 0 && fwrite(block, 1, got, out) != got) {
            result = -4;
            break;
        }
        if (got < sizeof block) {
            if (ferror(in))
                result = -2;
            break;
        }
    }
    fclose(in);
    return Finish(out, destination, result, -4);
}

/* The gain control. */

static const double kTargetPeak = 25000.0;
enum {
    kBlockLength = 300,
    kQuietThreshold = 60,
    kFastAfterQuietBlocks = 21,
    kHeaderBytes = 44,
    kCounterMax = 32767,
};

/* One state for the whole process, created when the library is loaded and
** carried from file to file: the level of the previous recording is the best
** guess for the next one. Only the floor level is set by each call. */
static struct {
    float gain;
    float floorLevel;
    int32_t peak;  /* largest magnitude in the current block, 1..32768 */
    int16_t block; /* samples since the last block end */
    int16_t quiet; /* quiet blocks since the last loud block or clip */
} hqgc = {20.0f, 20.0f, 1, 0, 0};

/* Both counters are 16-bit; they stop at their largest value rather than
** wrap, so 20 minutes of silence still count as "21 or more quiet blocks"
** and a long run of clipped samples does not postpone the block end. */
static int16_t CountUp(int16_t counter) { return counter < kCounterMax ? (int16_t)(counter + 1) : counter; }

static int16_t Level(int16_t sample) {
    int32_t magnitude = sample < 0 ? -(int32_t)sample : sample;
    if (magnitude > hqgc.peak)
        hqgc.peak = magnitude;
    hqgc.block = CountUp(hqgc.block);

    if ((double)magnitude * (double)hqgc.gain > kTargetPeak) {
        /* Clip: the gain drops at once; no block end is taken on this
        ** sample, however long the block has grown. */
        hqgc.quiet = 0;
        hqgc.gain = (float)(kTargetPeak / hqgc.peak);
    } else if (hqgc.block >= kBlockLength) {
        if (hqgc.peak > kQuietThreshold) {
            double ideal = kTargetPeak / hqgc.peak;
            if (hqgc.quiet < kFastAfterQuietBlocks)
                hqgc.gain = (float)(0.05 * ideal + 0.95 * (double)hqgc.gain);
            else
                hqgc.gain = (float)(((double)hqgc.gain + ideal) * 0.5);
            hqgc.quiet = 0;
        } else {
            hqgc.quiet = CountUp(hqgc.quiet);
            if (hqgc.gain > hqgc.floorLevel)
                hqgc.gain = (float)((double)hqgc.gain * 0.8);
            if (hqgc.gain < hqgc.floorLevel)
                hqgc.gain = hqgc.floorLevel;
        }
        hqgc.block = 0;
        hqgc.peak = 1;
    }

    /* Only a gain raised to a high floor level at a quiet block end can push
    ** a product past 16 bits; it saturates rather than wrapping to the
    ** opposite sign. */
    double product = (double)sample * (double)hqgc.gain;
    if (product >= 32768.0)
        return 32767;
    if (product <= -32769.0)
        return -32768;
    return (int16_t)product;
}

enum { kSamplesPerRead = 4096 };

static int16_t FromLittleEndian(const unsigned char* bytes) { return (int16_t)(uint16_t)(bytes[0] | (bytes[1] << 8)); }

static void ToLittleEndian(int16_t value, unsigned char* bytes) {
    uint16_t word = (uint16_t)value;
    bytes[0] = (unsigned char)(word & 0xFF);
    bytes[1] = (unsigned char)(word >> 8);
}

/* Copies header and samples; returns 0, or -1 when a read or write failed. */
static int32_t LevelFile(FILE* in, FILE* out) {
    unsigned char header[kHeaderBytes] = {0};
    fread(header, 1, sizeof header, in);
    if (ferror(in) || fwrite(header, 1, sizeof header, out) != sizeof header)
        return -1;

    unsigned char buffer[kSamplesPerRead * 2];
    for (;;) {
        /* Whole samples only: a trailing odd byte is dropped. */
        size_t samples = fread(buffer, 2, kSamplesPerRead, in);
        for (size_t i = 0; i < samples; ++i)
            ToLittleEndian(Level(FromLittleEndian(buffer + 2 * i)), buffer + 2 * i);
        if (samples > 0 && fwrite(buffer, 2, samples, out) != samples)
            return -1;
        if (samples < kSamplesPerRead)
            return ferror(in) ? -1 : 0;
    }
}

int32_t GainPass(const char* source, const char* destination, int32_t level) {
    int16_t floorLevel = (int16_t)(uint16_t)((uint32_t)level & 0xFFFFu);
    if (floorLevel < 20 || floorLevel >= 1000)
        return -1;
    hqgc.floorLevel = (float)floorLevel;

    if (!source || !destination)
        return -1;
    FILE* in = fopen(source, "rb");
    if (!in)
        return -1;
    if (SameFile(in, destination)) {
        fclose(in);
        return -1;
    }
    FILE* out = fopen(destination, "wb");
    if (!out) {
        fclose(in);
        return -1;
    }

    int32_t result = LevelFile(in, out);
    fclose(in);
    return Finish(out, destination, result, -1);
}
