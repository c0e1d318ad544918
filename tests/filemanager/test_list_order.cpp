// The typed orders give exactly the order of the row records compared as
// whole texts, field by field, case ignored.
#include "filemanager/list_order.h"
#include "ui/french.h"

#include <QCollator>
#include <QRandomGenerator>
#include <QSet>
#include <gtest/gtest.h>

using namespace filemanager;

namespace {

QString recordKey(const ListRow& r, SortKey key) {
    switch (key) {
    case SortKey::Name:
        return r.name;
    case SortKey::Size:
        return QString(QString(15, u' ') + r.sizeText)
            .mid(std::max<qsizetype>(0, r.sizeText.size() - 1));
    case SortKey::Date:
        return r.dateText.mid(6, 4) + r.dateText.mid(3, 2) + r.dateText.mid(0, 2);
    case SortKey::Ext: {
        const qsizetype dot = r.name.indexOf(u'.');
        return dot < 0 ? QString() : r.name.mid(dot + 1);
    }
    }
    return {};
}

QStringList byRecords(const std::vector<ListRow>& rows, SortKey key) {
    QCollator c(ui::frenchLocale());
    c.setCaseSensitivity(Qt::CaseInsensitive);
    QList<QStringList> records;
    for (const ListRow& r : rows)
        records.append({recordKey(r, key), r.name, r.sizeText, r.dateText, r.attrText,
                        QString::number(r.image)});
    std::stable_sort(records.begin(), records.end(),
                     [&](const QStringList& a, const QStringList& b) {
                         for (int i = 0; i < 6; ++i)
                             if (int r = c.compare(a[i], b[i])) return r < 0;
                         return false;
                     });
    QStringList names;
    for (const QStringList& r : records)
        names << r[1];
    return names;
}

} // namespace

TEST(ListOrder, TypedKeysGiveTheRecordOrder) {
    QRandomGenerator rng(7);
    const char* stems[] = {"abc", "ABC", "Abe", "élan", "Elan", "zoo", "a.b", "x"};
    const char* exts[] = {"", ".txt", ".TXT", ".tar.gz", ".c", ".Doc"};
    std::vector<ListRow> rows;
    QSet<QString> seen;
    while (rows.size() < 600) {
        ListRow r;
        r.name = QString::fromUtf8(stems[rng.bounded(8)]) + QString::number(rng.bounded(40)) +
                 QString::fromLatin1(exts[rng.bounded(6)]);
        if (seen.contains(r.name)) continue;
        seen.insert(r.name);
        const bool folder = rng.bounded(8) == 0;
        r.sizeText = folder ? QString() : QString::number(rng.bounded(5) * 1000 + rng.bounded(3));
        r.dateText = rng.bounded(10) == 0 ? QString()
                                          : QStringLiteral("%1/%2/%3")
                                                .arg(1 + rng.bounded(28), 2, 10, QChar(u'0'))
                                                .arg(1 + rng.bounded(12), 2, 10, QChar(u'0'))
                                                .arg(1995 + rng.bounded(10));
        r.attrText = rng.bounded(2) ? QStringLiteral("a") : QStringLiteral("ar");
        r.image = int(rng.bounded(12));
        rows.push_back(r);
    }
    FileListModel model(nullptr);
    model.setRows(std::vector<ListRow>(rows));
    for (SortKey key : {SortKey::Name, SortKey::Size, SortKey::Date, SortKey::Ext}) {
        QStringList typed;
        for (const ListRow& r : sortedRows(model, key))
            typed << r.name;
        EXPECT_EQ(typed, byRecords(rows, key)) << int(key);
    }
}
