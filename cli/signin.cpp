// The password gate in front of every command that touches a catalogue or a
// card: the same password, checked the same way and under the same brake on
// guessing, as the window's sign-in.
#include <cstdio>

#include <termios.h>
#include <unistd.h>

#include "app/access/passwordgate.h"
#include "cli/cli.h"

namespace qlm::cli {
namespace {

// Longer lines cannot be a password (16 characters at most). Such a line is
// read to its end and refused as a whole: cut short, it could turn into
// another password (blanks, say, and then the empty one).
constexpr int kMaxLine = 1024;

enum class LineRead { Line, Nothing, TooLong };

// The next line of in, without its line end.
LineRead ReadLine(std::FILE* in, QString* line) {
    QByteArray bytes;
    bool any = false;
    bool tooLong = false;
    for (int c = std::fgetc(in); c != EOF; c = std::fgetc(in)) {
        any = true;
        if (c == '\n')
            break;
        if (bytes.size() < kMaxLine)
            bytes.append(static_cast<char>(c));
        else
            tooLong = true;
    }
    if (bytes.endsWith('\r'))
        bytes.chop(1);
    // Bytes that are not UTF-8 become replacement marks: never a password.
    *line = QString::fromUtf8(bytes);
    if (!any)
        return LineRead::Nothing;
    return tooLong ? LineRead::TooLong : LineRead::Line;
}

// Asks on the terminal with echo off; echo comes back even when the read
// fails.
LineRead Prompt(std::FILE* in, const QString& prompt, QString* password) {
    const int fd = ::fileno(in);
    termios saved{};
    const bool haveTerm = ::tcgetattr(fd, &saved) == 0;
    if (haveTerm) {
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        quiet.c_lflag |= ICANON;
        ::tcsetattr(fd, TCSAFLUSH, &quiet);
    }
    const QByteArray text = prompt.toUtf8();
    std::fwrite(text.constData(), 1, static_cast<size_t>(text.size()), stderr);
    std::fflush(stderr);
    const LineRead read = ReadLine(in, password);
    if (haveTerm)
        ::tcsetattr(fd, TCSAFLUSH, &saved);
    std::fputc('\n', stderr);
    return read;
}

void NoticeWaiting(qint64 waitMs, int /*failures*/) { Err(QStringLiteral("qlmtool: ") + BrakeWaitingText(waitMs)); }

}  // namespace

bool ReadPassword(std::FILE* in, bool fromStdin, const QString& prompt, QString* password) {
    if (fromStdin)
        return ReadLine(in, password) == LineRead::Line;
    if (::isatty(::fileno(in)))
        return Prompt(in, prompt, password) == LineRead::Line;
    return false;
}

bool ReadCommandPassword(QStringList* args, std::FILE* in, QString* password) {
    const bool fromStdin = TakeFlag(args, QStringLiteral("--password-stdin"));
    return ReadPassword(in, fromStdin, QStringLiteral("Password: "), password);
}

int SignInForCommand(QStringList* args, std::FILE* in) {
    QString password;
    // No password at all is no guess: it is not counted.
    if (!ReadCommandPassword(args, in, &password)) {
        Err(QStringLiteral("Wrong password"));
        return kWrongPassword;
    }
    const AccessResult result = SignInAttempt(password, BrakeMode::Wait, NoticeWaiting);
    switch (result.outcome) {
    case AccessOutcome::Done:
        return kOk;
    case AccessOutcome::FileProblem:
        Err(QStringLiteral("qlmtool: ") + AccessMessage(result).replace(u'\n', u' '));
        return kFailed;
    default:
        break;
    }
    Err(QStringLiteral("Wrong password"));
    if (const QString brake = BrakeNextTryText(result); !brake.isEmpty())
        Err(QStringLiteral("qlmtool: ") + brake);
    return kWrongPassword;
}

}  // namespace qlm::cli
