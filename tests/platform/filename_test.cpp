// Names as bytes: every byte string survives the trip into text and back,
// and Qt's file classes reach a folder of raw bytes, not its look-alike.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <random>

#include <QFile>
#include <QTemporaryDir>

#include "platform/error.h"
#include "platform/filename.h"

namespace qlm {
namespace {

QByteArray Bytes(const QString& path) { return QFile::encodeName(path); }

// QTemporaryDir lists with Qt, which passes over raw names: they go by their bytes.
struct RemovedByBytes {
    QByteArray tree;
    ~RemovedByBytes() {
        ::nftw(
            tree.constData(), [](const char* path, const struct stat*, int, struct FTW*) { return ::remove(path); }, 16,
            FTW_DEPTH | FTW_PHYS);
    }
};

TEST(FileNameTest, EveryByteStringRoundTripsAndValidTextIsQtsOwn) {
    std::mt19937 random(23);
    // Bytes near the edges of UTF-8: continuation bytes, leads, encoded
    // surrogates, overlong forms, past U+10FFFF.
    const unsigned char edges[] = {0x00, 0x2F, 0x41, 0x7F, 0x80, 0xBF, 0xC0, 0xC1, 0xC2, 0xDF, 0xE0, 0xA0,
                                   0xED, 0xB2, 0x9F, 0xEF, 0xF0, 0x90, 0xF4, 0x8F, 0xF5, 0xFE, 0xFF};
    for (int round = 0; round < 20000; ++round) {
        QByteArray bytes;
        const int length = int(random() % 9);
        for (int i = 0; i < length; ++i)
            bytes += char(random() % 2 ? edges[random() % sizeof edges] : random() % 256);
        const QString name = DecodeName(bytes);
        ASSERT_EQ(EncodeName(name), bytes) << bytes.toHex().constData();
        if (bytes.isValidUtf8()) {
            ASSERT_EQ(name, QString::fromUtf8(bytes)) << bytes.toHex().constData();
            ASSERT_FALSE(HasRawBytes(name));
        } else {
            ASSERT_TRUE(HasRawBytes(name)) << bytes.toHex().constData();
            ASSERT_FALSE(HasRawBytes(ShownName(name)));
        }
    }
    // The two names Qt made one stay two; shown, the raw one looks like the other.
    const QString raw = DecodeName("card\xff"), mark = DecodeName("card\xEF\xBF\xBD");
    EXPECT_NE(raw, mark);
    EXPECT_EQ(ShownName(raw), mark);
    EXPECT_EQ(EncodeName(QString::fromUtf8("Grüße €\U0001F600")),
              QFile::encodeName(QString::fromUtf8("Grüße €\U0001F600")));
    // A surrogate pair whose low half lies in the raw range is text.
    EXPECT_EQ(EncodeName(QString::fromUtf8("\U0001F4FF")), QByteArray("\xF0\x9F\x93\xBF"));
    Error error;
    EXPECT_TRUE(RefuseRawBytes(mark, &error));
    EXPECT_FALSE(RefuseRawBytes(raw, &error));
    EXPECT_EQ(error.number, err::kBadFileName);
    EXPECT_TRUE(error.description.startsWith(mark));
}

TEST(FileNameTest, QtReachesTheFolderOfTheseBytesOnly) {
    QTemporaryDir dir;
    const QByteArray base = Bytes(dir.path());
    const RemovedByBytes cleanup{base};
    ASSERT_EQ(::mkdir(base + "/card\xff", 0700), 0);
    ASSERT_EQ(::mkdir(base + "/card\xEF\xBF\xBD", 0700), 0);
    const auto write = [](const QByteArray& path, const QByteArray& text) {
        QFile file;
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL, 0600);
        ASSERT_GE(fd, 0);
        ASSERT_TRUE(file.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle));
        file.write(text);
    };
    write(base + "/card\xff/A.TXT", "raw");
    write(base + "/card\xEF\xBF\xBD/A.TXT", "look-alike");

    const QString folder = DecodeName(base + "/card\xff");
    EXPECT_TRUE(IsReadableFolderAt(folder));
    EXPECT_TRUE(ExistsAt(folder + "/A.TXT"));
    EXPECT_FALSE(ExistsAt(folder + "/B.TXT"));
    Error error;
    const QString file = QtReachablePath(folder + "/A.TXT", &error);
    ASSERT_FALSE(file.isEmpty()) << error.description.toStdString();
    EXPECT_FALSE(HasRawBytes(file));
    QFile read(file);
    ASSERT_TRUE(read.open(QIODevice::ReadOnly));
    EXPECT_EQ(read.readAll(), "raw");
    // Written through Qt too, and found by its bytes; the name given back for people.
    QFile made(QtReachablePath(folder, &error) + "/B.TXT");
    ASSERT_TRUE(made.open(QIODevice::WriteOnly));
    made.close();
    EXPECT_EQ(::access(base + "/card\xff/B.TXT", F_OK), 0);
    EXPECT_NE(::access(base + "/card\xEF\xBF\xBD/B.TXT", F_OK), 0);
    EXPECT_EQ(UnaliasPaths("at " + file + ": gone"), "at " + folder + "/A.TXT: gone");

    // A relative name in a working folder of raw bytes.
    char* here = ::getcwd(nullptr, 0);
    ASSERT_EQ(::chdir(base + "/card\xff"), 0);
    QFile relative(QtReachablePath(QStringLiteral("A.TXT"), &error));
    const bool opened = relative.open(QIODevice::ReadOnly);
    EXPECT_EQ(::chdir(here), 0);
    std::free(here);
    ASSERT_TRUE(opened);
    EXPECT_EQ(relative.readAll(), "raw");

    // A file of raw bytes, or a folder that is not there, is refused, not guessed.
    write(base + "/plain\xfe", "x");
    EXPECT_TRUE(QtReachablePath(DecodeName(base + "/plain\xfe"), &error).isEmpty());
    EXPECT_EQ(error.number, err::kBadFileName);
    EXPECT_TRUE(QtReachablePath(DecodeName(base + "/gone\xfe/A.TXT"), &error).isEmpty());
    EXPECT_TRUE(RemoveName(DecodeName(base + "/plain\xfe")));
    EXPECT_FALSE(ExistsAt(DecodeName(base + "/plain\xfe")));

    // Folders made by their bytes, as QDir::mkpath would make them.
    const QString deep = DecodeName(base + "/card\xff/new\xfe/deep");
    ASSERT_TRUE(MakeFolders(deep));
    EXPECT_TRUE(MakeFolders(deep));
    EXPECT_TRUE(IsReadableFolderAt(deep));
    EXPECT_EQ(::access(base + "/card\xff/new\xfe/deep", F_OK), 0);
    EXPECT_FALSE(MakeFolders(folder + "/A.TXT/deeper"));
}

}  // namespace
}  // namespace qlm
