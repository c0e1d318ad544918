#include "crypt.h"
#include "platform/Platform.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstring>

namespace transforms {

namespace {

// "tav$$--.tmp" beside the file, or another free name when a file has it.
QString freeTempName(const QString& folder) {
    const QString first = QDir(folder).filePath(QStringLiteral("tav$$--.tmp"));
    QFile probe(first);
    if (probe.open(QIODevice::WriteOnly | QIODevice::NewOnly)) return first;
    return platform::Platform::instance().tempFileName(folder, QStringLiteral("tav$$--"));
}

} // namespace

quint8 cryptKey(const QByteArray& password) {
    unsigned sum = 0;
    for (char c : password)
        sum += quint8(c);
    return quint8(sum % 256);
}

quint8 cryptBlock(char* data, qint64 size, quint8 key) {
    // The key bytes repeat every 256 bytes: XOR with a ready-made run of
    // them, eight bytes at a time.
    alignas(8) quint8 pad[256 + 8];
    for (int j = 0; j < 256 + 8; ++j)
        pad[j] = quint8(key + j);
    auto* p = reinterpret_cast<quint8*>(data);
    qint64 i = 0;
    for (; i + 256 <= size; i += 256)
        for (int j = 0; j < 256; j += 8) {
            quint64 a, b;
            std::memcpy(&a, p + i + j, 8);
            std::memcpy(&b, pad + j, 8);
            a ^= b;
            std::memcpy(p + i + j, &a, 8);
        }
    for (; i < size; ++i)
        p[i] ^= pad[i % 256];
    return quint8(key + quint8(size));
}

bool cryptFile(const QString& selected, const QByteArray& password, const Progress& progress) {
    platform::Platform& p = platform::Platform::instance();
    // Through a link, the file it points to is the one transformed.
    const QString name =
        QFileInfo(selected).isSymLink() ? QFileInfo(selected).canonicalFilePath() : selected;
    const quint32 attrs = name.isEmpty() ? 0xFFFFFFFFu : p.attributes(name);
    if (attrs == 0xFFFFFFFFu || (attrs & platform::faDirectory)) return false;
    QFile in(name);
    if (!in.open(QIODevice::ReadOnly)) return false;
    const QString temp = freeTempName(QFileInfo(name).absolutePath());
    QFile out(temp);
    if (temp.isEmpty() || !out.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    quint8 key = cryptKey(password);
    const qint64 size = in.size();
    qint64 done = 0;
    QByteArray buf;
    bool ok = true;
    for (;;) {
        buf.resize(1 << 20);
        const qint64 n = in.read(buf.data(), buf.size());
        if (n < 0) ok = false;
        if (n <= 0) break;
        key = cryptBlock(buf.data(), n, key);
        if (out.write(buf.constData(), n) != n) {
            ok = false;
            break;
        }
        done += n;
        progress(size > 0 ? int(done * 100 / size) : 100);
    }
    out.close();
    ok = ok && done == size && out.error() == QFileDevice::NoError;
    // The transformed copy takes the file's place in one step.
    if (!ok || !p.replaceFile(temp, name)) {
        QFile::remove(temp);
        return false;
    }
    return true;
}

} // namespace transforms
