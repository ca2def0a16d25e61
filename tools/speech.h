// Real speech for the demo card and the tests: espeak-ng speaks, sox turns it
// into the recorder's 8000 Hz mono 16-bit, libkvc.so encodes it.
#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>

#include "platform/error.h"

namespace qlm::sim {

// True when espeak-ng and sox can both be run.
bool CanSpeak();

// Speaks the text into an 8000 Hz mono 16-bit WAV file. On failure returns
// false with the reason in *why.
bool SpeakToWav(const QString& text, const QString& wavPath, QString* why = nullptr);

// The 16-bit samples of a WAV file's data chunk (any header length), or an
// empty vector when the file is not such a WAV.
QVector<qint16> ReadWavSamples(const QString& path);

// Writes samples as an 8000 Hz mono 16-bit WAV with a 44-byte header.
bool WriteWavSamples(const QString& path, const QVector<qint16>& samples);

// Encoding options of the recorder: rate code of the codec (0 = 4.4,
// 1 = 7.2, 2 = 9.6 kbit/s), voice activity detection, silence coding.
struct EncodeSettings {
    int rate = 0;
    bool vad = false;
    bool silenceCoding = false;
};

// Codec data for a WAV file, encoded through the codec library at libPath
// (empty: libkvc.so in the application folder). Empty with the error set on
// failure.
QByteArray EncodeWavFile(const QString& wavPath, const EncodeSettings& settings, const QString& libPath, Error* error);

// The codec rate code that matches a header's flag byte: the header's rate
// 0 (1.2 KB/s) is 9.6 kbit/s, 1 (0.9 KB/s) 7.2, 2 (0.55 KB/s) 4.4.
int CodecRateForFlags(int flags);

}  // namespace qlm::sim
