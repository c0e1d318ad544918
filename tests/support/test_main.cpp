// Runner entry: the application object is created offscreen, whatever the
// developer's shell says, so every runner works without a display.
#include "ui/CommandLock.h"
#include "ui/accessible_names.h"

#include <QApplication>
#include <QLocale>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("TZ",
            qgetenv("TAVTOOLS_TEST_TZ").isEmpty() ? "Europe/Paris" : qgetenv("TAVTOOLS_TEST_TZ"));
    QApplication app(argc, argv);
    ui::installCommandLock();
    ui::installAccessibleNames();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
