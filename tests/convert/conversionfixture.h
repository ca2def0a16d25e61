// A card folder, a temp application folder with the conversion libraries and
// the front-end's files, and a progress that keeps every text a line showed.
#pragma once

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <functional>

#include "app/card/recording.h"
#include "app/convert/convertfiles.h"
#include "platform/runfolder.h"
#include "tests/support/testsupport.h"
#include "tools/recsim.h"

namespace qlm::test {

// Lines in memory with their history; Cancel asks to stop once a line text
// matching the predicate was shown.
class RecordingProgress : public ConvertProgress {
public:
    int LineCount() const override { return lines.LineCount(); }
    void AddLine(const QString& text) override {
        lines.AddLine(text);
        Seen(text);
    }
    int SelectedLine() const override { return lines.SelectedLine(); }
    void SelectLine(int index) override { lines.SelectLine(index); }
    void SetLineText(int index, const QString& text) override {
        lines.SetLineText(index, text);
        Seen(text);
    }
    void RunStarted() override { ++starts; }
    void ProcessEvents() override { ++eventRounds; }
    bool CancelRequested() override { return cancel; }

    std::function<bool(const QString&)> cancelWhen;
    StringLines lines;
    QStringList history;
    bool cancel = false;
    int starts = 0;
    int eventRounds = 0;

private:
    void Seen(const QString& text) {
        history << text;
        if (cancelWhen && cancelWhen(text))
            cancel = true;
    }
};

// The application folder of a conversion: strLib.ini, the two libraries,
// and voxform with its codec (copies of the build's).
inline void InstallConverter(const AppFolder& app, bool withFrontEnd = true) {
    QStringList names = {QStringLiteral("libGainPass.so"), QStringLiteral("libMpegPack.so")};
    if (withFrontEnd)
        names << QStringLiteral("voxform") << QStringLiteral("libkvc.so");
    for (const QString& name : names) {
        QFile::copy(BuiltPath(name), app.file(name));
        QFile::setPermissions(app.file(name), QFile::permissions(BuiltPath(name)));
    }
}

// qlmtool in the application folder, so it finds the converter there.
inline bool InstallQlmtool(const AppFolder& app) {
    const QString tool = BuiltPath(QStringLiteral("qlmtool"));
    return QFile::copy(tool, app.file(QStringLiteral("qlmtool"))) &&
           QFile::setPermissions(app.file(QStringLiteral("qlmtool")), QFile::permissions(tool));
}

// The folder the last other process (a qlmtool run) worked in, in the work
// folder: each run has its own, which stays until the next run tidies up.
inline QString OtherRunFolder(const QString& workFolder) {
    const QFileInfoList runs = QDir(workFolder)
                                   .entryInfoList({QString::fromLatin1(kRunFolderPrefix) + u'*'},
                                                  QDir::Dirs | QDir::NoDotAndDotDot, QDir::Time);
    for (const QFileInfo& run : runs)
        if (!SameFolder(run.filePath(), OwnRunFolder()))
            return run.filePath();
    return QString();
}

// A recording with a payload of the given length; returns its item.
inline ConvertItem AddRecording(const QString& folder, const QDateTime& start, qint64 payloadBytes) {
    sim::Call call;
    call.start = start;
    call.number = QStringLiteral("5551234");
    call.payload = sim::FillerPayload(payloadBytes);
    sim::WriteRecording(folder, call);
    return {start.date().toString(QStringLiteral("MM/dd/yyyy")), start.time().toString(QStringLiteral("hh:mm:ss"))};
}

}  // namespace qlm::test
