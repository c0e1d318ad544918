#include "cleaner.h"
#include "find_files.h"
#include "platform/platform.h"
#include "sysinfo/applications.h"

#include <QFileInfo>
#include <cstring>

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

namespace {

// upperExtension(name) == extension, without making the text.
bool hasExtension(QStringView name, QStringView extension) {
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot < 0 || name.size() - dot != extension.size()) return false;
    for (qsizetype i = 0; i < extension.size(); ++i) {
        char16_t c = name[dot + i].unicode();
        if (c >= u'a' && c <= u'z') c = char16_t(c - u'a' + u'A');
        if (c != extension[i].unicode()) return false;
    }
    return true;
}

} // namespace

// Whether a listed path (UTF-8) may have one of the extensions: its last
// bytes compared in ASCII upper case, so that most lines are passed over
// without being made a text. Extensions that are not plain ASCII are left
// to the text's comparison.
class ExtensionSieve {
  public:
    explicit ExtensionSieve(const QStringList& extensions) {
        for (const QString& e : extensions) {
            for (const QChar c : e)
                if (c.unicode() >= 0x80) m_all = true;
            m_ascii << e.toLatin1();
        }
    }
    bool mayMatch(QByteArrayView path) const {
        if (m_all) {
            const qsizetype dot = path.lastIndexOf('.');
            return dot >= 0 && path.indexOf('/', dot) < 0;
        }
        // A path with the extension ends with it.
        for (const QByteArray& e : m_ascii)
            if (path.size() >= e.size() && sameUpper(path.last(e.size()), e)) return true;
        return false;
    }

  private:
    static bool sameUpper(QByteArrayView ext, QByteArrayView upper) {
        for (qsizetype i = 0; i < ext.size(); ++i) {
            char c = ext[i];
            if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
            if (c != upper[i]) return false;
        }
        return true;
    }
    QList<QByteArray> m_ascii;
    bool m_all = false; // some extension is not plain ASCII
};

QSet<QString> packagedFiles(const QStringList& extensions, const QString& infoFolder) {
    QSet<QString> files;
    const ExtensionSieve sieve(extensions);
    sysinfo::forEachPackagedPath(infoFolder, [&](const QString&, QByteArrayView path) {
        if (!sieve.mayMatch(path)) return;
        const QString name = QString::fromUtf8(path);
        for (const QString& e : extensions)
            if (hasExtension(name, e)) {
                files.insert(name);
                // Listed under a folder that links elsewhere (/lib to /usr/lib):
                // the walk meets it under its real folder.
                const QString real = QFileInfo(name).canonicalFilePath();
                if (!real.isEmpty()) files.insert(real);
                return;
            }
    });
    return files;
}

KeptFiles packagedFilesLater(const QStringList& extensions, const QString& infoFolder) {
    return std::async(std::launch::async,
                      [extensions, infoFolder] { return packagedFiles(extensions, infoFolder); })
        .share();
}

qint64 findToClean(const QString& root, const QStringList& extensions,
                   const std::function<void(const CleanerHit&)>& found, qint64& total,
                   core::Job& job, const QSet<QString>& kept) {
    std::promise<QSet<QString>> known;
    known.set_value(kept);
    return findToClean(root, extensions, found, total, job, known.get_future().share());
}

qint64 findToClean(const QString& root, const QStringList& extensions,
                   const std::function<void(const CleanerHit&)>& found, qint64& total,
                   core::Job& job, const KeptFiles& kept) {
    qint64 count = 0;
    total = 0;                       // 64 bits: a drive's leftovers can pass 2 GiB
    std::vector<CleanerHit> waiting; // met before the packages' files were known
    const QSet<QString>* keep = nullptr;
    const auto report = [&](const CleanerHit& hit) {
        if (keep->contains(hit.path)) return;
        found(hit);
        ++count;
        total += hit.size;
    };
    const auto settle = [&](bool wait) {
        if (keep || (!wait && kept.wait_for(std::chrono::seconds(0)) != std::future_status::ready))
            return;
        keep = &kept.get();
        for (const CleanerHit& hit : waiting)
            report(hit);
        waiting.clear();
    };
    Walk walk;
    walk.wanted = [&](const QString& name) {
        for (const QString& e : extensions)
            if (hasExtension(name, e)) return true;
        return false;
    };
    // The same test on a name's bytes, for extensions in ASCII: the last dot
    // of the bytes is the name's, and a byte beyond ASCII matches none.
    QList<QByteArray> asciiExtensions;
    bool allAscii = true;
    for (const QString& e : extensions) {
        asciiExtensions << e.toLatin1();
        for (QChar c : e)
            allAscii = allAscii && c.unicode() < 128;
    }
    if (allAscii)
        walk.wantedBytes = [&](const char* name, qsizetype size) -> std::optional<bool> {
            const char* dot = static_cast<const char*>(memrchr(name, '.', size_t(size)));
            if (!dot) return false;
            const qsizetype length = size - (dot - name);
            for (const QByteArray& e : asciiExtensions) {
                if (e.size() != length) continue;
                bool same = true;
                for (qsizetype i = 0; i < length && same; ++i) {
                    char c = dot[i];
                    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
                    same = c == e[i];
                }
                if (same) return true;
            }
            return false;
        };
    walk.sized = true;
    walk.visit = [&](const QString& folder, const platform::DirEntry& e) {
        // An extension entered twice lists its files twice.
        const QString ext = upperExtension(e.name);
        settle(false);
        for (const QString& entry : extensions)
            if (entry == ext) {
                const CleanerHit hit{folder + e.name, e.size};
                if (keep)
                    report(hit);
                else
                    waiting.push_back(hit);
            }
    };
    walkFiles(root.endsWith(u'/') ? root : root + u'/', walk, job);
    settle(true);
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
