#include "dbf_grid_model.h"
#include "dbase_table.h"

#include <QSet>

namespace viewers {

namespace {
constexpr int kCacheCells = 20000;
}

DbfGridModel::DbfGridModel(DbaseTable& table, std::function<void(const QString& text)> errors,
                           QObject* parent)
    : QAbstractTableModel(parent), onError(std::move(errors)), m_table(table) {
    if (!table.active() || table.recordCount() == 0) return;
    // Records the file really holds; the rows stay within what a view can count.
    m_records = std::min<qint64>(table.availableRecords(), std::numeric_limits<int>::max() - 8);
    m_rows = int(m_records) + 5;
    m_columns = table.fieldCount() + 1;
    if (table.availableRecords() < table.recordCount())
        report(QStringLiteral("Error Reading Record"));
}

void DbfGridModel::report(const QString& text) const {
    if (m_reported.contains(text)) return;
    m_reported.insert(text);
    if (onError) onError(text);
}

QString DbfGridModel::cell(int row, int column) const {
    if (row < 0 || column < 0 || row >= m_rows || column >= m_columns) return {};
    if (!m_table.active() || column > m_table.fieldCount()) return {}; // closed meanwhile
    if (row == 0) return column == 0 ? QString() : m_table.fieldName(column);
    if (row > m_records) return {};
    if (column == 0) return QString::number(row);
    const quint64 key = quint64(row) << 16 | quint64(column);
    const auto hit = m_cache.constFind(key);
    if (hit != m_cache.constEnd()) return *hit;
    QString value;
    try {
        if (m_table.recordNumber() != row) m_table.readRecord(row);
        value = m_table.fieldValue(column);
    } catch (const DbaseError& e) {
        report(e.text());
    }
    if (m_cache.size() > kCacheCells) m_cache.clear();
    m_cache.insert(key, value);
    return value;
}

int DbfGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : std::max(0, m_rows - 1);
}

int DbfGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : std::max(0, m_columns - 1);
}

QVariant DbfGridModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid()) return {};
    return cell(index.row() + 1, index.column() + 1);
}

QVariant DbfGridModel::headerData(int section, Qt::Orientation o, int role) const {
    if (role != Qt::DisplayRole) return {};
    return o == Qt::Horizontal ? cell(0, section + 1) : cell(section + 1, 0);
}

Qt::ItemFlags DbfGridModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

} // namespace viewers
