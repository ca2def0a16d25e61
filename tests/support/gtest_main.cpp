// GoogleTest's main with a Qt application object, so that code which asks Qt
// for the application's folder or runs an event loop works in tests, and the
// program-wide state reset around every test.
#include <gtest/gtest.h>

#include <QApplication>

#include "app/prjpublic.h"

namespace {

// The window's and qlmtool's program-wide state starts empty for every test,
// whatever the test before it opened or signed in.
class FreshProgramState : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override { qlm::PrjPublicM().Reset(); }
    void OnTestEnd(const ::testing::TestInfo&) override { qlm::PrjPublicM().Reset(); }
};

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Tests never need a display; ctest's test listing runs without one.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new FreshProgramState);
    return RUN_ALL_TESTS();
}
