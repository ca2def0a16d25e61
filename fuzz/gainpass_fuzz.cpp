// Any bytes as the WAV file of the gain pass, and as the recording of the
// skip copy. Input: two bytes of floor level, two of skip offset, then the
// file. The sizes of what comes out follow from the input alone, and the
// gain control never leaves the 16-bit range.
#include <cstdint>
#include <string>

#include "fuzz/fuzzutil.h"
#include "gainpass/gainpass.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4)
        return 0;
    const int32_t level = static_cast<int16_t>(data[0] | (data[1] << 8));
    const int32_t offset = static_cast<int16_t>(data[2] | (data[3] << 8));
    const uint8_t* body = data + 4;
    const size_t bodySize = size - 4;

    const std::string folder = fuzz::ScratchFolder();
    const std::string source = folder + "/in.wav";
    const std::string leveled = folder + "/out.wav";
    const std::string cut = folder + "/cut.wav";
    if (!fuzz::WriteFile(source, body, bodySize))
        return 0;

    const int32_t result = GainPass(source.c_str(), leveled.c_str(), level);
    if (level < 20 || level > 999) {
        fuzz::Check(result == -1 && fuzz::FileSize(leveled) < 0);
    } else {
        fuzz::Check(result == 0);
        const long samples = bodySize > 44 ? static_cast<long>((bodySize - 44) / 2) : 0;
        fuzz::Check(fuzz::FileSize(leveled) == 44 + 2 * samples);
        // The header passes unchanged, its missing bytes zero.
        const std::string out = fuzz::ReadFile(leveled);
        for (size_t i = 0; i < 44; ++i)
            fuzz::Check(static_cast<uint8_t>(out[i]) == (i < bodySize ? body[i] : 0));
    }
    // The destination being the source is refused and the source kept.
    fuzz::Check(GainPass(source.c_str(), source.c_str(), 40) == -1);
    fuzz::Check(fuzz::FileSize(source) == static_cast<long>(bodySize));

    const int32_t copied = skipCopy(offset, source.c_str(), cut.c_str());
    if (offset < 0) {
        fuzz::Check(copied == -2 && fuzz::FileSize(cut) < 0);
    } else {
        fuzz::Check(copied == 0);
        const long expected = static_cast<long>(bodySize) > offset ? static_cast<long>(bodySize) - offset : 0;
        fuzz::Check(fuzz::FileSize(cut) == expected);
    }
    std::remove(leveled.c_str());
    std::remove(cut.c_str());
    std::remove(source.c_str());
    return 0;
}
