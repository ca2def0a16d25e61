// qlmsim: the recorder simulator.
//   qlmsim write FOLDER --time "YYYY-MM-DD hh:mm:ss" [--number N] [--flags F]
//                (--payload FILE | --bytes N)
//   qlmsim democard FOLDER
#include <cstdio>

#include <QCoreApplication>
#include <QFile>

#include "tools/recsim.h"

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

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
    if (args.size() < 2)
        return Fail(QStringLiteral("usage: qlmsim write FOLDER --time T [--number N] [--flags F] "
                                   "(--payload FILE | --bytes N) | qlmsim democard FOLDER"));
    const QString verb = args.takeFirst();
    const QString folder = args.takeFirst();
    qlm::Error error;
    if (verb == QStringLiteral("democard")) {
        const int written = qlm::sim::WriteDemoCard(folder, &error);
        if (error.IsSet())
            return Fail(error.BoxText());
        std::printf("%d recordings written to %s\n", written, folder.toLocal8Bit().constData());
        return 0;
    }
    if (verb != QStringLiteral("write"))
        return Fail(QStringLiteral("unknown verb ") + verb);

    qlm::sim::Call call;
    call.start = QDateTime::fromString(TakeValue(&args, QStringLiteral("--time")), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
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
    if (!payloadFile.isEmpty()) {
        QFile file(payloadFile);
        if (!file.open(QIODevice::ReadOnly))
            return Fail(payloadFile + QStringLiteral(": ") + file.errorString());
        call.payload = file.readAll();
    } else {
        const qlonglong count = bytes.toLongLong(&ok);
        if (!ok || count < 0)
            return Fail(QStringLiteral("give --payload FILE or --bytes N"));
        call.payload = qlm::sim::FillerPayload(count);
    }
    const QString path = qlm::sim::WriteRecording(folder, call, &error);
    if (path.isEmpty())
        return Fail(error.BoxText());
    std::printf("%s\n", path.toLocal8Bit().constData());
    return 0;
}
