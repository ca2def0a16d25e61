// qlmtool: the program's operations for scripts and headless machines, on the
// same code as the window.
#include <QCoreApplication>
#include <QMap>
#include <QRegularExpression>
#include <QSet>

#include "cli/cli.h"
#include "platform/filename.h"

namespace {

struct Subcommand {
    qlm::cli::Command run;
    bool needsPassword;
    // The command's usage after "qlmtool ", shown by --help and on a bad
    // command line. An option written with a value ("--dest DIR") takes one,
    // also when it is given before the command.
    const char* usage;
};

// Every command but header works on the user's calls and needs the password.
// A new command is one line here.
const QMap<QString, Subcommand>& Commands() {
    using namespace qlm::cli;
    static const QMap<QString, Subcommand> commands = {
        {QStringLiteral("header"), {CmdHeader, false, "header [--json] FILE..."}},
        {QStringLiteral("copy"), {CmdCopy, true, "copy SOURCE DEST"}},
        {QStringLiteral("build"), {CmdBuild, true, "build [--json] FOLDER"}},
        {QStringLiteral("list"), {CmdList, true, "list [--json] CATALOGUE"}},
        {QStringLiteral("search"),
         {CmdSearch, true,
          "search [--json] [--print-sql] CATALOGUE [--from Y-M-D] [--to Y-M-D]\n"
          "         [--time-from H:M:S] [--time-to H:M:S] [--caller TEXT] [--dialled TEXT]\n"
          "         [--direction all|in|out] [--source all|tel|mic|vox] [--saved all|yes|no]\n"
          "         [--rate all|0|1|2] [--comment TEXT] [--any]"}},
        {QStringLiteral("comment"), {CmdComment, true, "comment CATALOGUE (FILE | MM/dd/yyyy hh:mm:ss) TEXT"}},
        {QStringLiteral("delete"), {CmdDelete, true, "delete [--json] CATALOGUE (FILE | MM/dd/yyyy hh:mm:ss) ..."}},
        {QStringLiteral("wipe-card"), {CmdWipeCard, true, "wipe-card FOLDER --library FOLDER [--yes] [--json]"}},
        {QStringLiteral("convert"),
         {CmdConvert, true,
          "convert CATALOGUE --dest DIR [--mp3] (--all | CALL ...)\n"
          "  CALL: a recording FILE, or DATE TIME as the list shows them: MM/dd/yyyy hh:mm:ss"}},
        {QStringLiteral("export"),
         {CmdExport, true,
          "export CATALOGUE --dest FOLDER|FILE.zip [--mp3] (--all | FILE | MM/dd/yyyy hh:mm:ss ...)\n"
          "         [--from DATE --to DATE]"}},
        {QStringLiteral("backup"), {CmdBackup, true, "backup CATALOGUE DEST.mdb"}},
        {QStringLiteral("prune"),
         {CmdPrune, true, "prune CATALOGUE --older-than DAYS [--include-saved] [--dry-run] [--json]"}},
        {QStringLiteral("play"),
         {CmdPlay, true,
          "play CATALOGUE (FILE | MM/dd/yyyy hh:mm:ss) [--speed X] [--from SECONDS] [--output FILE.wav]"}},
        {QStringLiteral("passwd"), {CmdPasswd, false, "passwd [--password-stdin]"}},
        {QStringLiteral("verify"), {CmdVerify, true, "verify [--json] CATALOGUE"}},
    };
    return commands;
}

QString UsageText(const Subcommand& command) {
    return QStringLiteral("usage: qlmtool ") + QString::fromUtf8(command.usage);
}

QString WholeHelp() {
    QString text = QStringLiteral(
        "usage: qlmtool [OPTIONS] COMMAND [ARGS] [OPTIONS]\n"
        "Options go before or after the command. Commands that touch calls or cards ask for the\n"
        "password; --password-stdin reads it from the first line of standard input.\n"
        "  --help     this text; with a command, that command's usage\n"
        "  --version  the program's version\n"
        "commands:");
    for (const Subcommand& command : Commands())
        text +=
            QStringLiteral("\n  qlmtool ") + QString::fromUtf8(command.usage).replace(u'\n', QStringLiteral("\n  "));
    return text;
}

// The options any command's usage writes with a value.
const QSet<QString>& ValueOptions() {
    static const QSet<QString> options = [] {
        QSet<QString> found;
        static const QRegularExpression withValue(QStringLiteral("(--[A-Za-z0-9-]+) [^-\\[(|)\\]\\s]"));
        for (const Subcommand& command : Commands()) {
            auto it = withValue.globalMatch(QString::fromUtf8(command.usage));
            while (it.hasNext())
                found.insert(it.next().captured(1));
        }
        return found;
    }();
    return options;
}

// The command's place in args: the first word that is neither an option nor
// an option's value; -1 when there is none.
qsizetype CommandIndex(const QStringList& args) {
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (!args[i].startsWith(u'-') || args[i] == QStringLiteral("-"))
            return i;
        if (ValueOptions().contains(args[i]))
            ++i;
    }
    return -1;
}

// A command not named here has some path that still goes through Qt's file
// classes, which would turn a name that is not valid UTF-8 into the bytes of
// another file: it refuses such a name instead of acting on that file.
int RefuseRawNames(const QString& command, const QStringList& args) {
    static const QSet<QString> exact = {QStringLiteral("header"), QStringLiteral("copy"), QStringLiteral("build"),
                                        QStringLiteral("wipe-card"), QStringLiteral("delete")};
    if (exact.contains(command))
        return qlm::cli::kOk;
    for (const QString& arg : args) {
        if (qlm::HasRawBytes(arg)) {
            qlm::cli::Err(QStringLiteral("qlmtool: %1: not valid UTF-8; %2 cannot use it exactly (rename the file "
                                         "or folder)")
                              .arg(qlm::ShownName(arg), command));
            return qlm::cli::kFailed;
        }
    }
    return qlm::cli::kOk;
}

int Usage(const QString& problem) {
    if (!problem.isEmpty())
        qlm::cli::Err(QStringLiteral("qlmtool: ") + problem);
    qlm::cli::Err(WholeHelp());
    return qlm::cli::kUsage;
}

}  // namespace

namespace qlm::cli {

int Usage(const char* command) {
    const auto it = Commands().constFind(QString::fromLatin1(command));
    if (it != Commands().cend())
        Err(UsageText(*it));
    return kUsage;
}

}  // namespace qlm::cli

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationVersion(QStringLiteral(QLM_VERSION));
    // The bytes as given: arguments() decodes them lossily, whatever the locale.
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << qlm::DecodeName(QByteArrayView(argv[i]));
    const qsizetype at = CommandIndex(args);
    // The command's own words stay in order after the options given before it.
    const QString name = at < 0 ? QString() : args.takeAt(at);
    bool help = qlm::cli::TakeFlag(&args, QStringLiteral("--help"));
    help = qlm::cli::TakeFlag(&args, QStringLiteral("-h")) || help;
    if (qlm::cli::TakeFlag(&args, QStringLiteral("--version"))) {
        qlm::cli::Out(QStringLiteral("qlmtool ") + QCoreApplication::applicationVersion());
        return qlm::cli::kOk;
    }
    if (name.isEmpty()) {
        if (!help)
            return Usage(QString());
        qlm::cli::Out(WholeHelp());
        return qlm::cli::kOk;
    }
    const auto it = Commands().constFind(name);
    if (it == Commands().cend())
        return Usage(QStringLiteral("no command %1").arg(name));
    if (help) {
        qlm::cli::Out(UsageText(*it));
        return qlm::cli::kOk;
    }
    if (const int status = RefuseRawNames(name, args))
        return status;
    if (it->needsPassword)
        if (const int status = qlm::cli::SignInForCommand(&args))
            return status;
    return it->run(args);
}
