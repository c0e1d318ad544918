#include "command_lock.h"
#include "core/job.h"
#include "platform/end_requests.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QSet>
#include <QTimer>
#include <QWidget>

namespace ui {

namespace {

// The window's thread only: the job its windows wait for, and the widgets
// that take input meanwhile.
core::Job* g_job = nullptr;
QList<QPointer<QWidget>> g_allowed; // take input while the next job runs

bool isInput(QEvent::Type t) {
    switch (t) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Shortcut:
    case QEvent::ShortcutOverride:
    case QEvent::ContextMenu:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
    case QEvent::Close:
        return true;
    default:
        return false;
    }
}

// The window an object belongs to: a widget's window, or that of the
// widget an action hangs from. A hidden window (a closed menu holding the
// action of a shortcut) stands for the window it belongs to.
QWidget* windowOf(QObject* o) {
    while (o && !o->isWidgetType())
        o = o->parent();
    QWidget* w = o ? static_cast<QWidget*>(o)->window() : nullptr;
    while (w && !w->isVisible() && w->parentWidget())
        w = w->parentWidget()->window();
    return w;
}

class LockFilter : public QObject {
  public:
    LockFilter(core::Job& job) : m_job(job) {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible()) m_locked.insert(w);
    }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!isInput(event->type())) return false;
        for (const QPointer<QWidget>& w : g_allowed) {
            if (!w) continue;
            if (w == watched && event->type() != QEvent::Close) return false;
            // The window that owns the job may close (its "Fermer", its
            // close box): the job stops with it.
            if (event->type() == QEvent::Close && watched == w->window()) {
                m_job.cancel();
                return false;
            }
        }
        QWidget* window = windowOf(watched);
        if (!window || !m_locked.contains(window)) return false;
        if (event->type() == QEvent::KeyPress &&
            static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape)
            m_job.cancel();
        event->ignore();
        return true;
    }

  private:
    core::Job& m_job;
    QSet<QWidget*> m_locked;
};

void waitLocked(core::Job& job, const std::function<void()>& wait) {
    core::Job* outer = std::exchange(g_job, &job);
    LockFilter filter(job);
    qApp->installEventFilter(&filter);
    QApplication::setOverrideCursor(Qt::BusyCursor);
    struct Restore {
        core::Job* outer;
        LockFilter* filter;
        ~Restore() {
            QApplication::restoreOverrideCursor();
            qApp->removeEventFilter(filter);
            g_job = outer;
            if (!outer) g_allowed.clear();
        }
    } restore{outer, &filter};
    const platform::StopOnEndRequest stop(job); // the program's end waits for no long job
    wait();
}

} // namespace

void installCommandLock() {
    core::setJobWaiter(waitLocked);
}

core::Job* runningJob() {
    return g_job;
}

void closeAllWindowsWhenIdle() {
    if (!g_job) {
        QApplication::closeAllWindows();
        return;
    }
    // Windows take no closing while a job runs; asked to end the program,
    // the job is stopping already, unless it waits for the answer to a
    // question: that box is closed (the locked windows refuse).
    if (QWidget* box = QApplication::activeModalWidget()) box->close();
    QTimer::singleShot(50, closeAllWindowsWhenIdle);
}

void allowDuringJob(QWidget* widget) {
    g_allowed.append(widget);
}

} // namespace ui
