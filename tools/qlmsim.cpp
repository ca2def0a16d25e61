// qlmsim: the recorder simulator.
//   qlmsim write FOLDER --time "YYYY-MM-DD hh:mm:ss" [--number N] [--flags F]
//                (--payload FILE | --bytes N | --wav FILE [--vad] [--silence])
//   qlmsim encode WAV DAT [--rate 4.4|7.2|9.6] [--vad] [--silence]
//   qlmsim decode DAT WAV
//   qlmsim democard FOLDER
// A --wav call is encoded through libkvc.so beside qlmsim, at the rate the
// flag byte names.
#include <cstdio>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "tools/recsim.h"
#include "tools/speech.h"
#include "voxform/vfcore.h"

namespace {

int Fail(const QString& text) {
    std::fprintf(stderr, "qlmsim: %s\n", text.toLocal8Bit().constData());
    return 1;
}

QString TakeValue(QStringList* args, const QString& name) {
    const qsizetype at = args->indexOf(name);
    if (at < 0 || at + 1 >= args->size())
        return QString();
    const QString value = args->at(at + 1);
    args->remove(at, 2);
    return value;
}

bool TakeFlag(QStringList* args, const QString& name) { return args->removeAll(name) > 0; }

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
    if (args.size() < 2)
        return Fail(
            QStringLiteral("usage: qlmsim write FOLDER --time T [--number N] [--flags F] "
                           "(--payload FILE | --bytes N | --wav FILE [--vad] [--silence])\n"
                           "       qlmsim encode WAV DAT [--rate 4.4|7.2|9.6] [--vad] [--silence]\n"
                           "       qlmsim decode DAT WAV\n"
                           "       qlmsim democard FOLDER"));
    const QString verb = args.takeFirst();
    const QString folder = args.takeFirst();
    qlm::Error error;
    if (verb == QStringLiteral("democard")) {
        QString warning;
        const int written = qlm::sim::WriteDemoCard(folder, &error, qlm::sim::DemoCardOptions(), &warning);
        if (!warning.isEmpty())
            std::fprintf(stderr, "qlmsim: warning: %s\n", warning.toLocal8Bit().constData());
        if (error.IsSet())
            return Fail(error.BoxText());
        std::printf("%d recordings written to %s\n", written, folder.toLocal8Bit().constData());
        return 0;
    }
    if (verb == QStringLiteral("decode")) {
        if (args.isEmpty())
            return Fail(QStringLiteral("decode needs a DAT and a WAV path"));
        qlm::vf::CodecLibrary codec;
        qlm::vf::Hooks hooks;
        hooks.showMessage = [](const QString& text, const QString&) {
            std::fprintf(stderr, "qlmsim: %s\n", text.toLocal8Bit().constData());
        };
        const QString wav = QDir::current().absoluteFilePath(args.takeFirst());
        const QString dat = QDir::current().absoluteFilePath(folder);
        QTemporaryDir work;
        const QString previous = QDir::currentPath();
        error = qlm::vf::DecodeDatToWav(codec, work.path(), dat, wav, hooks);
        QDir::setCurrent(previous);
        if (error.IsSet())
            return Fail(error.BoxText());
        return 0;
    }
    if (verb == QStringLiteral("encode")) {
        if (args.isEmpty())
            return Fail(QStringLiteral("encode needs a WAV and a DAT path"));
        const QString dat = args.takeFirst();
        const QString rate = TakeValue(&args, QStringLiteral("--rate"));
        qlm::sim::EncodeSettings settings;
        settings.rate = rate == QStringLiteral("9.6") ? 2 : rate == QStringLiteral("7.2") ? 1 : 0;
        if (!rate.isEmpty() && rate != QStringLiteral("4.4") && settings.rate == 0)
            return Fail(QStringLiteral("--rate is 4.4, 7.2 or 9.6"));
        settings.vad = TakeFlag(&args, QStringLiteral("--vad"));
        settings.silenceCoding = TakeFlag(&args, QStringLiteral("--silence"));
        const QByteArray payload = qlm::sim::EncodeWavFile(folder, settings, QString(), &error);
        if (error.IsSet())
            return Fail(error.BoxText());
        QFile out(dat);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(payload) != payload.size())
            return Fail(dat + QStringLiteral(": ") + out.errorString());
        std::printf("%lld bytes written to %s\n", static_cast<long long>(payload.size()),
                    dat.toLocal8Bit().constData());
        return 0;
    }
    if (verb != QStringLiteral("write"))
        return Fail(QStringLiteral("unknown verb ") + verb);

    qlm::sim::Call call;
    call.start =
        QDateTime::fromString(TakeValue(&args, QStringLiteral("--time")), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (!call.start.isValid())
        return Fail(QStringLiteral("--time needs \"YYYY-MM-DD hh:mm:ss\""));
    call.number = TakeValue(&args, QStringLiteral("--number"));
    bool ok = true;
    const QString flags = TakeValue(&args, QStringLiteral("--flags"));
    call.flags = flags.isEmpty() ? 0 : flags.toInt(&ok, 0);
    if (!ok || call.flags < 0 || call.flags > 255)
        return Fail(QStringLiteral("--flags needs a byte value"));
    const QString payloadFile = TakeValue(&args, QStringLiteral("--payload"));
    const QString bytes = TakeValue(&args, QStringLiteral("--bytes"));
    const QString wav = TakeValue(&args, QStringLiteral("--wav"));
    if (!wav.isEmpty()) {
        qlm::sim::EncodeSettings settings;
        settings.rate = qlm::sim::CodecRateForFlags(call.flags);
        settings.vad = TakeFlag(&args, QStringLiteral("--vad"));
        settings.silenceCoding = TakeFlag(&args, QStringLiteral("--silence"));
        call.payload = qlm::sim::EncodeWavFile(wav, settings, QString(), &error);
        if (error.IsSet())
            return Fail(error.BoxText());
    } else if (!payloadFile.isEmpty()) {
        QFile file(payloadFile);
        if (!file.open(QIODevice::ReadOnly))
            return Fail(payloadFile + QStringLiteral(": ") + file.errorString());
        call.payload = file.readAll();
    } else {
        const qlonglong count = bytes.toLongLong(&ok);
        if (!ok || count < 0)
            return Fail(QStringLiteral("give --payload FILE, --bytes N or --wav FILE"));
        call.payload = qlm::sim::FillerPayload(count, qlm::sim::CodecRateForFlags(call.flags));
    }
    const QString path = qlm::sim::WriteRecording(folder, call, &error);
    if (path.isEmpty())
        return Fail(error.BoxText());
    std::printf("%s\n", path.toLocal8Bit().constData());
    return 0;
}
