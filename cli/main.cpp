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

int Usage() {
    qlm::cli::Err(QStringLiteral("usage: qlmtool COMMAND [ARGS]\ncommands: header, copy, build, list"));
    return qlm::cli::kUsage;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
    if (args.isEmpty())
        return Usage();
    const QMap<QString, Subcommand> commands = {
        {QStringLiteral("header"), {qlm::cli::CmdHeader, false}},
        {QStringLiteral("copy"), {qlm::cli::CmdCopy, false}},
        {QStringLiteral("build"), {qlm::cli::CmdBuild, false}},
        {QStringLiteral("list"), {qlm::cli::CmdList, false}},
        {QStringLiteral("comment"), {qlm::cli::CmdComment, true}},
        {QStringLiteral("delete"), {qlm::cli::CmdDelete, true}},
        {QStringLiteral("wipe-card"), {qlm::cli::CmdWipeCard, true}},
    };
    const auto it = commands.constFind(args.takeFirst());
    if (it == commands.cend())
        return Usage();
    if (it->needsPassword)
        if (const int status = qlm::cli::SignInForCommand(&args))
            return status;
    return it->run(args);
}
