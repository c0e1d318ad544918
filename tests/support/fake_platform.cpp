#include "fake_platform.h"

#include <QDir>

namespace platform {

QString FakePlatform::driveRoot(QChar letter) {
    auto it = m_drives.constFind(letter.toUpper());
    return it == m_drives.constEnd() ? QString() : QDir::cleanPath(it->root);
}

QChar FakePlatform::driveOf(const QString& path) {
    const QString p = QDir::cleanPath(QDir::current().absoluteFilePath(path));
    QChar best = u'C';
    qsizetype bestLen = -1;
    for (auto it = m_drives.constBegin(); it != m_drives.constEnd(); ++it) {
        const QString root = QDir::cleanPath(it->root);
        bool under = root == u"/" ? true : (p == root || p.startsWith(root + u'/'));
        if (under && root.size() > bestLen) best = it.key(), bestLen = root.size();
    }
    return best;
}

DriveType FakePlatform::driveType(QChar letter) {
    auto it = m_drives.constFind(letter.toUpper());
    return it == m_drives.constEnd() ? DriveType::NoRootDir : it->type;
}

bool FakePlatform::driveReady(QChar letter) {
    auto it = m_drives.constFind(letter.toUpper());
    return it != m_drives.constEnd() && it->ready;
}

QString FakePlatform::driveDisplayName(QChar letter) {
    auto it = m_drives.constFind(letter.toUpper());
    if (it == m_drives.constEnd()) return {};
    QString label = it->label.isEmpty() ? QStringLiteral("Disque") : it->label;
    return QStringLiteral("%1 (%2:)").arg(label, letter.toUpper());
}

bool FakePlatform::diskFreeSpace(QChar letter, DiskSpace& out) {
    auto it = m_drives.constFind(letter.toUpper());
    if (it == m_drives.constEnd() || !it->ready) return false;
    out = it->space;
    return true;
}

QString FakePlatform::volumeLabel(QChar letter) {
    auto it = m_drives.constFind(letter.toUpper());
    return it == m_drives.constEnd() ? QString() : it->label;
}

bool FakePlatform::setSystemClockUtc(const QDateTime& utc) {
    clockWrites.append(utc);
    return true;
}

} // namespace platform
