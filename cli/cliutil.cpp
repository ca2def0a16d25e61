#include <cstdio>

#include <QJsonDocument>

#include "cli/cli.h"
#include "platform/error.h"
#include "platform/filename.h"

namespace qlm::cli {

void Out(const QString& line) {
    const QByteArray bytes = ShownName(UnaliasPaths(line)).toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
    std::fputc('\n', stdout);
}

void Err(const QString& line) {
    std::fflush(stdout);
    const QByteArray bytes = ShownName(UnaliasPaths(line)).toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stderr);
    std::fputc('\n', stderr);
}

QString JsonLine(const QJsonObject& object) {
    // Paths as the user gave them, before the text is quoted.
    QJsonObject shown = object;
    for (auto it = shown.begin(); it != shown.end(); ++it)
        if (it->isString())
            *it = ShownName(UnaliasPaths(it->toString()));
    return QString::fromUtf8(QJsonDocument(shown).toJson(QJsonDocument::Compact));
}

bool ReachablePath(QString* path) {
    Error error;
    const QString reachable = QtReachablePath(*path, &error);
    if (reachable.isEmpty() && !path->isEmpty()) {
        Err(QStringLiteral("qlmtool: ") + error.description);
        return false;
    }
    *path = reachable;
    return true;
}

QString PlainField(const QString& text) {
    QString plain;
    plain.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == u'\\')
            plain += QStringLiteral("\\\\");
        else if (u == u'\t')
            plain += QStringLiteral("\\t");
        else if (u == u'\n')
            plain += QStringLiteral("\\n");
        else if (u == u'\r')
            plain += QStringLiteral("\\r");
        else if (u < 0x20 || (u >= 0x7f && u <= 0x9f))
            plain += QStringLiteral("\\x%1").arg(static_cast<uint>(u), 2, 16, QLatin1Char('0'));
        else
            plain += c;
    }
    return plain;
}

QString PlainLine(const QStringList& fields) {
    QStringList plain;
    plain.reserve(fields.size());
    for (const QString& field : fields)
        plain << PlainField(field);
    return plain.join(u'\t');
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
