#include "temp_dir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <ftw.h>
#include <unistd.h>

namespace testing_support {

TempDir::TempDir(bool enter) : m_previous(QDir::currentPath()), m_entered(enter) {
    m_dir.setAutoRemove(true);
    if (enter) QDir::setCurrent(m_dir.path());
}

namespace {

int removeEntry(const char* path, const struct stat*, int type, struct FTW*) {
    return type == FTW_DP ? rmdir(path) : unlink(path);
}

} // namespace

TempDir::~TempDir() {
    if (m_entered) QDir::setCurrent(m_previous);
    // Byte for byte, links not followed: names that are not UTF-8 and
    // read-only files left by a test must not stop the clean-up.
    nftw(QFile::encodeName(m_dir.path()).constData(), removeEntry, 16, FTW_DEPTH | FTW_PHYS);
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
