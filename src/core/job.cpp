#include "job.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QObject>
#include <QThread>
#include <mutex>

namespace core {

namespace {

constexpr qint64 kProgressInterval = 50; // ms

JobWaiter& waiter() {
    static JobWaiter w;
    return w;
}

} // namespace

void setJobWaiter(JobWaiter w) {
    waiter() = std::move(w);
}

// The latest item told by a worker, waiting for the starting thread.
struct Job::ItemBox {
    std::mutex lock;
    QString latest;
    bool posted = false;
};

Job::Job() : m_item(std::make_shared<ItemBox>()) {}
Job::~Job() = default;

void Job::progress(int percent) {
    const bool edge = percent <= 0 || percent >= 100;
    if (m_partCount > 1)
        percent = int((qint64(m_partIndex) * 100 + std::clamp(percent, 0, 100)) / m_partCount);
    // Reports crossing threads are thinned out; direct ones cost nothing.
    if (m_home && !edge && m_sinceProgress.isValid() &&
        m_sinceProgress.elapsed() < kProgressInterval)
        return;
    m_sinceProgress.start();
    deliver(percent);
}

void Job::setPart(int index, int count) {
    m_partIndex = index;
    m_partCount = count;
}

void Job::deliver(int percent) {
    if (!onProgress) return;
    if (!m_home || QThread::currentThread() == m_home->thread()) {
        onProgress(percent);
        return;
    }
    // Queued: the worker never waits for a repaint. A report arriving after
    // the job has ended is dropped.
    auto sink = onProgress;
    auto alive = m_alive;
    QMetaObject::invokeMethod(
        m_home,
        [sink, alive, percent] {
            if (alive->load()) sink(percent);
        },
        Qt::QueuedConnection);
}

void Job::setItem(const QString& item) {
    if (!onItem) return;
    if (!m_home || QThread::currentThread() == m_home->thread()) {
        onItem(item);
        return;
    }
    {
        std::lock_guard<std::mutex> l(m_item->lock);
        m_item->latest = item;
        if (std::exchange(m_item->posted, true)) return; // already on its way
    }
    auto alive = m_alive;
    QMetaObject::invokeMethod(
        m_home,
        [this, alive] {
            if (alive->load()) deliverItem();
        },
        Qt::QueuedConnection);
}

// On the starting thread: hands over the item waiting, if any.
void Job::deliverItem() {
    QString item;
    {
        std::lock_guard<std::mutex> l(m_item->lock);
        if (!std::exchange(m_item->posted, false)) return;
        item = std::exchange(m_item->latest, {});
    }
    if (onItem) onItem(item);
}

void Job::askOnHome(const std::function<void()>& question) {
    if (!m_home || QThread::currentThread() == m_home->thread()) {
        question();
        return;
    }
    std::exception_ptr error;
    QMetaObject::invokeMethod(
        m_home,
        [&] {
            try {
                question();
            } catch (...) {
                error = std::current_exception();
            }
        },
        Qt::BlockingQueuedConnection);
    if (error) std::rethrow_exception(error);
}

void Job::runHere() {
    m_home = nullptr;
    run();
}

void Job::runInBackground() {
    QObject home; // questions and progress are delivered through it
    m_home = &home;
    m_alive = std::make_shared<std::atomic<bool>>(true);
    m_error = nullptr;
    QEventLoop loop;
    QThread* thread = QThread::create([this] {
        try {
            run();
        } catch (...) {
            m_error = std::current_exception();
        }
    });
    QObject::connect(thread, &QThread::finished, &loop, &QEventLoop::quit);
    auto wait = [&] {
        thread->start();
        loop.exec(QEventLoop::ExcludeSocketNotifiers);
        thread->wait();
    };
    if (waiter())
        waiter()(*this, wait);
    else
        wait();
    delete thread;
    deliverItem();
    m_alive->store(false);
    m_home = nullptr;
    if (m_error) std::rethrow_exception(std::exchange(m_error, nullptr));
}

} // namespace core
