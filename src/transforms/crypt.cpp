#include "crypt.h"
#include "core/job.h"
#include "file_io.h"
#include "platform/file_replacement.h"
#include "platform/platform.h"

#include <QFile>
#include <QStringEncoder>
#include <cstring>

namespace transforms {

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

bool passwordBytes(const QString& password, QByteArray& out) {
    QStringEncoder cp1252("windows-1252");
    out = cp1252.encode(password);
    return cp1252.isValid() && !cp1252.hasError();
}

core::Outcome cryptFile(const QString& name, const QByteArray& password, core::Job& job) {
    platform::Platform& p = platform::Platform::instance();
    const quint32 attrs = name.isEmpty() ? 0xFFFFFFFFu : p.attributes(name);
    if (attrs == 0xFFFFFFFFu) return core::Outcome::failed(core::InOutError::textFor(2));
    if (attrs & platform::faDirectory)
        return core::Outcome::failed(QStringLiteral("%1 est un dossier").arg(name));
    QFile in(name);
    if (const platform::Status opened = p.openForRead(in); !opened)
        return core::Outcome::failed(readFailure(name, opened.error()));
    // The transformed copy takes the file's place (a link's target's) in
    // one step; until then the file stays as it was.
    platform::FileReplacement out(name);
    out.setFreshAttributes(true); // as a file just made: no longer read-only
    if (const platform::Status opened = out.open(); !opened)
        return core::Outcome::failed(writeFailure(name, opened.error()));
    quint8 key = cryptKey(password);
    const qint64 size = in.size();
    qint64 done = 0;
    QByteArray buf;
    for (;;) {
        buf.resize(1 << 20);
        const qint64 n = in.read(buf.data(), buf.size());
        if (n < 0)
            return core::Outcome::failed(
                QStringLiteral("Ne peut pas lire le fichier %1").arg(name));
        if (n == 0) break;
        key = cryptBlock(buf.data(), n, key);
        if (out.file().write(buf.constData(), n) != n)
            return core::Outcome::failed(writeFailure(name, platform::errDiskFull));
        // The old content is replaced: its cached pages serve the new one,
        // and the new one goes to the disk while the rest is read, not all
        // at once when it takes the file's place.
        p.forgetCached(in, done, n);
        p.startWriting(out.file(), done, n);
        done += n;
        job.progress(size > 0 ? int(done * 100 / size) : 100);
        if (job.cancelled()) return core::Outcome::cancelled(); // the file stays as it was
    }
    if (const platform::Status committed = out.commit(); !committed)
        return core::Outcome::failed(writeFailure(name, committed.error()));
    return core::Outcome::done();
}

} // namespace transforms
