// qlmtool: the program's operations for scripts and headless machines, on the
// same code as the window.
#include <QCoreApplication>
#include <QMap>

#include "cli/cli.h"

namespace {

struct Subcommand {
    qlm::cli::Command run;
    bool needsPassword;
};

// Every command but header works on the user's calls and needs the password.
const QMap<QString, Subcommand>& Commands() {
    static const QMap<QString, Subcommand> commands = {
        {QStringLiteral("header"), {qlm::cli::CmdHeader, false}},
        {QStringLiteral("copy"), {qlm::cli::CmdCopy, true}},
        {QStringLiteral("build"), {qlm::cli::CmdBuild, true}},
        {QStringLiteral("list"), {qlm::cli::CmdList, true}},
        {QStringLiteral("search"), {qlm::cli::CmdSearch, true}},
        {QStringLiteral("comment"), {qlm::cli::CmdComment, true}},
        {QStringLiteral("delete"), {qlm::cli::CmdDelete, true}},
        {QStringLiteral("wipe-card"), {qlm::cli::CmdWipeCard, true}},
        {QStringLiteral("convert"), {qlm::cli::CmdConvert, true}},
        {QStringLiteral("play"), {qlm::cli::CmdPlay, true}},
    };
    return commands;
}

int Usage() {
    qlm::cli::Err(QStringLiteral("usage: qlmtool COMMAND [ARGS] [--password-stdin]\ncommands: ") +
                  Commands().keys().join(QStringLiteral(", ")));
    return qlm::cli::kUsage;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
    if (args.isEmpty())
        return Usage();
    const auto it = Commands().constFind(args.takeFirst());
    if (it == Commands().cend())
        return Usage();
    if (it->needsPassword)
        if (const int status = qlm::cli::SignInForCommand(&args))
            return status;
    return it->run(args);
}
