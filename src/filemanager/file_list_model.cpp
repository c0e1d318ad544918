#include "file_list_model.h"
#include "icon_cache.h"
#include "platform/platform.h"

#include <ctime>

namespace filemanager {

using namespace platform;

QString dateText(qint64 mtime) {
    time_t t = time_t(mtime);
    struct tm tm;
    if (!localtime_r(&t, &tm)) return {};
    char buf[48];
    std::snprintf(buf, sizeof buf, "%02d/%02d/%04d", tm.tm_mday, tm.tm_mon + 1, tm.tm_year + 1900);
    return QString::fromLatin1(buf);
}

QString attributeLetters(quint32 a) {
    QString s;
    if (a & faArchive) s += u'a';
    if (a & faReadOnly) s += u'r';
    if (a & faHidden) s += u'h';
    if (a & faSysFile) s += u's';
    return s;
}

FileListModel::FileListModel(const IconCache* icons, QObject* parent)
    : QAbstractTableModel(parent), m_icons(icons) {}

int FileListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_rows.size());
}

int FileListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QString FileListModel::text(int r, int column) const {
    const ListRow& row = m_rows[size_t(r)];
    switch (column) {
    case ColName:
        return row.name;
    case ColSize:
        return row.sizeText;
    case ColDate:
        return row.dateText.isEmpty() && row.mtime ? dateText(row.mtime) : row.dateText;
    case ColAttrib:
        return row.attrText;
    default:
        return {};
    }
}

QVariant FileListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || size_t(index.row()) >= m_rows.size()) return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return text(index.row(), index.column());
    case Qt::DecorationRole: {
        int image = m_rows[size_t(index.row())].image;
        if (index.column() == ColName && m_icons && image >= 0 && image < m_icons->size())
            return m_icons->image(image);
        return {};
    }
    case Qt::TextAlignmentRole:
        return index.column() == ColSize ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                                         : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    default:
        return {};
    }
}

QVariant FileListModel::headerData(int section, Qt::Orientation o, int role) const {
    if (o != Qt::Horizontal) return {};
    if (role == Qt::TextAlignmentRole)
        return section == ColSize ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                                  : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    if (role != Qt::DisplayRole) return {};
    static const char* const captions[] = {"Nom", "Taille", "Date", "Attrib."};
    return section >= 0 && section < ColumnCount ? QString::fromLatin1(captions[section])
                                                 : QString();
}

Qt::ItemFlags FileListModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (index.column() == ColName) f |= Qt::ItemIsEditable;
    return f;
}

bool FileListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || index.column() != ColName) return false;
    Q_EMIT nameEdited(index.row(), value.toString());
    return false; // the row changes only when the folder is read again
}

void FileListModel::setRows(std::vector<ListRow>&& rows) {
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

} // namespace filemanager
