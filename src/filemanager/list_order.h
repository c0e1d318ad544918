#pragma once
// The list's four orders, on typed keys made once per row: a collation key
// for names and extensions, integers for sizes and dates. The result is
// the order of the row records (key, name, size, date, attributes, image)
// compared as whole texts, without building them.

#include "file_list_model.h"

#include <vector>

namespace filemanager {

enum class SortKey { Name, Size, Date, Ext };

// The rows in the key's order; rows of equal keys keep name order, then
// the order of their other columns, then their place.
std::vector<ListRow> sortedRows(const FileListModel& model, SortKey key);

} // namespace filemanager
