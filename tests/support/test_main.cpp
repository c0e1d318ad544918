// Runner entry: the application object is created offscreen, whatever the
// developer's shell says, so every runner works without a display.
#include "ui/accessible_names.h"
#include "ui/command_lock.h"

#include <QApplication>
#include <QLocale>
#include <QTemporaryDir>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("TZ",
            qgetenv("TAVTOOLS_TEST_TZ").isEmpty() ? "Europe/Paris" : qgetenv("TAVTOOLS_TEST_TZ"));
    // Nothing a test does reaches the user's own settings or cache.
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toLocal8Bit());
    qputenv("XDG_DATA_HOME", home.filePath(QStringLiteral("data")).toLocal8Bit());
    // Nor its cache: the folder indexes of the tests' own trees stay theirs.
    qputenv("XDG_CACHE_HOME", home.filePath(QStringLiteral("cache")).toLocal8Bit());
    QApplication app(argc, argv);
    ui::installCommandLock();
    ui::installAccessibleNames();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
