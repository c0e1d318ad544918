#include "cleaner.h"
#include "find_files.h"
#include "platform/Platform.h"

namespace tools {

const QStringList& builtInExtensions() {
    static const QStringList list = {".TMP", ".CHK", ".$$$", ".GID"};
    return list;
}

QString upperExtension(const QString& name) {
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot < 0) return {};
    QString ext = name.mid(dot);
    for (QChar& c : ext)
        if (c >= u'a' && c <= u'z') c = QChar(c.unicode() - 'a' + 'A');
    return ext;
}

QString extensionEntry(const QString& typed) {
    QString text = typed;
    for (QChar& c : text)
        if (c >= u'a' && c <= u'z') c = QChar(c.unicode() - 'a' + 'A');
    return text.startsWith(u'.') ? text : u'.' + text;
}

qint64 findToClean(const QString& root, const QStringList& extensions,
                   const std::function<void(const CleanerHit&)>& found, qint64& total,
                   const std::function<void(const QString& folder)>& onFolder,
                   const std::function<bool()>& stop) {
    qint64 count = 0;
    total = 0; // 64 bits: a drive's leftovers can pass 2 GiB
    walkFiles(
        root.endsWith(u'/') ? root : root + u'/', QStringLiteral("*.*"),
        [&](const QString& folder, const platform::DirEntry& e) {
            const QString ext = upperExtension(e.name);
            for (const QString& entry : extensions)
                if (entry == ext) {
                    found({folder + e.name, e.size});
                    ++count;
                    total += e.size;
                }
        },
        onFolder, stop);
    return count;
}

QStringList deleteAll(const QStringList& paths) {
    platform::Platform& p = platform::Platform::instance();
    QStringList deleted;
    for (const QString& path : paths) {
        p.setAttributes(path, 0); // read-only, hidden and system files go too
        if (p.deleteFile(path)) deleted << path;
    }
    return deleted;
}

} // namespace tools
