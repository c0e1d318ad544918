// Shows a page of the "Parcourir" window offscreen and prints the time until
// its last slot is painted. Usage: bench_thumbnails PICTURE...
#include "viewers/thumbnails_window.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <cstdio>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList files = app.arguments().mid(1);
    QElapsedTimer clock;
    clock.start();
    viewers::ThumbnailsWindow browser;
    browser.init(files);
    browser.show();
    if (!QTest::qWaitFor([&] { return browser.pageComplete(); }, 60000)) return 1;
    const double page = clock.elapsed() / 1000.0;
    // The next page was read ahead while the user looked at this one.
    QTest::qWait(3000);
    clock.restart();
    browser.showNextPage();
    if (!QTest::qWaitFor([&] { return browser.pageComplete(); }, 60000)) return 1;
    std::printf("page %.3f s, next page %.3f s\n", page, clock.elapsed() / 1000.0);
    return 0;
}
