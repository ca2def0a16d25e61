// The file the player plays: the call's levelled WAV in the temp folder, the
// same file the double click hands to the desktop's player, made by the
// conversion when it is missing and reused while it is there.
#pragma once

#include <QString>

#include <functional>

#include "app/convert/convertfiles.h"

namespace qlm {

// temp + name + ".wav" of the call, or "" when its date or time names no
// recording.
QString PlayFileFor(const ConvertItem& item, const QString& recordingsFolder = QString());

// What the preparation shows while it works: each stage's text (the
// converter's line without its "1/1 - date time :" prefix), and a chance to
// paint.
struct PlayFileHooks {
    std::function<void(const QString& stage)> stage;
    std::function<void()> processEvents;
};

// Makes the play file from the recording in recordingsFolder when it is not
// there yet. True with *path set when it exists; otherwise *error holds the
// conversion's own failure text.
bool PreparePlayFile(const ConvertItem& item, const QString& recordingsFolder, const PlayFileHooks& hooks,
                     QString* path, QString* error);

}  // namespace qlm
