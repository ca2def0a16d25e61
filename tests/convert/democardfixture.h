// The demo card's spoken calls with the catalogue built from them, and an
// application folder with the converter and qlmtool: the setting of the tests
// that run whole conversions. The front-ends serve their windows in a folder
// of the test's own.
#pragma once

#include <gtest/gtest.h>

#include <QFile>

#include "app/card/build.h"
#include "app/convert/frontend.h"
#include "app/prjpublic.h"
#include "tests/convert/conversionfixture.h"
#include "tools/speech.h"

namespace qlm::test {

class DemoCardTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetUpCard();
        if (IsSkipped() || HasFatalFailure())
            return;
        const BuildResult built = BuildCatalogueIn(card_, nullptr, BuildHooks());
        ASSERT_FALSE(built.error.IsSet()) << built.error.description.toStdString();
        built.database->Close();  // qlmtool opens it exclusively
        catalogue_ = built.path;
        const RunResult listed = Tool({QStringLiteral("list"), catalogue_});
        ASSERT_EQ(listed.exitCode, 0);
        listed_ = QString::fromUtf8(listed.out).split(u'\n', Qt::SkipEmptyParts);
    }
    // The application folder and the card, without a catalogue yet.
    void SetUpCard() {
        if (!sim::CanSpeak())
            GTEST_SKIP() << "espeak-ng and sox are needed";
        qputenv("QLM_WINMSG_DIR", QFile::encodeName(dir_.filePath(QStringLiteral("windows"))));
        InstallConverter(app_);
        ASSERT_TRUE(InstallQlmtool(app_));
        card_ = dir_.filePath(QStringLiteral("card"));
        ASSERT_EQ(test::Run(BuiltPath(QStringLiteral("qlmsim")), {QStringLiteral("democard"), card_}).exitCode, 0);
    }
    void TearDown() override {
        CloseFrontEnd();
        qunsetenv("QLM_WINMSG_DIR");
    }

    // A folder without a password file: the empty password signs in.
    RunResult Tool(QStringList args) const {
        return test::Run(app_.file(QStringLiteral("qlmtool")), args << QStringLiteral("--password-stdin"), "\n");
    }

    AppFolder app_;
    QTemporaryDir dir_;
    QString card_, catalogue_;
    QStringList listed_;  // qlmtool list's lines for the catalogue
};

}  // namespace qlm::test
