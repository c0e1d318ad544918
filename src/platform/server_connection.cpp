// GIO first: its headers use a name Qt makes a keyword.
#include <gio/gio.h>

#include "core/job.h"
#include "remote_call.h"
#include "server_connection.h"

#include <QFile>
#include <QFileInfo>

namespace platform {

namespace {

QString text(const char* s) {
    return s ? QString::fromUtf8(s) : QString();
}

// What a mount or unmount and its questions share, on the job's thread.
struct Operation {
    const ConnectionQuestions* questions = nullptr;
    bool done = false;
    QString error;
    bool declined = false; // the user gave up a question, or stopped the job
    int inUseChoice = -1;  // the answer about programs using the share, once given
    gint64 busySince = -1; // when the share was first found busy with requests only (µs)
};

void onAskPassword(GMountOperation* op, const char* message, const char* defaultUser,
                   const char* defaultDomain, GAskPasswordFlags flags, gpointer data) {
    auto* o = static_cast<Operation*>(data);
    g_signal_stop_emission_by_name(op, "ask-password");
    QString user = text(defaultUser), domain = text(defaultDomain), password;
    bool remember = false;
    const bool answered =
        o->questions && o->questions->credentials &&
        o->questions->credentials(
            text(message), flags & G_ASK_PASSWORD_NEED_USERNAME, flags & G_ASK_PASSWORD_NEED_DOMAIN,
            flags & G_ASK_PASSWORD_NEED_PASSWORD, user, domain, password, remember);
    if (!answered) {
        o->declined = true;
        g_mount_operation_reply(op, G_MOUNT_OPERATION_ABORTED);
        return;
    }
    g_mount_operation_set_username(op, user.toUtf8().constData());
    g_mount_operation_set_domain(op, domain.toUtf8().constData());
    g_mount_operation_set_password(op, password.toUtf8().constData());
    g_mount_operation_set_password_save(op, remember && (flags & G_ASK_PASSWORD_SAVING_SUPPORTED)
                                                ? G_PASSWORD_SAVE_FOR_SESSION
                                                : G_PASSWORD_SAVE_NEVER);
    g_mount_operation_reply(op, G_MOUNT_OPERATION_HANDLED);
}

void onAskQuestion(GMountOperation* op, const char* message, const char** choices, gpointer data) {
    auto* o = static_cast<Operation*>(data);
    g_signal_stop_emission_by_name(op, "ask-question");
    QStringList options;
    for (int i = 0; choices && choices[i]; ++i)
        options << text(choices[i]);
    const int chosen =
        o->questions && o->questions->choose ? o->questions->choose(text(message), options) : -1;
    if (chosen < 0 || chosen >= options.size()) {
        o->declined = true;
        g_mount_operation_reply(op, G_MOUNT_OPERATION_ABORTED);
        return;
    }
    g_mount_operation_set_choice(op, chosen);
    g_mount_operation_reply(op, G_MOUNT_OPERATION_HANDLED);
}

// "name (pid)" of a program still running; empty for one that has ended
// (gone, or a zombie), which holds nothing: what it left is a request in
// flight. /proc/PID/stat reads "pid (name) state ...".
QString runningProgram(GPid pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) return {};
    const QByteArray line = stat.read(512);
    const qsizetype open = line.indexOf('('), close = line.lastIndexOf(')');
    if (open < 0 || close < open || line.mid(close + 2, 1) == "Z") return {};
    return QStringLiteral("%1 (%2)")
        .arg(QString::fromLocal8Bit(line.mid(open + 1, close - open - 1)))
        .arg(pid);
}

// The share is in use. The daemon names the programs that hold files open
// (again every two seconds while they stay), and the user is asked once. A
// request still in flight names nobody: the daemon goes on by itself once it
// is answered, and the share is closed anyway when its server has not
// answered it within the time any other call waits for a server.
void onShowProcesses(GMountOperation* op, const char*, GArray* processes, const char**,
                     gpointer data) {
    auto* o = static_cast<Operation*>(data);
    // GIO's own answer, "not handled", would give the unmount up.
    g_signal_stop_emission_by_name(op, "show-processes");
    if (o->inUseChoice < 0) {
        QStringList programs;
        for (guint i = 0; processes && i < processes->len; ++i)
            if (const QString program = runningProgram(g_array_index(processes, GPid, i));
                !program.isEmpty())
                programs << program;
        // Choice 0 unmounts anyway, 1 leaves the share open.
        if (programs.isEmpty()) {
            const gint64 now = g_get_monotonic_time();
            if (o->busySince < 0) o->busySince = now;
            if (now - o->busySince < gint64(networkTimeoutMs()) * 1000) return;
            o->inUseChoice = 0;
        } else {
            o->inUseChoice =
                o->questions && o->questions->closeInUse && o->questions->closeInUse(programs) ? 0
                                                                                               : 1;
            o->declined = o->inUseChoice != 0;
        }
    }
    g_mount_operation_set_choice(op, o->inUseChoice);
    g_mount_operation_reply(op, G_MOUNT_OPERATION_HANDLED);
}

// An error the engine gives up with is the user's only when the user gave
// up (a question declined, the job stopped); any other is reported, a give-up
// the engine "handled" itself included.
void takeError(Operation& o, GError* error) {
    if (!error) return;
    if (!g_error_matches(error, G_IO_ERROR, G_IO_ERROR_ALREADY_MOUNTED))
        o.error = text(error->message);
    g_error_free(error);
}

void onMounted(GObject* source, GAsyncResult* result, gpointer data) {
    auto* o = static_cast<Operation*>(data);
    GError* error = nullptr;
    g_file_mount_enclosing_volume_finish(G_FILE(source), result, &error);
    takeError(*o, error);
    o->done = true;
}

void onUnmounted(GObject* source, GAsyncResult* result, gpointer data) {
    auto* o = static_cast<Operation*>(data);
    GError* error = nullptr;
    g_mount_unmount_with_operation_finish(G_MOUNT(source), result, &error);
    takeError(*o, error);
    o->done = true;
}

// Runs the context of this thread until the operation is done; the job
// stops it through the cancellable.
void runUntilDone(GMainContext* context, Operation& o, GCancellable* cancel, core::Job& job) {
    while (!o.done) {
        if (job.cancelled() && !g_cancellable_is_cancelled(cancel)) {
            o.declined = true;
            g_cancellable_cancel(cancel);
        }
        // Woken at least every 50 ms to look at the job.
        GSource* tick = g_timeout_source_new(50);
        g_source_set_callback(
            tick, [](gpointer) { return G_SOURCE_REMOVE; }, nullptr, nullptr);
        g_source_attach(tick, context);
        g_main_context_iteration(context, TRUE);
        g_source_destroy(tick);
        g_source_unref(tick);
    }
}

// The thread's own main context while it lives: GIO answers there.
class ThreadContext {
  public:
    ThreadContext() : m_context(g_main_context_new()) {
        g_main_context_push_thread_default(m_context);
    }
    ~ThreadContext() {
        // What is still pending is dispatched before the context goes.
        while (g_main_context_iteration(m_context, FALSE)) {
        }
        g_main_context_pop_thread_default(m_context);
        g_main_context_unref(m_context);
    }
    GMainContext* get() const { return m_context; }

  private:
    GMainContext* m_context;
};

ConnectionResult finished(const Operation& o) {
    ConnectionResult r;
    r.stopped = o.declined;
    r.error = o.declined ? QString() : o.error;
    return r;
}

} // namespace

namespace {
// GIO ends the process (SIGTERM) when the session bus it shares closes; a
// desktop session that goes away must not take the program with it.
void outliveTheSessionBus() {
    if (GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr)) {
        g_dbus_connection_set_exit_on_close(bus, FALSE);
        g_object_unref(bus);
    }
}
} // namespace

QString desktopNetworkMissing() {
    outliveTheSessionBus();
    const gchar* const* schemes = g_vfs_get_supported_uri_schemes(g_vfs_get_default());
    for (int i = 0; schemes && schemes[i]; ++i)
        if (qstrcmp(schemes[i], "sftp") == 0 || qstrcmp(schemes[i], "smb") == 0) return {};
    // Installed (its module is there), the engine stays away without a
    // session bus to reach its daemon.
    QString modules = qEnvironmentVariable("GIO_MODULE_DIR");
    if (modules.isEmpty()) modules = QStringLiteral(TAV_GIO_MODULE_DIR);
    if (QFile::exists(modules + QStringLiteral("/libgvfsdbus.so")))
        return QStringLiteral("Le service réseau du bureau (GVfs) ne répond pas : aucune "
                              "session de bureau n'est ouverte");
    return QStringLiteral("Le service réseau du bureau (GVfs) n'est pas installé");
}

ConnectionResult connectServer(const QString& address, const ConnectionQuestions& questions,
                               core::Job& job) {
    ConnectionResult r;
    if (r.error = desktopNetworkMissing(); !r.error.isEmpty()) return r;
    ThreadContext context;
    GFile* file = g_file_new_for_uri(address.trimmed().toUtf8().constData());
    GMountOperation* op = g_mount_operation_new();
    GCancellable* cancel = g_cancellable_new();
    Operation o;
    o.questions = &questions;
    g_signal_connect(op, "ask-password", G_CALLBACK(onAskPassword), &o);
    g_signal_connect(op, "ask-question", G_CALLBACK(onAskQuestion), &o);
    g_file_mount_enclosing_volume(file, G_MOUNT_MOUNT_NONE, op, cancel, onMounted, &o);
    runUntilDone(context.get(), o, cancel, job);
    r = finished(o);
    if (r.error.isEmpty() && !r.stopped) {
        // The share's folder in the desktop's FUSE mount.
        if (char* path = g_file_get_path(file)) {
            r.folder = QString::fromLocal8Bit(path);
            g_free(path);
        } else {
            r.error = QStringLiteral("Le partage est ouvert, mais le dossier du bureau qui "
                                     "montre les partages (gvfsd-fuse) ne le montre pas");
        }
    }
    g_signal_handlers_disconnect_by_data(op, &o);
    g_object_unref(cancel);
    g_object_unref(op);
    g_object_unref(file);
    return r;
}

ConnectionResult disconnectServer(const QString& folder, const ConnectionQuestions& questions,
                                  core::Job& job) {
    ConnectionResult r;
    outliveTheSessionBus();
    ThreadContext context;
    GFile* file = g_file_new_for_path(QFile::encodeName(folder).constData());
    GError* error = nullptr;
    GMount* mount = g_file_find_enclosing_mount(file, nullptr, &error);
    if (!mount) {
        // A share the engine closed itself (its server went away) has left
        // its folder: closed already, as asked.
        if (QFileInfo::exists(folder))
            r.error = QStringLiteral("%1 n'est pas sur un partage réseau").arg(folder);
        if (error) g_error_free(error);
        g_object_unref(file);
        return r;
    }
    GCancellable* cancel = g_cancellable_new();
    GMountOperation* op = g_mount_operation_new();
    Operation o;
    o.questions = &questions;
    g_signal_connect(op, "show-processes", G_CALLBACK(onShowProcesses), &o);
    g_mount_unmount_with_operation(mount, G_MOUNT_UNMOUNT_NONE, op, cancel, onUnmounted, &o);
    runUntilDone(context.get(), o, cancel, job);
    r = finished(o);
    g_signal_handlers_disconnect_by_data(op, &o);
    g_object_unref(op);
    g_object_unref(cancel);
    g_object_unref(mount);
    g_object_unref(file);
    return r;
}

} // namespace platform
