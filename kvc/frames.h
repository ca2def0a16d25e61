// The frame classes of the recorder's codec data: the top three bits of a
// frame's first byte give its length. The codec, voxform and the main
// program's check for recordings without audio all read frames by this one
// table.
#pragma once

#include <cstdint>

namespace kvc {

// Length in bytes of the frame whose first byte this is: 11, 18 or 24 for
// speech at 4.4, 7.2 or 9.6 kbit/s, 4 for a short frame, 2 for silence.
constexpr int FrameLength(uint8_t first) {
    switch (first >> 5) {
    case 0:
    case 1:
        return 11;
    case 2:
    case 3:
        return 18;
    case 4:
    case 5:
        return 24;
    case 6:
        return 4;
    default:
        return 2;
    }
}

}  // namespace kvc
