#include "TempDir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace testing_support {

TempDir::TempDir(bool enter) : m_previous(QDir::currentPath()), m_entered(enter) {
    m_dir.setAutoRemove(true);
    if (enter) QDir::setCurrent(m_dir.path());
}

TempDir::~TempDir() {
    if (m_entered) QDir::setCurrent(m_previous);
    // Read-only files left by a test must not stop the clean-up.
    QDir(m_dir.path()).removeRecursively();
}

QString TempDir::write(const QString& name, const QByteArray& content) const {
    const QString path = file(name);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    f.write(content);
    return path;
}

QString TempDir::mkdir(const QString& name) const {
    QDir().mkpath(file(name));
    return file(name);
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace testing_support
