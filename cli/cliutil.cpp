#include <cstdio>

#include <QJsonDocument>

#include "cli/cli.h"

namespace qlm::cli {

void Out(const QString& line) {
    const QByteArray bytes = line.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
    std::fputc('\n', stdout);
}

void Err(const QString& line) {
    std::fflush(stdout);
    const QByteArray bytes = line.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stderr);
    std::fputc('\n', stderr);
}

QString JsonLine(const QJsonObject& object) {
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

bool TakeFlag(QStringList* args, const QString& flag) { return args->removeAll(flag) > 0; }

bool TakeOption(QStringList* args, const QString& name, QString* value, bool* present) {
    *present = false;
    const qsizetype at = args->indexOf(name);
    if (at < 0)
        return true;
    *present = true;
    if (at + 1 >= args->size()) {
        Err(QStringLiteral("qlmtool: %1 needs a value").arg(name));
        return false;
    }
    *value = args->at(at + 1);
    args->remove(at, 2);
    return true;
}

}  // namespace qlm::cli
