// qlmtool header [--json] FILE...: what each recording's name and header say.
#include <QDate>
#include <QFileInfo>
#include <QTime>

#include "app/card/recording.h"
#include "cli/cli.h"

namespace qlm::cli {

int CmdHeader(const QStringList& arguments) {
    QStringList args = arguments;
    const bool json = TakeFlag(&args, QStringLiteral("--json"));
    if (args.isEmpty())
        return Usage("header");
    int status = kOk;
    for (const QString& path : args) {
        const QString name = QFileInfo(path).fileName();
        if (!IsRecordingName(name)) {
            Err(QStringLiteral("%1: not a recording name").arg(path));
            status = kFailed;
            continue;
        }
        Error error;
        const RecordingInfo info = ReadRecordingHeader(path, &error);
        if (error.IsSet()) {
            Err(QStringLiteral("%1: %2").arg(path, error.BoxText()));
            status = kFailed;
            continue;
        }
        const QString date = QDate(2000 + info.Year, info.Month, info.Day).toString(Qt::ISODate);
        const QString time = QTime(info.Hour, info.Minute, info.Second).toString(QStringLiteral("HH:mm:ss"));
        if (json) {
            Out(JsonLine({{QStringLiteral("file"), name},
                          {QStringLiteral("date"), date},
                          {QStringLiteral("time"), time},
                          {QStringLiteral("duration"), info.Duration},
                          {QStringLiteral("callerId"), info.CallerID},
                          {QStringLiteral("dialString"), info.DialString},
                          {QStringLiteral("inOrOut"), info.InorOut},
                          {QStringLiteral("telOrMic"), info.TelorMic},
                          {QStringLiteral("saved"), info.Saved},
                          {QStringLiteral("sampleRate"), info.SampleRate}}));
        } else {
            Out(PlainLine({name, date, time, QString::number(info.Duration), info.CallerID, info.DialString,
                           QString::number(info.InorOut), QString::number(info.TelorMic), QString::number(info.Saved),
                           QString::number(info.SampleRate)}));
        }
    }
    return status;
}

}  // namespace qlm::cli
