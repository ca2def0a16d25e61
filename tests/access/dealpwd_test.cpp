#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QRandomGenerator>

#include "app/access/dealpwd.h"
#include "app/access/passwordgate.h"
#include "platform/appfolder.h"
#include "platform/vbrandom.h"
#include "app/strings/strlib.h"
#include "app/strings/strnames.h"
#include "tests/access/accessfixture.h"
#include "tests/support/testsupport.h"

using namespace qlm;

namespace {

const QString kKite = QStringLiteral("KITE");

unsigned Mode(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return 0;
    return st.st_mode & 07777;
}

QStringList FolderEntries(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
}

}  // namespace

TEST(Scrambler, KnownValuesOfTheKite) {
    EXPECT_EQ(KeyToSeed(kKite), 5834548);
    EXPECT_EQ(KeyToSeed(QString()), 0);
    EXPECT_EQ(KeyToSeed(QStringLiteral("K")), 0);  // the first character's two XORs cancel

    EXPECT_EQ(ScramblePassword(QStringLiteral("secret"), kKite).toLatin1(), QByteArray("\x43\x23\x43\x22\x74\x7D"));
    EXPECT_EQ(ScramblePassword(QStringLiteral("1234"), kKite).toLatin1(), QByteArray("\x60\x4F\x72\x43"));
    EXPECT_EQ(UnscramblePassword(QStringLiteral("\x43\x23\x43\x22\x74\x7D"), kKite), "secret");
    EXPECT_EQ(UnscramblePassword(QStringLiteral("\x60\x4F\x72\x43"), kKite), "1234");

    // Whatever drew from the generator before does not change the result.
    for (int i = 0; i < 5; ++i)
        ProcessRandom().Rnd();
    EXPECT_EQ(ScramblePassword(QStringLiteral("secret"), kKite).toLatin1(), QByteArray("\x43\x23\x43\x22\x74\x7D"));
}

TEST(Scrambler, RoundTripsPrintableTextAndDropsTheRest) {
    QRandomGenerator rng(20261208);
    for (int round = 0; round < 500; ++round) {
        QString text;
        const int length = static_cast<int>(rng.bounded(0, 40));
        for (int i = 0; i < length; ++i)
            text += QChar(static_cast<char16_t>(rng.bounded(32, 127)));
        const QString key = round % 2 ? kKite : QStringLiteral("k%1").arg(round);
        const QString scrambled = ScramblePassword(text, key);
        ASSERT_EQ(scrambled.size(), text.size());
        for (const QChar c : scrambled)
            ASSERT_TRUE(c.unicode() >= 32 && c.unicode() <= 126) << int(c.unicode());
        ASSERT_EQ(UnscramblePassword(scrambled, key), text) << text.toStdString();
    }
    // Accented letters, controls and the NUL padding of a short file draw no
    // value, so the printable rest stays aligned.
    const QString mixed = QStringLiteral("p\u00e4ss\tw\u20aco\x01rd");
    EXPECT_EQ(ScramblePassword(mixed, kKite), ScramblePassword(QStringLiteral("psswor") + u'd', kKite));
    QString padded = ScramblePassword(QStringLiteral("abc"), kKite);
    padded += QString(13, QChar(0));
    EXPECT_EQ(UnscramblePassword(padded, kKite), "abc");
}

TEST(PasswordFile, FirstUseCreatesAnEmptyOwnerOnlyFile) {
    test::AppFolder app;
    const QString file = app.file("qlm6200.pwd");
    EXPECT_EQ(PasswordFilePath(), file);
    ASSERT_FALSE(QFile::exists(file));
    EXPECT_FALSE(CheckPassword("secret"));
    ASSERT_TRUE(QFile::exists(file));
    EXPECT_EQ(QFileInfo(file).size(), 0);
    EXPECT_EQ(Mode(file), 0600u);
    EXPECT_TRUE(CheckPassword(""));
    EXPECT_TRUE(CheckPassword("    "));
    EXPECT_EQ(ReadPasswordFile(), QString(16, QChar(0)));
}

TEST(PasswordFile, ChangeCheckAndFormat) {
    test::AppFolder app;
    const QString file = app.file("qlm6200.pwd");
    Error error;
    // Blanks around the new password are not stored.
    ASSERT_TRUE(SavePassword("", "  Pass Word  ", &error));
    EXPECT_FALSE(error.IsSet());
    EXPECT_EQ(test::ReadFile(file), ScramblePassword("Pass Word", kKite).toLatin1());
    EXPECT_EQ(Mode(file), 0600u);
    EXPECT_TRUE(CheckPassword("Pass Word"));
    EXPECT_TRUE(CheckPassword("   Pass Word "));
    EXPECT_FALSE(CheckPassword("pass word"));
    EXPECT_FALSE(CheckPassword("PassWord"));
    EXPECT_FALSE(CheckPassword(""));

    // A wrong old password changes nothing, byte for byte, and is no error.
    const QByteArray before = test::ReadFile(file);
    EXPECT_FALSE(SavePassword("Pass word", "other", &error));
    EXPECT_FALSE(error.IsSet());
    EXPECT_EQ(test::ReadFile(file), before);

    // Sixteen characters fill the field; every byte printable.
    ASSERT_TRUE(SavePassword("Pass Word", "~!Sixteen chars~"));
    const QByteArray sixteen = test::ReadFile(file);
    ASSERT_EQ(sixteen.size(), 16);
    for (const char c : sixteen)
        EXPECT_TRUE(c >= 32 && c <= 126);
    EXPECT_TRUE(CheckPassword("~!Sixteen chars~"));
    // Seventeen could never be typed back in full.
    EXPECT_FALSE(SavePassword("~!Sixteen chars~", "seventeen chars!!", &error));
    EXPECT_TRUE(error.IsSet());
    EXPECT_EQ(test::ReadFile(file), sixteen);

    // A character outside the printable range is refused, not dropped.
    EXPECT_FALSE(SavePassword("~!Sixteen chars~", QStringLiteral("caf\u00e9"), &error));
    EXPECT_TRUE(error.IsSet());
    EXPECT_EQ(test::ReadFile(file), sixteen);
    EXPECT_FALSE(CheckPassword("caf"));

    // Back to no password: an empty file.
    ASSERT_TRUE(SavePassword("~!Sixteen chars~", "   "));
    EXPECT_EQ(QFileInfo(file).size(), 0);
    EXPECT_TRUE(CheckPassword(""));
    EXPECT_EQ(FolderEntries(app.path()), QStringList({"qlm6200.pwd", "strLib.ini"}));
}

TEST(PasswordFile, FilesOfTheEarlierProgramStillSignIn) {
    test::AppFolder app;
    test::WriteFile(app.file("qlm6200.pwd"), "\x60\x4F\x72\x43");
    EXPECT_TRUE(CheckPassword("1234"));

    // Only the first 16 bytes count.
    QByteArray longer = ScramblePassword("0123456789abcdef", kKite).toLatin1();
    ASSERT_EQ(longer.size(), 16);
    test::WriteFile(app.file("qlm6200.pwd"), longer + "trailing bytes");
    EXPECT_TRUE(CheckPassword("0123456789abcdef"));
    EXPECT_TRUE(SavePassword("0123456789abcdef", "short"));
    EXPECT_EQ(test::ReadFile(app.file("qlm6200.pwd")), ScramblePassword("short", kKite).toLatin1());

    // An earlier file may have other permissions; a change makes it owner-only.
    QFile(app.file("qlm6200.pwd")).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
    ASSERT_TRUE(SavePassword("short", "shorter"));
    EXPECT_EQ(Mode(app.file("qlm6200.pwd")), 0600u);
}

TEST(PasswordFile, AnUnreadableFileLetsNobodyIn) {
    test::AppFolder app;
    // Something that exists but cannot be read as a file.
    ASSERT_TRUE(QDir(app.path()).mkdir("qlm6200.pwd"));
    Error error;
    EXPECT_FALSE(CheckPassword("", &error));
    EXPECT_TRUE(error.IsSet());
    EXPECT_TRUE(error.description.contains("qlm6200.pwd")) << error.description.toStdString();
    error.Clear();
    EXPECT_FALSE(SavePassword("", "mine", &error));
    EXPECT_TRUE(error.IsSet());
    EXPECT_TRUE(QFileInfo(app.file("qlm6200.pwd")).isDir());
}

TEST(PasswordFile, AMissingFolderFailsTheWrite) {
    test::AppFolder app;
    QTemporaryDir gone;
    const QString folder = gone.path();
    gone.remove();
    SetApplicationFolder(folder);
    // A folder that cannot be written sends the file to the user's config
    // folder; that one cannot be made either.
    const QByteArray config = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", "/proc/no-such-folder/config");
    const auto restore = qScopeGuard([&config] { qputenv("XDG_CONFIG_HOME", config); });
    Error error;
    EXPECT_TRUE(CheckPassword(""));  // no file, no folder: the empty password
    EXPECT_FALSE(SavePassword("", "mine", &error));
    EXPECT_TRUE(error.IsSet());
    EXPECT_FALSE(QFile::exists(folder));
}

// Every password of the table goes in as typed and signs in as typed, its
// file holding exactly its scrambled bytes; every one the file cannot keep
// is refused whole, the file untouched, and signs in neither as typed nor
// shortened.
TEST(PasswordFile, APasswordIsKeptWholeOrRefused) {
    test::AppFolder app;
    test::FakeBrakeClock clock;
    const QString file = app.file("qlm6200.pwd");
    QString current;
    for (const test::StorablePassword& p : test::StorablePasswords()) {
        SCOPED_TRACE(p.typed.toStdString());
        ASSERT_EQ(CheckNewPassword(p.typed), NewPasswordProblem::None);
        const AccessResult r = ChangePasswordAttempt(current, p.typed, p.typed, BrakeMode::Refuse);
        ASSERT_EQ(r.outcome, AccessOutcome::Done) << AccessMessage(r).toStdString();
        EXPECT_EQ(test::ReadFile(file), ScramblePassword(p.stored, kKite).toLatin1());
        EXPECT_EQ(UnscramblePassword(QString::fromLatin1(test::ReadFile(file)), kKite), p.stored);
        EXPECT_EQ(SignInAttempt(p.typed, BrakeMode::Refuse).outcome, AccessOutcome::Done);
        EXPECT_EQ(SignInAttempt(p.stored, BrakeMode::Refuse).outcome, AccessOutcome::Done);
        current = p.stored;
    }
    ASSERT_TRUE(SavePassword(current, "Gre1"));
    current = "Gre1";
    const QByteArray kept = test::ReadFile(file);
    for (const test::RefusedPassword& p : test::RefusedPasswords()) {
        SCOPED_TRACE(p.typed.toStdString());
        EXPECT_EQ(CheckNewPassword(p.typed), NewPasswordProblem::Character);
        const AccessResult r = ChangePasswordAttempt(current, p.typed, p.typed, BrakeMode::Refuse);
        EXPECT_EQ(r.outcome, AccessOutcome::NewNotStorable);
        EXPECT_EQ(AccessMessage(r), LibStr(str::NewPasswordNotKept) + u'\n' + LibStr(str::PasswordCharacters));
        Error error;
        EXPECT_FALSE(SavePassword(current, p.typed, &error));
        EXPECT_TRUE(error.IsSet());
        EXPECT_EQ(test::ReadFile(file), kept);
        // "Gre1" is stored; "Gr\u00fc\u00dfe1", which an older build
        // shortened to it, is another password.
        EXPECT_EQ(SignInAttempt(p.typed, BrakeMode::Refuse).outcome, AccessOutcome::WrongPassword);
        EXPECT_EQ(SignInAttempt(current, BrakeMode::Refuse).outcome, AccessOutcome::Done);
    }
    // The allowed characters are named, every one of them.
    for (char16_t c = 33; c < 127; ++c) {
        if (!QChar(c).isLetterOrNumber()) {
            EXPECT_TRUE(LibStr(str::PasswordCharacters).contains(QChar(c))) << char(c);
        }
    }
    EXPECT_EQ(CheckNewPassword(QStringLiteral("  seventeen chars!! ")), NewPasswordProblem::TooLong);
    EXPECT_EQ(ChangePasswordAttempt(current, "seventeen chars!!", "seventeen chars!!", BrakeMode::Refuse).outcome,
              AccessOutcome::NewTooLong);
    EXPECT_EQ(test::ReadFile(file), kept);
}
