// The password gate in front of every command that touches a catalogue or a
// card: the same password, checked the same way, as the window's sign-in.
#include <cstdio>

#include <termios.h>
#include <unistd.h>

#include "app/access/dealpwd.h"
#include "cli/cli.h"

namespace qlm::cli {
namespace {

// Longer lines cannot be a password (16 characters at most); the rest of
// such a line is read and dropped.
constexpr int kMaxLine = 1024;

// The first line of in, without its line end. False when in gives nothing
// at all.
bool ReadLine(std::FILE* in, QString* line) {
    QByteArray bytes;
    bool any = false;
    for (int c = std::fgetc(in); c != EOF; c = std::fgetc(in)) {
        any = true;
        if (c == '\n')
            break;
        if (bytes.size() < kMaxLine)
            bytes.append(static_cast<char>(c));
    }
    if (bytes.endsWith('\r'))
        bytes.chop(1);
    *line = QString::fromLocal8Bit(bytes);
    return any;
}

// Asks on the terminal with echo off; echo comes back even when the read
// fails.
bool Prompt(std::FILE* in, QString* password) {
    const int fd = ::fileno(in);
    termios saved{};
    const bool haveTerm = ::tcgetattr(fd, &saved) == 0;
    if (haveTerm) {
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        quiet.c_lflag |= ICANON;
        ::tcsetattr(fd, TCSAFLUSH, &quiet);
    }
    std::fputs("Password: ", stderr);
    std::fflush(stderr);
    const bool ok = ReadLine(in, password);
    if (haveTerm)
        ::tcsetattr(fd, TCSAFLUSH, &saved);
    std::fputc('\n', stderr);
    return ok;
}

}  // namespace

bool ReadCommandPassword(QStringList* args, std::FILE* in, QString* password) {
    const bool fromStdin = TakeFlag(args, QStringLiteral("--password-stdin"));
    if (fromStdin)
        return ReadLine(in, password);
    if (::isatty(::fileno(in)))
        return Prompt(in, password);
    return false;
}

int SignInForCommand(QStringList* args, std::FILE* in) {
    QString password;
    Error error;
    if (ReadCommandPassword(args, in, &password) && CheckPassword(password, &error))
        return kOk;
    if (error.IsSet())
        Err(QStringLiteral("qlmtool: %1").arg(error.BoxText()));
    Err(QStringLiteral("Wrong password"));
    return kWrongPassword;
}

}  // namespace qlm::cli
