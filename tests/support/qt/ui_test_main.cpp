// GoogleTest with a QApplication, on the offscreen platform unless told otherwise, and the watchdog
// that keeps a test from hanging on a box nobody answers (support/qt/test_watchdog.h).
#include "app/qt/tackwispapplication.h"
#include "support/qt/test_watchdog.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    tw::TackwispApplication app(argc, argv);   // the program's own application object
    ::testing::InitGoogleTest(&argc, argv);

    tw::test::TestWatchdog watchdog;
    ::testing::TestEventListeners& listeners = ::testing::UnitTest::GetInstance()->listeners();
    listeners.Append(&watchdog);
    const int rc = RUN_ALL_TESTS();
    listeners.Release(&watchdog);   // it ends with this function, before the QApplication
    return rc;
}
