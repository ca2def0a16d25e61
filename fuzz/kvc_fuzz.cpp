// Any bytes through the frame walk and the codec: nothing may read or write
// out of bounds, and every frame is 160 samples.
//
// First input byte selects the path: bit 7 clear decodes the rest as codec
// data; bit 7 set encodes the rest as samples (rate in bits 0-1, VAD in bit 2)
// and decodes what came out.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "kvc/kvc.h"
#include "voxform/vfcore.h"

namespace {

const qlm::vf::CodecApi kApi = {vInitDecoder, vDecode, vInitEncoder, vEncode, LSB, HSB};

// Stops the walk of huge silence runs early; the parsing that matters is in
// the first frames.
constexpr qint64 kMaxFrames = 1 << 17;

void Check(bool condition) {
    if (!condition)
        std::abort();
}

void DecodeData(const uint8_t* data, size_t size) {
    qint64 frames = 0;
    const qint64 count = qlm::vf::DecodeFrames(kApi, data, static_cast<qint64>(size), [&](const int16_t* samples) {
        Check(samples != nullptr);
        ++frames;
        return frames < kMaxFrames;
    });
    Check(count == frames);
    // At most one frame per byte outside runs, 8192 per two-byte run.
    Check(count <= static_cast<qint64>(size / 2) * 8192 + static_cast<qint64>(size));
    if (size == 0)
        return;
    // The first frame alone, in a block of exactly its class length.
    const int length = qlm::vf::FrameLength(data[0]);
    auto frame = std::make_unique<uint8_t[]>(static_cast<size_t>(length));
    std::memset(frame.get(), 0, static_cast<size_t>(length));
    std::memcpy(frame.get(), data, std::min<size_t>(size, static_cast<size_t>(length)));
    auto samples = std::make_unique<int16_t[]>(qlm::vf::kFrameSamples);
    vDecode(samples.get(), frame.get());
}

void EncodeData(uint8_t mode, const uint8_t* data, size_t size) {
    const int32_t rate = mode & 3;
    const int32_t vad = (mode >> 2) & 1;
    vInitEncoder();
    vInitDecoder();
    auto samples = std::make_unique<int16_t[]>(qlm::vf::kFrameSamples);
    auto out = std::make_unique<uint8_t[]>(qlm::vf::kFrameBytesMax);
    for (size_t at = 0; at < size; at += qlm::vf::kFrameSamples * 2) {
        std::memset(samples.get(), 0, qlm::vf::kFrameSamples * 2);
        std::memcpy(samples.get(), data + at, std::min<size_t>(size - at, qlm::vf::kFrameSamples * 2));
        const int k = vEncode(samples.get(), out.get(), rate, vad);
        Check(k == 2 || k == 11 || k == 18 || k == 24);
        Check(qlm::vf::FrameLength(out[0]) == k);
        if (k == 2)
            Check(vad && out[0] == 0xE0 && out[1] == 0);
        vDecode(samples.get(), out.get());
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    if (data[0] & 0x80)
        EncodeData(data[0], data + 1, size - 1);
    else
        DecodeData(data + 1, size - 1);
    return 0;
}
