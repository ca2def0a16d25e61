// libkvc built on Codec 2.
//
// Frame layout (byte 0 first):
//   11-byte class: byte 0 = 0x00, bytes 1-6 = one Codec 2 mode 2400 frame
//                  (48 bits), bytes 7-10 = 0.
//   18-byte class: byte 0 = 0x40, bytes 1-8 = one Codec 2 mode 3200 frame
//                  (64 bits), bytes 9-17 = 0.
//   24-byte class: byte 0 = 0x80, bytes 1-8 = one mode 3200 frame, 9-23 = 0.
// Both Codec 2 modes work on exactly 160 samples, so one frame of ours is one
// Codec 2 frame and nothing is buffered across frames. The decoder ignores
// the low bits of byte 0 and the padding, so any frame of a class decodes.
// The 7.2 and 9.6 classes carry the same mode: Codec 2 has nothing better at
// 20 ms, and the padding keeps the recorder's byte rates (0.9 and 1.2 KB/s),
// from which the main program estimates call lengths.
//
// Silent (111) and short (110) frames decode to digital silence; the encoder
// never writes a short frame.
//
// Codec 2 keeps predictor state between frames, so the encoder feeds it only
// the frames it sends: a frame sent as silence is not encoded, and the
// decoder skips silence as well, keeping both sides in step.
//
// A decode must depend on its input alone. Codec 2's synthesis draws random
// phases from codec2_rand(), whose seed is one hidden variable of the whole
// process that codec2_create() never resets: the same file decoded after
// another one came out different. We define codec2_rand() here with the
// same generator and a seed we reset with the decoder; being exported from
// this library, which comes before libcodec2 in the search order of every
// program that loads us, it is the one Codec 2's own calls reach.
#include "kvc/kvc.h"
#include "kvc/frames.h"

#include <codec2/codec2.h>

#include <cmath>
#include <cstring>

namespace {

constexpr int kSamples = 160;
constexpr int kPayloadOffset = 1;

struct Codec {
    CODEC2* state = nullptr;
    int mode = 0;
    explicit Codec(int m) : mode(m) {}
    ~Codec() { Reset(); }
    Codec(const Codec&) = delete;
    Codec& operator=(const Codec&) = delete;
    void Reset() {
        if (state)
            codec2_destroy(state);
        state = nullptr;
    }
    // Created on first use, so loading the library costs nothing.
    CODEC2* Get() {
        if (!state)
            state = codec2_create(mode);
        return state;
    }
};

Codec g_decode2400(CODEC2_MODE_2400);
Codec g_decode3200(CODEC2_MODE_3200);
Codec g_encode2400(CODEC2_MODE_2400);
Codec g_encode3200(CODEC2_MODE_3200);

// Voice activity: a frame is quiet when its RMS level stays below about
// -42 dBFS. Speech holds on for a few frames after the last loud one so
// that word endings and short stops are not cut.
constexpr double kQuietRms = 260.0;
constexpr int kHangoverFrames = 8;
int g_hangover = 0;

// Codec 2's own generator (a C library rand()), seeded as it starts.
constexpr unsigned long kRandSeed = 1;
unsigned long g_randNext = kRandSeed;

bool IsQuiet(const int16_t* samples) {
    double sum = 0.0;
    for (int i = 0; i < kSamples; ++i)
        sum += static_cast<double>(samples[i]) * samples[i];
    if (std::sqrt(sum / kSamples) >= kQuietRms) {
        g_hangover = kHangoverFrames;
        return false;
    }
    if (g_hangover > 0) {
        --g_hangover;
        return false;
    }
    return true;
}

void DecodeWith(Codec& codec, int16_t* samples, const uint8_t* frame) {
    CODEC2* c2 = codec.Get();
    if (!c2) {
        std::memset(samples, 0, kSamples * sizeof(int16_t));
        return;
    }
    // A local copy: Codec 2 takes exactly its own frame size.
    unsigned char bits[8] = {};
    std::memcpy(bits, frame + kPayloadOffset, static_cast<size_t>(codec2_bytes_per_frame(c2)));
    short speech[kSamples];
    codec2_decode(c2, speech, bits);
    std::memcpy(samples, speech, sizeof(speech));
}

}  // namespace

extern "C" {

// Not part of our interface: it replaces Codec 2's generator (see above).
KVC_API int codec2_rand(void) {
    g_randNext = g_randNext * 1103515245UL + 12345UL;
    return static_cast<int>((g_randNext / 65536UL) % 32768UL);
}

KVC_API void vInitDecoder(void) {
    g_decode2400.Reset();
    g_decode3200.Reset();
    g_randNext = kRandSeed;
}

KVC_API void vDecode(int16_t* samples, const uint8_t* frame) {
    if (!samples)
        return;
    if (!frame) {
        std::memset(samples, 0, kSamples * sizeof(int16_t));
        return;
    }
    switch (kvc::FrameLength(frame[0])) {
    case 11:
        DecodeWith(g_decode2400, samples, frame);
        break;
    case 18:
    case 24:
        DecodeWith(g_decode3200, samples, frame);
        break;
    default:
        std::memset(samples, 0, kSamples * sizeof(int16_t));
        break;
    }
}

KVC_API void vInitEncoder(void) {
    g_encode2400.Reset();
    g_encode3200.Reset();
    g_hangover = 0;
}

KVC_API int16_t vEncode(const int16_t* samples, uint8_t* out, int32_t rate, int32_t vad) {
    if (!samples || !out)
        return 0;
    std::memset(out, 0, 24);
    if (vad && IsQuiet(samples)) {
        out[0] = 0xE0;
        return 2;
    }
    const int length = rate == 0 ? 11 : rate == 1 ? 18 : 24;
    Codec& codec = rate == 0 ? g_encode2400 : g_encode3200;
    out[0] = rate == 0 ? 0x00 : rate == 1 ? 0x40 : 0x80;
    CODEC2* c2 = codec.Get();
    if (!c2)
        return static_cast<int16_t>(length);  // zero bits: still a frame of the class
    short speech[kSamples];
    std::memcpy(speech, samples, sizeof(speech));
    unsigned char bits[8] = {};
    codec2_encode(c2, bits, speech);
    std::memcpy(out + kPayloadOffset, bits, static_cast<size_t>(codec2_bytes_per_frame(c2)));
    return static_cast<int16_t>(length);
}

KVC_API uint8_t LSB(int16_t value) { return static_cast<uint8_t>(static_cast<uint16_t>(value) & 0xFF); }

KVC_API uint8_t HSB(int16_t value) { return static_cast<uint8_t>(static_cast<uint16_t>(value) >> 8); }

}  // extern "C"
