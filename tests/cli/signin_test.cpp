// qlmtool's password gate, fed through real streams and a real terminal.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "app/access/dealpwd.h"
#include "app/access/passwordgate.h"
#include "app/strings/strlib.h"
#include "app/strings/strnames.h"
#include "cli/cli.h"
#include "tests/access/accessfixture.h"
#include "tests/support/testsupport.h"

using namespace qlm;

namespace {

struct Gate {
    int status = -1;
    QStringList args;
    std::string err;
};

Gate Pass(const QStringList& args, const QByteArray& input) {
    Gate gate;
    gate.args = args;
    std::FILE* in = ::fmemopen(const_cast<char*>(input.constData()), static_cast<size_t>(input.size()), "r");
    if (input.isEmpty())
        in = std::fopen("/dev/null", "r");
    testing::internal::CaptureStderr();
    gate.status = cli::SignInForCommand(&gate.args, in);
    gate.err = testing::internal::GetCapturedStderr();
    std::fclose(in);
    return gate;
}

}  // namespace

TEST(QlmtoolGate, ThePasswordComesFromTheFirstLineOfStdin) {
    test::AppFolder app;
    test::WriteFile(app.file("qlm6200.pwd"), "\x43\x23\x43\x22\x74\x7D");  // "secret"

    Gate g = Pass({"--json", "--password-stdin", "FOLDER"}, "secret\nsomething else\n");
    EXPECT_EQ(g.status, cli::kOk) << g.err;
    EXPECT_EQ(g.args, QStringList({"--json", "FOLDER"}));
    EXPECT_EQ(g.err, "");

    EXPECT_EQ(Pass({"--password-stdin"}, "  secret \r\n").status, cli::kOk);  // blanks and CRLF as in the window
    EXPECT_EQ(Pass({"--password-stdin"}, "secret").status, cli::kOk);         // no line end at all

    for (const QByteArray& wrong : {QByteArray("Secret\n"), QByteArray("\nsecret\n"), QByteArray()}) {
        g = Pass({"--password-stdin", "FOLDER"}, wrong);
        EXPECT_EQ(g.status, cli::kWrongPassword) << wrong.constData();
        EXPECT_EQ(g.err, "Wrong password\n");
    }
    // Without the flag and without a terminal there is no password at all,
    // and stdin is left to the command.
    g = Pass({"FOLDER"}, "secret\n");
    EXPECT_EQ(g.status, cli::kWrongPassword);
    EXPECT_EQ(g.err, "Wrong password\n");
    EXPECT_EQ(test::ReadFile(app.file("qlm6200.pwd")), QByteArray("\x43\x23\x43\x22\x74\x7D"));
}

TEST(QlmtoolGate, AFreshFolderTakesTheEmptyPasswordAnUnreadableFileNone) {
    test::AppFolder app;
    EXPECT_EQ(Pass({"--password-stdin"}, "\n").status, cli::kOk);
    EXPECT_EQ(Pass({"--password-stdin"}, "x\n").status, cli::kWrongPassword);
    ASSERT_TRUE(QFile::remove(app.file("qlm6200.pwd")));
    ASSERT_TRUE(QDir(app.path()).mkdir("qlm6200.pwd"));
    // Not a wrong password: a fault of the file, named as such.
    const Gate g = Pass({"--password-stdin"}, "\n");
    EXPECT_EQ(g.status, cli::kFailed);
    EXPECT_NE(g.err.find("qlm6200.pwd"), std::string::npos) << g.err;
    EXPECT_NE(g.err.find(LibStr(str::PasswordFileIsFolder).toStdString()), std::string::npos) << g.err;
    EXPECT_EQ(g.err.find("Wrong password"), std::string::npos) << g.err;
}

// The gate waits out the brake and says so; a line too long for any
// password is refused whole, not cut to a password it happens to start
// with.
TEST(QlmtoolGate, WaitsOutTheBrakeAndNeverCutsALine) {
    test::AppFolder app;
    test::FakeBrakeClock clock;
    for (int i = 1; i <= 5; ++i) {
        const Gate g = Pass({"--password-stdin"}, "guess\n");
        EXPECT_EQ(g.status, cli::kWrongPassword);
        std::string expected;
        if (i >= 5)
            expected += "qlmtool: " + BrakeWaitingText(2000).toStdString() + "\n";
        else if (i == 4)
            expected += "qlmtool: " + BrakeWaitingText(1000).toStdString() + "\n";
        expected += "Wrong password\n";
        if (i >= 3)
            expected += "qlmtool: " + LibStr(str::BrakeNextTry).arg(i).arg(1 << (i - 3)).toStdString() + "\n";
        EXPECT_EQ(g.err, expected) << i;
    }
    EXPECT_EQ(clock.Sleeps(), QList<qint64>({1000, 2000}));
    clock.Advance(4000);
    EXPECT_EQ(Pass({"--password-stdin"}, "\n").status, cli::kOk);

    // The empty password is stored; blanks past any password's length are
    // not it, and are no guess either.
    const QByteArray blanks(2000, ' ');
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(Pass({"--password-stdin"}, blanks + "\n").status, cli::kWrongPassword);
    EXPECT_EQ(ReadBrakeState().failures, 0);
    EXPECT_EQ(Pass({"--password-stdin"}, QByteArray(1000, ' ') + "\n").status, cli::kOk);
}

// On a terminal the gate asks, and what is typed is not shown.
TEST(QlmtoolGate, OnATerminalItAsksWithoutEcho) {
    test::AppFolder app;
    ASSERT_TRUE(SavePassword("", "tty pass"));
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(::grantpt(master), 0);
    ASSERT_EQ(::unlockpt(master), 0);
    const int slave = ::open(::ptsname(master), O_RDWR | O_NOCTTY);
    ASSERT_GE(slave, 0);
    std::FILE* in = ::fdopen(slave, "r");
    ASSERT_TRUE(in);

    // Type once the gate has switched echo off, as a user would after the
    // prompt; after a while type anyway, so a gate that never switches it
    // off fails instead of waiting forever.
    std::atomic<bool> echoWasOff = false;
    std::thread user([&] {
        for (int i = 0; i < 300 && !echoWasOff; ++i) {
            termios t{};
            echoWasOff = ::tcgetattr(slave, &t) == 0 && !(t.c_lflag & ECHO);
            if (!echoWasOff)
                ::usleep(10000);
        }
        const char line[] = "tty pass\n";
        EXPECT_EQ(::write(master, line, sizeof line - 1), static_cast<ssize_t>(sizeof line - 1));
    });
    QStringList args{"FOLDER"};
    testing::internal::CaptureStderr();
    const int status = cli::SignInForCommand(&args, in);
    const std::string err = testing::internal::GetCapturedStderr();
    user.join();
    EXPECT_TRUE(echoWasOff);
    EXPECT_EQ(status, cli::kOk);
    EXPECT_NE(err.find("Password: "), std::string::npos);

    // Nothing came back to the screen, and echo is on again.
    pollfd p{master, POLLIN, 0};
    char echoed[64] = {};
    const ssize_t n = ::poll(&p, 1, 100) > 0 ? ::read(master, echoed, sizeof echoed) : 0;
    EXPECT_LE(n, 0) << std::string(echoed, static_cast<size_t>(n > 0 ? n : 0));
    termios after{};
    ASSERT_EQ(::tcgetattr(slave, &after), 0);
    EXPECT_TRUE(after.c_lflag & ECHO);
    std::fclose(in);
    ::close(master);
}
