// qlmtool search [--json] [--print-sql] CATALOGUE [criteria]: the window's
// search from the command line. Absent criteria take the search panel's
// defaults; the found calls print as qlmtool list prints them.
#include <QDate>

#include "app/catalogue/engine.h"
#include "app/catalogue/search.h"
#include "app/catalogue/store.h"
#include "app/strings/strlib.h"
#include "app/strings/strnames.h"
#include "cli/callargs.h"
#include "cli/cli.h"

namespace qlm::cli {
namespace {

// Three 16-bit numbers split at the separator, as the panel's lists give
// them; whether they form a real date or time is the engine's to judge.
bool ParseTriple(const QString& text, QChar separator, qint16* a, qint16* b, qint16* c) {
    const QStringList parts = text.split(separator);
    if (parts.size() != 3)
        return false;
    qint16* out[3] = {a, b, c};
    for (int i = 0; i < 3; ++i) {
        bool ok = false;
        const int value = parts[i].trimmed().toInt(&ok);
        if (!ok || value < -32768 || value > 32767)
            return false;
        *out[i] = static_cast<qint16>(value);
    }
    return true;
}

// A choice word as the panel item's text.
bool ParseChoice(const QString& word, const QList<std::pair<const char*, int>>& items, QString* text) {
    for (const auto& [name, number] : items) {
        if (word == QLatin1String(name)) {
            *text = LibStr(number);
            return true;
        }
    }
    return false;
}

QString TrimBlanks(const QString& text) {
    qsizetype begin = 0, end = text.size();
    while (begin < end && text.at(begin) == u' ')
        ++begin;
    while (end > begin && text.at(end - 1) == u' ')
        --end;
    return text.mid(begin, end - begin);
}

int UsageError(const QString& message) {
    if (!message.isEmpty())
        Err(QStringLiteral("qlmtool search: ") + message);
    return Usage("search");
}

}  // namespace

int CmdSearch(const QStringList& arguments) {
    QStringList args = arguments;
    const bool json = TakeFlag(&args, QStringLiteral("--json"));
    const bool printSql = TakeFlag(&args, QStringLiteral("--print-sql"));
    const bool any = TakeFlag(&args, QStringLiteral("--any"));
    if (!LoadCallTexts())
        return kFailed;

    const QDate today = QDate::currentDate();
    SearchCriteria c;
    c.YearF = 2003;
    c.MonthF = 1;
    c.DayF = 1;
    c.YearL = qint16(today.year());
    c.MonthL = qint16(today.month());
    c.DayL = qint16(today.day());
    c.HourL = 23;
    c.MinL = 59;
    c.SecL = 59;
    c.InOut = c.TelMic = c.Saved = c.SamRate = LibStr(str::All);
    c.MatchAll = !any;

    struct Option {
        const char* name;
        QString value;
        bool present = false;
    };
    Option options[] = {{"--from", {}},   {"--to", {}},      {"--time-from", {}}, {"--time-to", {}},
                        {"--caller", {}}, {"--dialled", {}}, {"--direction", {}}, {"--source", {}},
                        {"--saved", {}},  {"--rate", {}},    {"--comment", {}}};
    for (Option& o : options)
        if (!TakeOption(&args, QString::fromLatin1(o.name), &o.value, &o.present))
            return UsageError(QString());
    if (args.size() != 1 || args[0].startsWith(QStringLiteral("--")))
        return UsageError(args.size() > 1 ? QStringLiteral("unexpected %1").arg(args.mid(1).join(u' ')) : QString());
    const QString catalogue = args[0];
    const auto bad = [](const Option& o) {
        return UsageError(QStringLiteral("bad %1 %2").arg(QLatin1String(o.name), o.value));
    };
    const Option& from = options[0];
    const Option& to = options[1];
    const Option& timeFrom = options[2];
    const Option& timeTo = options[3];
    if (from.present && !ParseTriple(from.value, u'-', &c.YearF, &c.MonthF, &c.DayF))
        return bad(from);
    if (to.present && !ParseTriple(to.value, u'-', &c.YearL, &c.MonthL, &c.DayL))
        return bad(to);
    if (timeFrom.present && !ParseTriple(timeFrom.value, u':', &c.HourF, &c.MinF, &c.SecF))
        return bad(timeFrom);
    if (timeTo.present && !ParseTriple(timeTo.value, u':', &c.HourL, &c.MinL, &c.SecL))
        return bad(timeTo);
    c.CallerID = TrimBlanks(options[4].value);
    c.DialStr = TrimBlanks(options[5].value);
    c.Comment = TrimBlanks(options[10].value);
    if (options[6].present &&
        !ParseChoice(options[6].value, {{"all", str::All}, {"in", str::Incoming}, {"out", str::Outgoing}}, &c.InOut))
        return bad(options[6]);
    if (options[7].present &&
        !ParseChoice(
            options[7].value,
            {{"all", str::All}, {"tel", str::Telephone}, {"mic", str::Microphone}, {"vox", str::VoiceActivated}},
            &c.TelMic))
        return bad(options[7]);
    if (options[8].present &&
        !ParseChoice(options[8].value, {{"all", str::All}, {"yes", str::SavedMark}, {"no", str::NotSaved}}, &c.Saved))
        return bad(options[8]);
    if (options[9].present &&
        !ParseChoice(options[9].value,
                     {{"all", str::All}, {"0", str::Rate1200}, {"1", str::Rate900}, {"2", str::Rate550}}, &c.SamRate))
        return bad(options[9]);

    const QString statement = BuildSearchStatement(c, SearchChoiceTexts::FromLibrary());
    if (printSql)
        Out(statement);

    Error error;
    auto db = OpenCatalogueForCommand(catalogue, &error);
    if (!db) {
        ReportCatalogueError(catalogue, error);
        return kFailed;
    }
    EnsureCatalogueIndexes(db.get());
    auto rows = db->OpenRecordset(WithCallIdentity(db.get(), statement), &error);
    if (!rows) {
        Err(QStringLiteral("%1: error %2: %3").arg(catalogue).arg(error.number).arg(error.description));
        return kFailed;
    }
    return PrintCallRows(catalogue, rows.get(), json) ? kOk : kFailed;
}

}  // namespace qlm::cli
