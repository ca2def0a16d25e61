#include <gtest/gtest.h>

#include <QCoreApplication>

#include "platform/appfolder.h"

TEST(AppFolder, DefaultsToTheExecutablesFolderAndCanBeOverridden) {
    EXPECT_EQ(qlm::ApplicationFolder(), QCoreApplication::applicationDirPath());
    qlm::SetApplicationFolder("/tmp/somewhere/");
    EXPECT_EQ(qlm::ApplicationFolder(), "/tmp/somewhere");
    qlm::SetApplicationFolder(QString());
    EXPECT_EQ(qlm::ApplicationFolder(), QCoreApplication::applicationDirPath());
}

TEST(AppFolder, JoinPathPutsExactlyOneSeparator) {
    EXPECT_EQ(qlm::JoinPath("/a", "b"), "/a/b");
    EXPECT_EQ(qlm::JoinPath("/a/", "b"), "/a/b");
    EXPECT_EQ(qlm::JoinPath("C:\\rec\\", "x.mdb"), "C:\\rec\\x.mdb");
    EXPECT_EQ(qlm::JoinPath("/a", "\\strLib.ini"), "/a/strLib.ini");
    EXPECT_EQ(qlm::JoinPath("", "b"), "b");
}
