#include "search_run.h"
#include "core/job.h"
#include "ui/command_lock.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>

namespace tools {

SearchEnd runSearch(QPushButton* closeButton, QListWidget* list, QLabel* label,
                    const std::function<void(core::Job& job, Batch& batch)>& work) {
    Batch batch;
    // The folder under way is cut in its middle to the label's width, so a
    // long name never widens the window nor moves its buttons.
    if (label) {
        label->setSizePolicy(QSizePolicy::Ignored, label->sizePolicy().verticalPolicy());
        label->setMinimumWidth(1);
    }
    auto drain = [&] {
        const QStringList entries = batch.take();
        if (!entries.isEmpty()) list->addItems(entries);
    };
    QTimer timer;
    timer.setInterval(100);
    QObject::connect(&timer, &QTimer::timeout, list, drain);
    core::FunctionJob job([&](core::Job& j) { work(j, batch); });
    if (label)
        job.onItem = [label](const QString& folder) {
            label->setText(
                label->fontMetrics().elidedText(folder, Qt::ElideMiddle, label->width()));
            label->setToolTip(folder);
        };
    bool closing = false;
    ui::allowDuringJob(closeButton);
    const auto stopper = QObject::connect(closeButton, &QPushButton::clicked, list, [&] {
        closing = true;
        job.cancel();
    });
    timer.start();
    struct Stop {
        QTimer& timer;
        QMetaObject::Connection connection;
        ~Stop() {
            timer.stop();
            QObject::disconnect(connection);
        }
    } stop{timer, stopper};
    job.runInBackground();
    drain();
    return closing ? SearchEnd::Closed : job.cancelled() ? SearchEnd::Escaped : SearchEnd::Done;
}

} // namespace tools
