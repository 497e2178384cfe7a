// Entry point of the GUI test programs: a QApplication with private folders, on the offscreen platform unless
// VEMRA_TEST_PLATFORM names another (the clipboard test runs on "xcb" under xvfb-run).
#include "core/UiServices.h"
#include "support/private_dirs.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    vemra::test::usePrivateDirs();
    const QByteArray platform = qgetenv("VEMRA_TEST_PLATFORM");
    qputenv("QT_QPA_PLATFORM", platform.isEmpty() ? QByteArray("offscreen") : platform);
    QApplication app(argc, argv);
    QApplication::setOrganizationName("Vemra");
    QApplication::setApplicationName("Vemra");
    // No test may block on a modal prompt: every prompt goes to the scripted services.
    vemra::ScriptedUiServices scripted;
    vemra::UiServices::install(&scripted);
    const int rc = RUN_ALL_TESTS();
    vemra::UiServices::install(nullptr);
    return rc;
}
