// Folder names that are not valid UTF-8, through qlmtool as real processes:
// "card\xff" and "card\xEF\xBF\xBD" (the UTF-8 of U+FFFD, which Qt once made
// of both) side by side, each command acting on its own folder only, whatever
// the locale. Arguments go in as bytes: QProcess would re-encode them.
#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include <QDate>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include "tests/support/testsupport.h"

extern char** environ;

namespace {

struct Result {
    int exitCode = -1;
    QByteArray out, err;
};

// qlmtool with these argument bytes under the locale; the build's folder has
// no password set, so an empty line signs in (header needs none).
Result Tool(const QByteArray& base, const char* locale, std::vector<QByteArray> args) {
    args.insert(args.begin(), QFile::encodeName(qlm::test::BuiltPath("qlmtool")));
    if (args[1] != "header")
        args.push_back("--password-stdin");
    std::vector<char*> argv;
    for (QByteArray& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    std::vector<QByteArray> env;
    for (char** e = environ; *e; ++e)
        if (std::strncmp(*e, "LC_", 3) != 0 && std::strncmp(*e, "LANG", 4) != 0 && std::strncmp(*e, "XDG_DATA", 8) != 0)
            env.emplace_back(*e);
    env.push_back(QByteArray("LC_ALL=") + locale);
    env.push_back(QByteArray("LANG=") + locale);
    env.push_back("XDG_DATA_HOME=" + base + "/data");  // the trash, if any, stays in the test's folder
    std::vector<char*> envp;
    for (QByteArray& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    const QByteArray in = base + "/stdin", out = base + "/stdout", err = base + "/stderr";
    qlm::test::WriteFile(QString::fromUtf8(in), "\n");
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 0, in.constData(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&files, 1, out.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&files, 2, err.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = 0;
    Result result;
    if (posix_spawn(&pid, argv[0], &files, nullptr, argv.data(), envp.data()) == 0) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    posix_spawn_file_actions_destroy(&files);
    result.out = qlm::test::ReadFile(QString::fromUtf8(out));
    result.err = qlm::test::ReadFile(QString::fromUtf8(err));
    return result;
}

// The names in a folder that look like recordings (8.3, 12 bytes), and the
// catalogues, read by the folder's bytes.
std::vector<std::string> Entries(const QByteArray& folder, const char* kind) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(folder.constData());
    if (!dir)
        return names;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        const bool recording = name.size() == 12 && name[8] == '.';
        const bool catalogue = name.size() > 4 && name.compare(name.size() - 4, 4, ".mdb") == 0;
        if (std::strcmp(kind, "recordings") == 0 ? recording : catalogue)
            names.push_back(name);
    }
    ::closedir(dir);
    return names;
}

size_t Count(const QByteArray& folder) { return Entries(folder, "recordings").size(); }

void CopyFile(const QByteArray& from, const QByteArray& to) {
    QFile in(QString::fromUtf8(from));
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    const int fd = ::open(to.constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    ASSERT_GE(fd, 0);
    const QByteArray bytes = in.readAll();
    ASSERT_EQ(::write(fd, bytes.constData(), size_t(bytes.size())), bytes.size());
    ::close(fd);
}

// QTemporaryDir lists with Qt, which passes over raw names: they go by their bytes.
struct RemovedByBytes {
    QByteArray tree;
    ~RemovedByBytes() {
        ::nftw(
            tree.constData(), [](const char* path, const struct stat*, int, struct FTW*) { return ::remove(path); }, 16,
            FTW_DEPTH | FTW_PHYS);
    }
};

}  // namespace

TEST(QlmtoolRawNames, EachCommandActsOnItsOwnFolderOnly) {
    for (const char* locale : {"C", "C.UTF-8"}) {
        SCOPED_TRACE(locale);
        QTemporaryDir dir;
        const QByteArray base = QFile::encodeName(dir.path());
        const RemovedByBytes cleanup{base};
        ASSERT_EQ(::mkdir(base + "/data", 0700), 0);
        const QByteArray demo = base + "/demo";
        ASSERT_EQ(qlm::test::Run(qlm::test::BuiltPath("qlmsim"), {"democard", QString::fromUtf8(demo)}).exitCode, 0);
        const std::vector<std::string> recordings = Entries(demo, "recordings");
        ASSERT_EQ(recordings.size(), 12u);
        // The raw folder holds one recording, its look-alike all twelve.
        const QByteArray rawCard = base + "/card\xff", markCard = base + "/card\xEF\xBF\xBD";
        const QByteArray rawLib = base + "/lib\xff", markLib = base + "/lib\xEF\xBF\xBD";
        ASSERT_EQ(::mkdir(rawCard.constData(), 0755), 0);
        ASSERT_EQ(::mkdir(markCard.constData(), 0755), 0);
        for (const std::string& name : recordings)
            CopyFile(demo + "/" + name.c_str(), markCard + "/" + name.c_str());
        const QByteArray one = QByteArray::fromStdString(recordings.front());
        CopyFile(demo + "/" + one, rawCard + "/" + one);

        // copy: each library gets its own card's recordings; a library folder
        // of raw bytes is made as given; paths are shown with replacement marks.
        Result copy = Tool(base, locale, {"copy", rawCard, rawLib});
        ASSERT_EQ(copy.exitCode, 0) << copy.err.constData();
        EXPECT_EQ(copy.out, markLib + "/" + one + "\n");
        copy = Tool(base, locale, {"copy", markCard, markLib});
        ASSERT_EQ(copy.exitCode, 0) << copy.err.constData();
        EXPECT_EQ(copy.out.count('\n'), 12);
        EXPECT_EQ(Count(rawLib), 1u);
        EXPECT_EQ(Count(markLib), 12u);

        // build: each catalogue in its own folder, of its own recordings.
        Result build = Tool(base, locale, {"build", rawLib});
        ASSERT_EQ(build.exitCode, 0) << build.err.constData();
        EXPECT_TRUE(build.out.startsWith(markLib + "/")) << build.out.constData();
        EXPECT_TRUE(build.out.endsWith("\t1\n")) << build.out.constData();
        build = Tool(base, locale, {"build", "--json", markLib});
        ASSERT_EQ(build.exitCode, 0) << build.err.constData();
        EXPECT_EQ(QJsonDocument::fromJson(build.out).object().value("rows").toInt(), 12);
        const std::vector<std::string> rawCatalogues = Entries(rawLib, "catalogues");
        ASSERT_EQ(rawCatalogues.size(), 1u);
        EXPECT_EQ(Entries(markLib, "catalogues").size(), 1u);
        const QByteArray rawCatalogue = rawLib + "/" + rawCatalogues.front().c_str();

        // A command that cannot use such a name exactly says so and does nothing.
        const Result list = Tool(base, locale, {"list", rawCatalogue});
        EXPECT_EQ(list.exitCode, 1);
        EXPECT_TRUE(list.err.contains(markLib + "/")) << list.err.constData();
        EXPECT_TRUE(list.err.contains("not valid UTF-8")) << list.err.constData();
        EXPECT_TRUE(list.out.isEmpty());

        // wipe-card: the raw card loses its one recording, which its library
        // holds; the look-alike keeps its twelve until wiped itself.
        Result wipe = Tool(base, locale, {"wipe-card", rawCard, "--library", rawLib, "--yes"});
        EXPECT_EQ(wipe.exitCode, 0) << wipe.err.constData();
        EXPECT_EQ(Count(rawCard), 0u);
        EXPECT_EQ(Count(markCard), 12u);
        wipe = Tool(base, locale, {"wipe-card", markCard, "--library", markLib, "--yes"});
        EXPECT_EQ(wipe.exitCode, 0) << wipe.err.constData();
        EXPECT_EQ(Count(markCard), 0u);

        // delete: the call of the raw library's catalogue takes its own file.
        const Result header = Tool(base, locale, {"header", "--json", rawLib + "/" + one});
        ASSERT_EQ(header.exitCode, 0) << header.err.constData();
        const QJsonObject call = QJsonDocument::fromJson(header.out).object();
        const QByteArray date =
            QDate::fromString(call.value("date").toString(), Qt::ISODate).toString("MM/dd/yyyy").toUtf8();
        const Result deleted =
            Tool(base, locale, {"delete", rawCatalogue, date, call.value("time").toString().toUtf8()});
        EXPECT_EQ(deleted.exitCode, 0) << deleted.err.constData();
        EXPECT_TRUE(deleted.out.contains("\tdeleted")) << deleted.out.constData();
        EXPECT_EQ(Count(rawLib), 0u);
        EXPECT_EQ(Count(markLib), 12u);
        // In the trash, which records where it came from by those bytes.
        const QByteArray trashInfo = qlm::test::ReadFile(dir.filePath("data/Trash/info/" + one + ".trashinfo"));
        EXPECT_TRUE(trashInfo.contains("\nPath=" + (rawLib + "/" + one).toPercentEncoding("/") + "\n"))
            << trashInfo.constData();
        EXPECT_FALSE(copy.out.contains("/proc/") || build.out.contains("/proc/") || deleted.err.contains("/proc/"));
    }
}
