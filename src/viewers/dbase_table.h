#pragma once
// The dBase reader: a table (.dbf) and its memo file (.dbt) read record by
// record, for reading only. No widgets. Every offset and count read from
// the files is checked against the file before use.

#include "core/errors.h"

#include "core/guarded_mapping.h"

#include <QFile>
#include <QString>
#include <functional>
#include <vector>

namespace viewers {

// The reader's own errors, with the texts the window reports.
class DbaseError : public core::TavError {
  public:
    using TavError::TavError;
};

enum FieldTypeCode {
    ftOther = 0,
    ftCharacter = 1,
    ftDate = 2,
    ftNumeric = 3,
    ftLogical = 4,
    ftMemo = 5
};

class DbaseTable {
  public:
    DbaseTable();
    ~DbaseTable();
    DbaseTable(const DbaseTable&) = delete;
    DbaseTable& operator=(const DbaseTable&) = delete;

    // ---- the table: name, state, fields and records ----
    QString fileName() const { return m_base + m_extension; }
    void setFilename(const QString& name);
    bool active() const { return m_active; }
    // How much of a memo is read, in bytes; a memo cut there ends with "…".
    // Windows and printouts that show memos in cells set a small one.
    void setMemoLimit(qint64 bytes) { m_memoLimit = bytes; }
    void setActive(bool on);
    qint64 recordNumber() const { return m_recno; }
    qint64 recordCount() const { return m_recordCount; }
    int fieldCount() const { return int(m_fields.size()); }
    bool bof() const { return m_recno == 1; }
    bool eof() const { return m_recno == m_recordCount; }
    bool deleted() const;
    bool modified = false;
    std::function<void(DbaseTable& sender, bool& allowed)> onChanging;
    std::function<void(DbaseTable& sender, bool& allowed)> onDeleting;
    std::function<void(DbaseTable& sender)> onAppended;

    void next();
    QString fieldValue(int n);
    QString fieldName(int n) const;
    int fieldType(int n) const;
    int fieldLength(int n) const;

    // ---- for views that read where they look ----
    // Records that are really in the file (the header may promise more).
    qint64 availableRecords() const { return m_available; }
    // Reads record r (from 1) into the buffer; "Error Reading Record" past the file.
    void readRecord(qint64 r);
    // The actual table and memo file names found for the base name.
    QString tablePath() const { return m_tablePath; }
    // fieldValue's text as UTF-8, appended to out (the fast way for dumps).
    void appendFieldValueUtf8(int n, QByteArray& out);

  private:
    struct Field {
        QByteArray name;
        char type = 0;
        int length = 0;
        int offset = 0; // in the record, after the deletion flag
    };
    void open();
    void close();
    void readHeader();
    QString decode(const QByteArray& bytes) const;
    void buildCodePage();
    QByteArray trimmedField(const Field& f) const;
    QString memo(qint64 block);
    const Field& field(int n, bool withNumber) const;

    QString m_base;      // the table's name without its extension
    QString m_extension; // ".dbf", or the one the table's name has
    QString m_tablePath;
    bool m_active = false;
    QFile m_table;
    QFile m_memo;
    core::GuardedMapping m_tableMap, m_memoMap;
    QString readFieldValue(int n);
    void checkUnchanged() const;
    const uchar* m_data = nullptr; // the table, mapped
    qint64 m_size = 0;
    const uchar* m_memoData = nullptr;
    qint64 m_memoSize = 0;
    bool m_hasMemo = false;
    qint64 m_memoLimit = qint64(16) << 20; // a memo without an end stops here
    quint8 m_version = 0;
    quint8 m_language = 0;
    qint64 m_recordCount = 0;
    qint64 m_available = 0;
    int m_headerLength = 0;
    int m_recordLength = 0;
    std::vector<Field> m_fields;
    QByteArray m_record;
    qint64 m_recno = 0;
    QChar m_chars[256];     // each byte in the table's code page
    QByteArray m_utf8[256]; // and as UTF-8
    bool m_ascii = true;    // the code page keeps 0..127 as they are
};

// The file whose name matches name without regard to letter case, in the
// same folder: name itself when it exists, else the first other match.
QString findIgnoringCase(const QString& name);

} // namespace viewers
