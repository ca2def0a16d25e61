// The conversion of recordings into levelled WAV or MP3 files: for each one
// the skip copy, the decode by the front-end, the gain pass and the MP3
// encoding, each stage writing a file and skipped when its file is there.
// The window (frmConverter) and qlmtool run this same routine; they show the
// lines and answer the cancel question through ConvertProgress.
#pragma once

#include <utility>

#include <QString>
#include <QStringList>
#include <QVector>

#include "app/convert/frontend.h"

namespace qlm {

// One recording to convert, as its list line names it: "MM/dd/yyyy" and
// "hh:mm:ss".
struct ConvertItem {
    ConvertItem() = default;
    ConvertItem(QString date, QString time, QString recordingFile = {})
        : dateText(std::move(date)), timeText(std::move(time)), file(std::move(recordingFile)) {}
    QString dateText;
    QString timeText;
    // The call's exact recording file (CallRecord::File) when known: two
    // recordings may share a time stamp, and each converts its own.
    QString file;
};

// The result text of a recording that has no result file. A recording whose
// codec data holds not one whole frame gets a reason before it (library
// string 170, "No audio in the recording") and is not decoded.
inline constexpr QStringView kFailedMark = u"  ***  Failed *** ";
// The level the gain pass gets.
inline constexpr int kGainLevel = 40;

// What a run shows while it works. The lines are the converter's list; the
// decode writes its "No Source: " and "Retry: " texts into the selected one.
class ConvertProgress : public ConverterLines {
public:
    // The checks passed and the work begins (the window shows itself).
    virtual void RunStarted() {}
    // Lets the windows paint and take clicks (the Cancel button).
    virtual void ProcessEvents() = 0;
    // True once the user asked the run to stop.
    virtual bool CancelRequested() = 0;
};

enum class ConvertOutcome {
    RecordsNotFound,   // the recordings folder holds no file; nothing done
    ConverterMissing,  // voxform or libkvc.so is not in the application folder
    Finished,          // every recording went through (each may have failed)
    Cancelled,         // stopped at a cancel point
};

struct ConvertResult {
    ConvertOutcome outcome = ConvertOutcome::Finished;
    // The message for RecordsNotFound and ConverterMissing.
    QString message;
    // For each recording reached, in order: its result file, or "" when it
    // failed. A cancelled run lists the recordings that got their result.
    QStringList results;

    int Failed() const { return static_cast<int>(results.count(QString())); }
};

// The files of one recording. Intermediate files live in the temp folder
// (this process's own, see GetTempFolder), owner-only; the levelled WAV goes
// to the destination when WAV is made, else it stays in the temp folder
// beside the others and the MP3 goes to the destination.
struct ConvertPaths {
    QString dat;       // temp + name + ".Dat"
    QString decoded;   // temp + name + ".qlm.wav"
    QString levelled;  // name + ".wav"
    QString mp3;       // destination + name + ".mp3", or "" for WAV
    QString result;    // the file the user gets
};
ConvertPaths PathsFor(const QString& name, const QString& tempFolder, const QString& destination, int mp3Option);

// "2/5 -  10/25/2005 14:35:27 :  " for the second of five recordings.
QString StatusPrefix(int index, int count, const ConvertItem& item);

// The MP3 option that the volume frame's choice gives: option 1-3 give 1,
// 10 and 20; option 4 gives the number at the start of text times ten,
// rounded down (an empty or non-numeric text counts as 0); 0 when none is
// selected. Values beyond 16 bits are held at the 16-bit limits.
qint16 Mp3OptionFor(int selectedOption, const QString& text);

// The check messages, empty when the check passes.
QString RecordsNotFoundMessage(const QString& recordingsFolder);
QString ConverterMissingMessage();

// Converts the items, in order, from the recordings folder (the recordings'
// names in any letter case) into the destination folder (mp3Option > 0: MP3 files, else WAV files), reusing any
// file of a stage that exists. The front-end started before is closed first;
// the one started for the run is left running for the caller to close.
ConvertResult ConvertRecordings(const QVector<ConvertItem>& items, const QString& recordingsFolder,
                                const QString& destination, int mp3Option, ConvertProgress& progress);

}  // namespace qlm
