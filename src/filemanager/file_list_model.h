#pragma once
// The file list's rows: name, size, date, attribute letters and picture,
// kept raw and turned into text only when a view asks for it.

#include <QAbstractTableModel>
#include <vector>

namespace filemanager {

class IconCache;

struct ListRow {
    QString name;
    QString sizeText; // empty for plain folders
    QString dateText; // dd/mm/yyyy, made on demand when empty and mtime set
    QString attrText; // "arhs" letters
    qint64 mtime = 0;
    quint32 attributes = 0;
    int image = -1;
};

class FileListModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    enum Column { ColName, ColSize, ColDate, ColAttrib, ColumnCount };

    explicit FileListModel(const IconCache* icons, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    void setRows(std::vector<ListRow>&& rows);
    const ListRow& row(int r) const { return m_rows[size_t(r)]; }
    QString text(int r, int column) const;
    const std::vector<ListRow>& rows() const { return m_rows; }

  Q_SIGNALS:
    // A name edited in place; the window decides whether to rename.
    void nameEdited(int row, const QString& newName);

  private:
    const IconCache* m_icons;
    std::vector<ListRow> m_rows;
};

// "dd/mm/yyyy" of a time in local time.
QString dateText(qint64 mtime);
// Attribute letters in their order: a, r, h, s.
QString attributeLetters(quint32 attributes);

} // namespace filemanager
