// Runs side by side, on real processes with the real voxform: two exports of
// two catalogues whose recordings share their names (different calls), a
// conversion in this process while qlmtool converts another catalogue,
// hostile neighbours in the window-message folder, and the front-ends a run
// starts, counted after runs that succeeded, failed and were cancelled.
#include <gtest/gtest.h>

#include <QDirIterator>
#include <QFileInfo>
#include <QProcess>
#include <QThread>

#include <csignal>
#include <memory>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "app/catalogue/store.h"
#include "kvc/frames.h"
#include "platform/appfolder.h"
#include "tests/convert/democardfixture.h"
#include "voxform/vfcore.h"

namespace qlm::test {
namespace {

// voxform processes working anywhere below the folder; ended ones do not count.
int FrontEndsBelow(const QString& folder) {
    const QString root = QFileInfo(folder).canonicalFilePath();
    int count = 0;
    const QStringList pids = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& pid : pids) {
        const QString proc = QStringLiteral("/proc/") + pid;
        if (ReadFile(proc + QStringLiteral("/comm")).trimmed() != "voxform")
            continue;
        const QByteArray stat = ReadFile(proc + QStringLiteral("/stat"));
        const qsizetype close = stat.lastIndexOf(')');
        if (close < 0 || close + 2 >= stat.size() || stat.at(close + 2) == 'Z')
            continue;
        const QString cwd = QFile::symLinkTarget(proc + QStringLiteral("/cwd"));
        if (cwd == root || cwd.startsWith(root + u'/'))
            ++count;
    }
    return count;
}

bool WaitForFrontEnd(const QString& folder) {
    for (int i = 0; i < 3000; ++i) {
        if (FrontEndsBelow(folder) > 0)
            return true;
        QThread::msleep(10);
    }
    return false;
}

// Codec data played backwards, frame by frame: other audio of the same rate
// and length.
QByteArray ReversedFrames(const QByteArray& data) {
    QList<QByteArray> frames;
    qsizetype at = 0;
    for (;;) {
        const int length = at < data.size() ? kvc::FrameLength(static_cast<uint8_t>(data.at(at))) : 0;
        if (length <= 0 || at + length > data.size())
            break;
        frames.prepend(data.mid(at, length));
        at += length;
    }
    return frames.join() + data.mid(at);
}

// Every WAV file of a folder, by name.
QMap<QString, QByteArray> WavFiles(const QString& folder) {
    QMap<QString, QByteArray> files;
    for (const QString& name : QDir(folder).entryList({QStringLiteral("*.wav")}, QDir::Files))
        files.insert(name, ReadFile(JoinPath(folder, name)));
    return files;
}

class IsolationTest : public DemoCardTest {
protected:
    void SetUp() override {
        DemoCardTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        ASSERT_GE(listed_.size(), 3);
        for (int i = 0; i < 3; ++i)
            calls_ << listed_[i].split(u'\t').mid(0, 2);
        // The second card: the same recording names, other calls.
        card2_ = dir_.filePath(QStringLiteral("card2"));
        QDir().mkpath(card2_);
        for (const QString& name : QDir(card_).entryList(QDir::Files)) {
            const QByteArray bytes = ReadFile(JoinPath(card_, name));
            WriteFile(JoinPath(card2_, name), bytes.left(512) + ReversedFrames(bytes.mid(512)));
        }
        const BuildResult built = BuildCatalogueIn(card2_, nullptr, BuildHooks());
        ASSERT_FALSE(built.error.IsSet()) << built.error.description.toStdString();
        built.database->Close();
        catalogue2_ = built.path;
    }

    QString Folder(const char* name) const {
        const QString folder = dir_.filePath(QString::fromLatin1(name));
        QDir().mkpath(folder);
        return folder;
    }
    QStringList Args(const char* verb, const QString& catalogue, const QString& dest) const {
        return QStringList{QString::fromLatin1(verb), catalogue, QStringLiteral("--dest"), dest} + calls_ +
               QStringList{QStringLiteral("--password-stdin")};
    }
    std::unique_ptr<QProcess> Start(const QStringList& args,
                                    const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment()) const {
        auto process = std::make_unique<QProcess>();
        process->setProcessEnvironment(env);
        process->start(app_.file(QStringLiteral("qlmtool")), args);
        process->waitForStarted();
        process->write("\n");  // the empty password, before any waiting
        process->waitForBytesWritten();
        process->closeWriteChannel();
        return process;
    }
    static int Finish(QProcess& process) {
        process.waitForFinished(240000);
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }
    QString Work() const { return app_.file(QStringLiteral("temp")); }

    QStringList calls_;  // date, time, date, time, ...
    QString card2_, catalogue2_;
};

TEST_F(IsolationTest, TwoExportsAtOnceEachGetTheirOwnCalls) {
    const QString ref1 = Folder("ref1"), ref2 = Folder("ref2"), race1 = Folder("race1"), race2 = Folder("race2");
    ASSERT_EQ(Tool(Args("export", catalogue_, ref1).mid(0, 10)).exitCode, 0);
    ASSERT_EQ(Tool(Args("export", catalogue2_, ref2).mid(0, 10)).exitCode, 0);
    const QMap<QString, QByteArray> one = WavFiles(ref1), two = WavFiles(ref2);
    ASSERT_EQ(one.size(), 3);
    ASSERT_EQ(two.keys(), one.keys());
    for (const QString& name : one.keys())
        EXPECT_NE(one[name], two[name]) << name.toStdString();  // the two cards differ

    auto first = Start(Args("export", catalogue_, race1));
    ASSERT_TRUE(WaitForFrontEnd(Work()));  // the first is converting
    auto second = Start(Args("export", catalogue2_, race2));
    EXPECT_EQ(Finish(*first), 0) << first->readAllStandardError().toStdString();
    EXPECT_EQ(Finish(*second), 0) << second->readAllStandardError().toStdString();
    EXPECT_EQ(WavFiles(race1), one);
    EXPECT_EQ(WavFiles(race2), two);
    EXPECT_EQ(ReadFile(JoinPath(race2, QStringLiteral("calls.csv"))),
              ReadFile(JoinPath(ref2, QStringLiteral("calls.csv"))));
    EXPECT_EQ(FrontEndsBelow(dir_.path()), 0);
}

TEST_F(IsolationTest, AConversionHereWhileQlmtoolConvertsAnotherCatalogue) {
    const QString ref2 = Folder("ref2"), out1 = Folder("out1"), out2 = Folder("out2");
    ASSERT_EQ(Tool(Args("convert", catalogue2_, ref2).mid(0, 10)).exitCode, 0);

    auto tool = Start(Args("convert", catalogue2_, out2));
    ASSERT_TRUE(WaitForFrontEnd(Work()));
    QVector<ConvertItem> items;
    for (qsizetype i = 0; i + 1 < calls_.size(); i += 2)
        items << ConvertItem{calls_[i], calls_[i + 1]};
    RecordingProgress progress;
    const ConvertResult here = ConvertRecordings(items, card_, JoinPath(out1, QString()), 0, progress);
    CloseFrontEnd();
    ASSERT_EQ(Finish(*tool), 0);
    const QByteArray toolErr = tool->readAllStandardError();
    // Neither closed the other's front-end: no decode had to be tried again.
    EXPECT_FALSE(toolErr.contains("Retry: ")) << toolErr.toStdString();
    EXPECT_TRUE(progress.history.filter(QStringLiteral("Retry: ")).isEmpty());
    EXPECT_EQ(here.Failed(), 0);
    EXPECT_EQ(WavFiles(out2), WavFiles(ref2));

    // This process decoded its own card's calls, as the codec does them here,
    // and kept them to its owner.
    vf::CodecLibrary codec(app_.file(QStringLiteral("libkvc.so")));
    for (const ConvertItem& item : std::as_const(items)) {
        const QString name = RecordingNameFor(item.dateText, item.timeText);
        const QString decoded = JoinPath(GetTempFolder(), name + QStringLiteral(".qlm.wav"));
        const QString reference = dir_.filePath(name + QStringLiteral(".reference.wav"));
        ASSERT_FALSE(vf::DecodeDatToWav(codec, dir_.path(), JoinPath(GetTempFolder(), name + QStringLiteral(".Dat")),
                                        reference, vf::Hooks())
                         .IsSet());
        EXPECT_EQ(ReadFile(decoded), ReadFile(reference)) << name.toStdString();
        EXPECT_EQ(ReadFile(JoinPath(GetTempFolder(), name + QStringLiteral(".Dat"))),
                  ReadFile(JoinPath(card_, name)).mid(512));
        struct stat info {};
        ASSERT_EQ(::stat(QFile::encodeName(decoded).constData(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0600u);
    }
    EXPECT_EQ(FrontEndsBelow(dir_.path()), 0);
}

TEST_F(IsolationTest, EveryFrontEndEndsWithItsRun) {
    // Cancelled with Ctrl+C while it converts.
    auto cancelled = Start(Args("export", catalogue_, Folder("cancelled")));
    ASSERT_TRUE(WaitForFrontEnd(Work()));
    ::kill(static_cast<pid_t>(cancelled->processId()), SIGINT);
    EXPECT_NE(Finish(*cancelled), 0);
    // Whether the interrupt lands in a stage (cancelled) or in a front-end's
    // wait (that call failed), nothing is exported and no front-end stays.
    const QByteArray said = cancelled->readAllStandardError();
    EXPECT_TRUE(said.contains("cancelled") || said.contains("nothing was exported")) << said.toStdString();
    EXPECT_TRUE(QDir(Folder("cancelled")).entryList(QDir::Files).isEmpty());
    EXPECT_EQ(FrontEndsBelow(dir_.path()), 0);

    // Failed: the front-ends cannot serve their windows (their folder is a
    // file), so every attempt of the call starts one that never shows.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    const QString blocked = dir_.filePath(QStringLiteral("not-a-folder"));
    WriteFile(blocked, "x");
    env.insert(QStringLiteral("QLM_WINMSG_DIR"), blocked);
    auto failed =
        Start(Args("convert", catalogue_, Folder("failed")).mid(0, 6) << QStringLiteral("--password-stdin"), env);
    EXPECT_EQ(Finish(*failed), 1);
    EXPECT_TRUE(failed->readAllStandardOutput().contains(kFailedMark.toUtf8()));
    EXPECT_EQ(FrontEndsBelow(dir_.path()), 0);
}

TEST_F(IsolationTest, NeighboursCanNeitherBlockNorSlowAConversion) {
    // In the window-message folder: a peer that never answers, and one that
    // shows a front-end's window no close request closes.
    const QString silentCount = dir_.filePath(QStringLiteral("silent.count"));
    const QString stuckCount = dir_.filePath(QStringLiteral("stuck.count"));
    std::vector<std::unique_ptr<QProcess>> peers;
    for (const QStringList& args : {QStringList{QStringLiteral("--silent"), silentCount},
                                    QStringList{QStringLiteral("--silent"), stuckCount, kFrontEndCaption.toString()}}) {
        peers.push_back(std::make_unique<QProcess>());
        peers.back()->start(QCoreApplication::applicationDirPath() + QStringLiteral("/winmsg_peer"), args);
        ASSERT_TRUE(peers.back()->waitForReadyRead(20000));
    }
    const QStringList one = Args("convert", catalogue_, Folder("beside")).mid(0, 6)
                            << QStringLiteral("--password-stdin");
    auto run = Start(one);
    ASSERT_EQ(Finish(*run), 0) << run->readAllStandardError().toStdString();
    EXPECT_FALSE(run->readAllStandardError().contains("Retry: "));
    EXPECT_EQ(ReadFile(silentCount), QByteArray("1"));  // asked once, then left out
    const int posts = ReadFile(stuckCount).toInt();     // asked to close in one round of tries
    EXPECT_GT(posts, 0);
    EXPECT_LE(posts, 101);
    EXPECT_EQ(peers[1]->state(), QProcess::Running);  // not ours to kill
    for (auto& peer : peers) {
        peer->kill();
        peer->waitForFinished();
    }

    // No runtime folder, and the fallback folder made first by someone else
    // (another user where the test may make one, else one of the wrong mode).
    const QString tmp = Folder("tmp");
    ::chmod(QFile::encodeName(dir_.path()).constData(), 0755);
    ::chmod(QFile::encodeName(tmp).constData(), 01777);
    const QString shared = QDir(tmp).filePath(QStringLiteral("qlm-windows-%1").arg(::geteuid()));
    const QByteArray native = QFile::encodeName(shared);
    uid_t owner = ::geteuid();
    if (::geteuid() == 0) {
        const QString user = QStringLiteral("qlmother%1").arg(::getpid());
        if (QProcess::execute(QStringLiteral("useradd"), {QStringLiteral("-M"), user}) == 0) {
            QProcess id;
            id.start(QStringLiteral("id"), {QStringLiteral("-u"), user});
            id.waitForFinished();
            owner = static_cast<uid_t>(id.readAllStandardOutput().trimmed().toUInt());
            const pid_t child = ::fork();
            if (child == 0)
                ::_exit(::setgid(owner) == 0 && ::setuid(owner) == 0 && ::mkdir(native.constData(), 0777) == 0 &&
                                ::chmod(native.constData(), 0777) == 0
                            ? 0
                            : 1);
            ::waitpid(child, nullptr, 0);
            QProcess::execute(QStringLiteral("userdel"), {user});
        }
    }
    if (!QFileInfo(shared).isDir()) {
        std::printf("[ NOTE     ] no second user: the fallback folder is this user's own with mode 0755\n");
        ASSERT_TRUE(QDir().mkdir(shared));
        ::chmod(native.constData(), 0755);
    }
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("QLM_WINMSG_DIR"));
    env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    env.insert(QStringLiteral("TMPDIR"), tmp);
    auto attacked = Start(Args("convert", catalogue_, Folder("attacked")), env);
    EXPECT_EQ(Finish(*attacked), 0) << attacked->readAllStandardError().toStdString();
    EXPECT_EQ(WavFiles(dir_.filePath(QStringLiteral("attacked"))).size(), 3);
    EXPECT_TRUE(QDir(shared).isEmpty());  // never used
    struct stat info {};
    ASSERT_EQ(::lstat(native.constData(), &info), 0);
    EXPECT_EQ(info.st_uid, owner);
    EXPECT_EQ(FrontEndsBelow(dir_.path()), 0);
}

}  // namespace
}  // namespace qlm::test
