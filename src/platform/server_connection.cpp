// GIO first: its headers use a name Qt makes a keyword.
#include <gio/gio.h>

#include "core/job.h"
#include "server_connection.h"

#include <QFile>

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
    bool aborted = false;
};

void onAskPassword(GMountOperation* op, const char* message, const char* defaultUser,
                   const char* defaultDomain, GAskPasswordFlags flags, gpointer data) {
    auto* o = static_cast<Operation*>(data);
    QString user = text(defaultUser), domain = text(defaultDomain), password;
    bool remember = false;
    const bool answered =
        o->questions && o->questions->credentials &&
        o->questions->credentials(
            text(message), flags & G_ASK_PASSWORD_NEED_USERNAME, flags & G_ASK_PASSWORD_NEED_DOMAIN,
            flags & G_ASK_PASSWORD_NEED_PASSWORD, user, domain, password, remember);
    if (!answered) {
        o->aborted = true;
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
    QStringList options;
    for (int i = 0; choices && choices[i]; ++i)
        options << text(choices[i]);
    const int chosen =
        o->questions && o->questions->choose ? o->questions->choose(text(message), options) : -1;
    if (chosen < 0 || chosen >= options.size()) {
        o->aborted = true;
        g_mount_operation_reply(op, G_MOUNT_OPERATION_ABORTED);
        return;
    }
    g_mount_operation_set_choice(op, chosen);
    g_mount_operation_reply(op, G_MOUNT_OPERATION_HANDLED);
}

void takeError(Operation& o, GError* error) {
    if (!error) return;
    if (!g_error_matches(error, G_IO_ERROR, G_IO_ERROR_ALREADY_MOUNTED) &&
        !g_error_matches(error, G_IO_ERROR, G_IO_ERROR_FAILED_HANDLED))
        o.error = text(error->message);
    if (g_error_matches(error, G_IO_ERROR, G_IO_ERROR_FAILED_HANDLED) ||
        g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED))
        o.aborted = true;
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
            o.aborted = true;
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
    r.stopped = o.aborted;
    r.error = o.aborted ? QString() : o.error;
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

ConnectionResult disconnectServer(const QString& folder, core::Job& job) {
    ConnectionResult r;
    outliveTheSessionBus();
    ThreadContext context;
    GFile* file = g_file_new_for_path(QFile::encodeName(folder).constData());
    GError* error = nullptr;
    GMount* mount = g_file_find_enclosing_mount(file, nullptr, &error);
    if (!mount) {
        r.error = QStringLiteral("%1 n'est pas sur un partage réseau").arg(folder);
        if (error) g_error_free(error);
        g_object_unref(file);
        return r;
    }
    GCancellable* cancel = g_cancellable_new();
    GMountOperation* op = g_mount_operation_new();
    Operation o;
    g_mount_unmount_with_operation(mount, G_MOUNT_UNMOUNT_NONE, op, cancel, onUnmounted, &o);
    runUntilDone(context.get(), o, cancel, job);
    r = finished(o);
    g_object_unref(op);
    g_object_unref(cancel);
    g_object_unref(mount);
    g_object_unref(file);
    return r;
}

} // namespace platform
