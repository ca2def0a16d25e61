// The WAV files the player reads and qlmtool writes: 16-bit mono PCM, the
// recorder's 8000 Hz.
#pragma once

#include <QString>
#include <QVector>

namespace qlm {

inline constexpr int kPlayerRate = 8000;

// Reads the samples of a 16-bit mono PCM WAV file at 8000 Hz (chunks in any
// order, unknown chunks skipped). False with a readable reason otherwise.
bool ReadPlayerWav(const QString& path, QVector<qint16>* samples, QString* error);

// Writes samples as a 16-bit mono 8000 Hz WAV file with a 44-byte header,
// under a temporary name first so a failed write leaves no half file.
bool WritePlayerWav(const QString& path, const QVector<qint16>& samples, QString* error);

}  // namespace qlm
