#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "platform/appfolder.h"
#include "platform/libloader.h"
#include "tests/support/testsupport.h"

namespace qlm {
namespace {

TEST(SharedLibraryTest, MissingAndDamagedFilesFailWithAReason) {
    QTemporaryDir dir;
    SharedLibrary missing(JoinPath(dir.path(), QStringLiteral("libnothere.so")));
    EXPECT_FALSE(missing.IsLoaded());
    EXPECT_TRUE(missing.ErrorText().contains(QStringLiteral("libnothere.so")));
    EXPECT_EQ(missing.Symbol("vDecode"), nullptr);

    const QString fake = JoinPath(dir.path(), QStringLiteral("libfake.so"));
    test::WriteFile(fake, QByteArray("not an ELF file"));
    SharedLibrary damaged;
    EXPECT_FALSE(damaged.Load(fake));
    EXPECT_FALSE(damaged.ErrorText().isEmpty());

    SharedLibrary none;
    EXPECT_FALSE(none.Load(QString()));
    EXPECT_FALSE(none.ErrorText().isEmpty());
}

}  // namespace
}  // namespace qlm
