#pragma once
// The grid of a dBase table as the window shows it, read where it is
// looked at: row 0 the field names, column 0 the record numbers, then one
// row a record and four empty rows. The view shows row 0 and column 0 as
// its headers, so they stay in place.

#include <QAbstractTableModel>
#include <QHash>
#include <QSet>
#include <functional>

namespace viewers {

class DbaseTable;

class DbfGridModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    // The table must be open; it is read, never changed.
    DbfGridModel(DbaseTable& table, std::function<void(const QString& text)> onError = {},
                 QObject* parent = nullptr);

    // The grid: rows and columns counted with the fixed row and column.
    int gridRows() const { return m_rows; }
    int gridColumns() const { return m_columns; }
    // A cell's text; reading errors go to onError, once each.
    QString cell(int row, int column) const;

    // Records shown, the fixed row and column left out.
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

  private:
    void report(const QString& text) const;
    std::function<void(const QString& text)> onError;
    DbaseTable& m_table;
    int m_rows = 0, m_columns = 0;
    qint64 m_records = 0;
    mutable QHash<quint64, QString> m_cache; // cells read lately
    mutable QSet<QString> m_reported;
};

} // namespace viewers
