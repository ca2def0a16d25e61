// Measures of the player's sound: the median pitch of voiced frames and the
// loudest sample.
#pragma once

#include <QVector>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace qlm::test {

// Calls f(lag, r) for every loud frame of 40 ms (hop 20 ms) of 8000 Hz
// speech with its best normalised autocorrelation r at a lag between 60 and
// 400 Hz.
template <typename F>
void ForEachLoudFrame(const QVector<qint16>& s, F f) {
    constexpr int kFrame = 320, kHop = 160, kMinLag = 20, kMaxLag = 133;
    for (qsizetype at = 0; at + kFrame + kMaxLag <= s.size(); at += kHop) {
        double energy = 0;
        for (int i = 0; i < kFrame; ++i)
            energy += double(s[at + i]) * s[at + i];
        if (std::sqrt(energy / kFrame) < 300)
            continue;
        double best = 0;
        int bestLag = kMinLag;
        for (int lag = kMinLag; lag <= kMaxLag; ++lag) {
            double xy = 0, yy = 0;
            for (int i = 0; i < kFrame; ++i) {
                xy += double(s[at + i]) * s[at + i + lag];
                yy += double(s[at + i + lag]) * s[at + i + lag];
            }
            const double r = xy / std::sqrt(energy * yy + 1);
            if (r > best) {
                best = r;
                bestLag = lag;
            }
        }
        f(bestLag, best);
    }
}

// Median pitch (Hz) of the loud frames that are periodic; 0 when none.
inline double MedianPitch(const QVector<qint16>& s) {
    std::vector<double> pitches;
    ForEachLoudFrame(s, [&](int lag, double r) {
        if (r > 0.6)
            pitches.push_back(8000.0 / lag);
    });
    if (pitches.empty())
        return 0;
    std::nth_element(pitches.begin(), pitches.begin() + qsizetype(pitches.size() / 2), pitches.end());
    return pitches[pitches.size() / 2];
}

inline int Loudest(const QByteArray& s16) {
    int peak = 0;
    for (qsizetype i = 0; i + 1 < s16.size(); i += 2)
        peak = std::max(peak, std::abs(int(qint16(quint8(s16[i]) | quint8(s16[i + 1]) << 8))));
    return peak;
}

}  // namespace qlm::test
