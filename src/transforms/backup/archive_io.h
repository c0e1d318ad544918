#pragma once
// Byte-level pieces of the backup archive: block coding with zlib, names,
// volume names, and buffered readers and writers that know the volume
// they are in.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <memory>
#include <vector>

namespace platform {
class FileReplacement;
}

namespace transforms {

constexpr int kBlockSize = 16384;
constexpr int kVolumeMargin = 16484; // a block plus room for its framing
// The smallest volume limit that lets every volume hold a block.
constexpr int kMinVolumeSize = kVolumeMargin + 4 + 1;
constexpr char kMagic[4] = {'E', 'C', '2', 0};
constexpr int kMaxNameLength = 65536; // longer names only come from damaged archives
constexpr int kMaxTitleLength = 1 << 20;

// zlib level of each compression setting (fastest, none, default, max).
int zlibLevel(int compressionLevel);

struct CodedBlock {
    qint32 length = 0; // positive: zlib stream; negative: raw bytes
    QByteArray bytes;  // what follows the length
    int sourceBytes = 0;
    bool failed = false; // zlib refused
};

// One complete zlib stream into at most kBlockSize bytes, else the raw bytes.
CodedBlock encodeBlock(const QByteArray& source, int level);

// Inflates one stored block; false when it is not one complete stream that
// fits in kBlockSize bytes.
bool decodeBlock(const QByteArray& stored, QByteArray& out);
// Inflates into `out` (room for kBlockSize bytes); the bytes made, -1 on damage.
qsizetype decodeBlockInto(const QByteArray& stored, char* out);

// Names are written as their bytes (UTF-8 here). A name that is not valid
// UTF-8 is read back byte for byte when written here (it starts with "/"),
// as Windows-1252 when it comes from the older single-byte platform.
QByteArray encodeName(const QString& name);
QString decodeName(const QByteArray& bytes);

// "Backup.bck" with volume 2 gives "Backup.002".
QString volumeFileName(const QString& archive, int volume);
// "NEXT:DISK002"
QByteArray volumeBreakName(int volume);

// Writes an archive across volumes; counts positions within the volume.
// Each volume is written aside and takes its name only when it is complete
// (commit): a backup that fails or stops leaves the volume of that name as
// it was.
class VolumeWriter {
  public:
    VolumeWriter() = default;
    ~VolumeWriter();                    // an uncommitted volume is abandoned
    bool open(const QString& fileName); // the volume is created, or replaced on commit
    bool write(const char* data, qint64 size);
    bool write(const QByteArray& b) { return write(b.constData(), b.size()); }
    bool writeInt(qint32 v);
    // The volume is complete: it takes its name. With the volumes kept
    // together, it waits aside instead, and the last one's commit names
    // them all at once (see FileReplacement::commitSet), the older
    // archive's volumes beyond the new count going in the same step.
    bool commit();
    void abandon(); // what was written aside goes, volumes kept waiting too
    qint64 position() const { return m_position; }
    // Why the last open or commit failed (a platform error code, 0 when
    // none was told), and the volume concerned.
    int error() const { return m_error; }
    QString fileName() const { return m_lastName; }
    // The volumes of `archive` are kept together until the last one: all in
    // one folder, none leaves with its disk.
    void keepVolumesTogether(const QString& archive) { m_together = archive; }
    // Ends the backup: the volume being written is the last one.
    bool commitLast();

  private:
    bool flush();
    std::unique_ptr<platform::FileReplacement> m_file;
    std::vector<std::unique_ptr<platform::FileReplacement>> m_waiting;
    QString m_together;
    QByteArray m_buffer;
    qint64 m_position = 0;
    bool m_failed = false;
    int m_error = 0;
    QString m_lastName;
};

// Reads an archive; errors are answered by the caller through ok flags.
class VolumeReader {
  public:
    bool open(const QString& fileName);
    void close();
    bool read(char* data, qint64 size);
    bool readInt(qint32& v);
    bool readBytes(qint64 size, QByteArray& out);
    bool skip(qint64 size);

  private:
    QIODevice* device() { return m_file.get(); }
    std::unique_ptr<QFile> m_file;
};

} // namespace transforms
