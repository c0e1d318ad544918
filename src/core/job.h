#pragma once
// Long work on a worker thread. A job takes its parameters (absolute paths)
// when it is made, reports progress at most every 50 ms, stops when asked
// through an atomic flag checked between files and blocks, and asks the
// user its questions on the thread that started it, waiting for the answer.

#include <QElapsedTimer>
#include <QString>
#include <algorithm>
#include <atomic>
#include <exception>
#include <functional>
#include <memory>

class QObject;
class QThread;

namespace core {

class Job {
  public:
    Job();
    virtual ~Job();
    Job(const Job&) = delete;
    Job& operator=(const Job&) = delete;

    // The work; runs on the worker thread (or the caller's, see runHere).
    virtual void run() = 0;

    void cancel() { m_cancel.store(true, std::memory_order_relaxed); }
    bool cancelled() const { return m_cancel.load(std::memory_order_relaxed); }

    // Percentage done, handed to the progress sink on the starting thread;
    // in the background, calls closer than 50 ms apart are dropped, except
    // 0 and 100 (of each part).
    void progress(int percent);
    // The progress that follows is that of part `index` of `count` equal
    // parts of the whole (a loop over files, each reporting 0 to 100).
    void setPart(int index, int count);
    // Progress as `done` of `total` (bytes, entries); answers whether the
    // job is to stop. The last amounts stay readable by the sinks.
    bool advance(qint64 done, qint64 total) {
        m_done.store(done, std::memory_order_relaxed);
        m_total.store(total, std::memory_order_relaxed);
        progress(int(100 * done / std::max<qint64>(total, 1)));
        return cancelled();
    }
    qint64 amountDone() const { return m_done.load(std::memory_order_relaxed); }
    qint64 amountTotal() const { return m_total.load(std::memory_order_relaxed); }
    std::function<void(int percent)> onProgress;

    // The item under way (the folder searched, the file copied), handed to
    // onItem on the starting thread. From a worker only the latest item
    // waits for delivery, however fast they come; the last one is
    // delivered before the job ends.
    void setItem(const QString& item);
    std::function<void(const QString& item)> onItem;

    // An entry a stopped call was left working on (a server that did not
    // answer the stop, or a call that failed on the way): it may be
    // incomplete. Set by the worker, read once the job has ended.
    void setLeftIncomplete(const QString& entry) { m_leftIncomplete = entry; }
    const QString& leftIncomplete() const { return m_leftIncomplete; }

    // Runs question on the starting thread and waits for its answer. An
    // error leaving the question leaves ask too, on the worker.
    template <class F> auto ask(F&& question) -> decltype(question()) {
        using R = decltype(question());
        if constexpr (std::is_void_v<R>) {
            askOnHome([&] { question(); });
        } else {
            R answer{};
            askOnHome([&] { answer = question(); });
            return answer;
        }
    }

    // The job running on the calling thread (run by runHere, runInBackground
    // or start, or driven there as OnThisThread says), or null: calls deep
    // below an engine that take no job (a platform call that may hang)
    // stop when it is stopped.
    static Job* current();
    class OnThisThread {
      public:
        explicit OnThisThread(Job& job);
        ~OnThisThread();
        OnThisThread(const OnThisThread&) = delete;
        OnThisThread& operator=(const OnThisThread&) = delete;

      private:
        Job* m_outer;
    };

    // Runs the job on the calling thread: questions and progress are direct
    // calls (the front end, and engines driven without a window).
    void runHere();
    // Runs the job on a worker thread; the calling thread keeps handling
    // its events (repaints, questions, progress) until the job ends. An
    // error that left run() is thrown again here.
    void runInBackground();
    // Runs the job on a worker thread and returns at once: progress, items
    // and posts reach the calling thread through its event loop, and
    // `finished` is called there once run() has ended (an error that left
    // it is kept in failure()). A started job asks no questions. Its owner
    // keeps it until then, or calls stop(); a class deriving from Job whose
    // run() uses its own members calls stop() in its destructor.
    void start(std::function<void()> finished = {});
    // Cancels a started job and waits for its run() to end; nothing it
    // posted is delivered afterwards.
    void stop();
    bool running() const;
    std::exception_ptr failure() const { return m_error; }
    // From a started job: runs `what` on the starting thread, without
    // waiting for it; dropped once the job has ended or been stopped.
    void post(std::function<void()> what);

  private:
    friend class JobThread;
    void askOnHome(const std::function<void()>& question);
    void deliver(int percent);
    void deliverItem();

    std::atomic<bool> m_cancel{false};
    QString m_leftIncomplete;
    std::atomic<qint64> m_done{0}, m_total{0};
    QObject* m_home = nullptr; // lives on the starting thread while the job runs
    std::shared_ptr<std::atomic<bool>> m_alive;
    QElapsedTimer m_sinceProgress;
    int m_partIndex = 0;
    int m_partCount = 1;
    std::exception_ptr m_error;
    std::unique_ptr<QObject> m_ownHome; // the home of a started job
    std::unique_ptr<QThread> m_thread;  // the worker of a started job
    struct ItemBox;
    std::shared_ptr<ItemBox> m_item;
};

// A job made of a function, for the many one-loop commands.
class FunctionJob : public Job {
  public:
    explicit FunctionJob(std::function<void(Job&)> body) : m_body(std::move(body)) {}
    void run() override { m_body(*this); }

  private:
    std::function<void(Job&)> m_body;
};

// A job its caller drives on its own thread, without running it: progress
// and questions are direct calls, cancel() stops the engine it is given.
// For engines driven by the front end and by tests.
class DirectJob : public Job {
  public:
    void run() override {}
};

// Called by runInBackground around the wait, so that a host (the window
// system) can lock its windows and route Escape to cancel(). The default
// waits in a plain event loop.
using JobWaiter = std::function<void(Job& job, const std::function<void()>& waitUntilDone)>;
void setJobWaiter(JobWaiter waiter);

} // namespace core
