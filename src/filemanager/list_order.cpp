#include "list_order.h"
#include "ui/french.h"

#include <QCollator>
#include <algorithm>
#include <numeric>

namespace filemanager {

namespace {

// "dd/mm/yyyy" as yyyymmdd; an empty date before every other.
qint64 dateKey(const QString& date) {
    if (date.size() < 10) return -1;
    return date.mid(6, 4).toLongLong() * 10000 + date.mid(3, 2).toLongLong() * 100 +
           date.mid(0, 2).toLongLong();
}

// Sizes right-aligned in sixteen characters compare as numbers; folders
// (no size) come first.
qint64 sizeKey(const QString& size) {
    return size.isEmpty() ? -1 : size.toLongLong();
}

QString extension(const QString& name) {
    const qsizetype dot = name.indexOf(u'.');
    return dot < 0 ? QString() : name.mid(dot + 1);
}

} // namespace

std::vector<ListRow> sortedRows(const FileListModel& model, SortKey key) {
    const std::vector<ListRow>& rows = model.rows();
    const size_t n = rows.size();
    QCollator collator(ui::frenchLocale());
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::vector<QCollatorSortKey> names, exts;
    std::vector<qint64> numbers(n, 0);
    std::vector<QString> dates(n);
    names.reserve(n);
    for (size_t i = 0; i < n; ++i) {
        names.push_back(collator.sortKey(rows[i].name));
        dates[i] = model.text(int(i), FileListModel::ColDate);
        if (key == SortKey::Size) numbers[i] = sizeKey(rows[i].sizeText);
        if (key == SortKey::Date) numbers[i] = dateKey(dates[i]);
        if (key == SortKey::Ext) exts.push_back(collator.sortKey(extension(rows[i].name)));
    }
    // Names equal but for case: the later fields decide, as texts.
    auto rest = [&](size_t a, size_t b) {
        const QString fa[] = {rows[a].sizeText, dates[a], rows[a].attrText,
                              QString::number(rows[a].image)};
        const QString fb[] = {rows[b].sizeText, dates[b], rows[b].attrText,
                              QString::number(rows[b].image)};
        for (int f = 0; f < 4; ++f)
            if (int r = collator.compare(fa[f], fb[f])) return r;
        return 0;
    };
    std::vector<size_t> order(n);
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        int r = 0;
        if (key == SortKey::Size || key == SortKey::Date)
            r = numbers[a] < numbers[b] ? -1 : numbers[a] > numbers[b] ? 1 : 0;
        else if (key == SortKey::Ext)
            r = exts[a].compare(exts[b]);
        if (r == 0) r = names[a].compare(names[b]);
        if (r == 0) r = rest(a, b);
        return r < 0;
    });
    std::vector<ListRow> out;
    out.reserve(n);
    for (size_t i : order)
        out.push_back(rows[i]);
    return out;
}

} // namespace filemanager
