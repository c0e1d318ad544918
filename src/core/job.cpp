#include "job.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QObject>
#include <QThread>
#include <mutex>
#include <utility>

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
Job::~Job() {
    stop();
}

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

namespace {
thread_local Job* t_current = nullptr;
} // namespace

Job* Job::current() {
    return t_current;
}

Job::OnThisThread::OnThisThread(Job& job) : m_outer(std::exchange(t_current, &job)) {}

Job::OnThisThread::~OnThisThread() {
    t_current = m_outer;
}

void Job::runHere() {
    m_home = nullptr;
    const OnThisThread here(*this);
    run();
}

void Job::runInBackground() {
    QObject home; // questions and progress are delivered through it
    m_home = &home;
    m_alive = std::make_shared<std::atomic<bool>>(true);
    m_error = nullptr;
    QEventLoop loop;
    QThread* thread = QThread::create([this] {
        const OnThisThread here(*this);
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

void Job::start(std::function<void()> finished) {
    stop();
    m_cancel.store(false, std::memory_order_relaxed);
    m_ownHome = std::make_unique<QObject>();
    m_home = m_ownHome.get();
    m_alive = std::make_shared<std::atomic<bool>>(true);
    m_error = nullptr;
    m_thread.reset(QThread::create([this] {
        const OnThisThread here(*this);
        try {
            run();
        } catch (...) {
            m_error = std::current_exception();
        }
    }));
    auto alive = m_alive;
    QObject::connect(m_thread.get(), &QThread::finished, m_home,
                     [this, alive, finished = std::move(finished)] {
                         if (!alive->load()) return; // stopped: nothing more is told
                         m_thread->wait();
                         deliverItem();
                         alive->store(false);
                         if (finished) finished();
                     });
    m_thread->start();
}

void Job::stop() {
    if (!m_thread) return;
    cancel();
    m_thread->wait();
    if (m_alive) m_alive->store(false);
    m_thread.reset();
    m_home = nullptr;
    // Later: stop() may be called from its own finished().
    if (m_ownHome) m_ownHome.release()->deleteLater();
}

bool Job::running() const {
    return m_thread && m_alive && m_alive->load();
}

void Job::post(std::function<void()> what) {
    if (!m_home || QThread::currentThread() == m_home->thread()) {
        what();
        return;
    }
    auto alive = m_alive;
    QMetaObject::invokeMethod(
        m_home,
        [alive, what = std::move(what)] {
            if (alive->load()) what();
        },
        Qt::QueuedConnection);
}

} // namespace core
