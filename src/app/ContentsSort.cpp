#include "ContentsSort.h"

#include <algorithm>
#include <numeric>
#include <utility>

namespace quorvane {

namespace {

enum Field { kName, kSize, kType, kDate, kDimensions, kNone, kComment };

int ThreeWay(uint32_t a, uint32_t b) {
    return a < b ? -1 : (a > b ? 1 : 0);
}

uint32_t Dimension(int32_t value) {
    return value == -1 ? 0x8000u : static_cast<uint32_t>(value);
}

std::pair<uint32_t, uint32_t> Keys(const ContentsRow& row, int field) {
    switch (field) {
    case kName:
        return {row.nameKey1, row.nameKey2};
    case kSize:
        return {row.size, row.nameKey1};
    case kType:
        return {row.extensionKey, row.nameKey1};
    case kDate:
        return {static_cast<uint32_t>(row.modified >> 32), static_cast<uint32_t>(row.modified)};
    case kDimensions:
        return {Dimension(row.width), Dimension(row.height)};
    case kComment:
        return {row.commentKey1, row.commentKey2};
    default:
        return {0, 0};
    }
}

} // namespace

ContentsSort::ContentsSort(const QLocale& locale)
    : collator_(locale) {
    collator_.setCaseSensitivity(Qt::CaseInsensitive);
}

int ContentsSort::Group(const ContentsRow& row) {
    if (row.container == 0) {
        return 2;
    }
    if (row.typeCode == 1) {
        return 1;
    }
    return row.typeCode == 2 ? 9999 : 0;
}

int ContentsSort::GroupNoBin(const ContentsRow& row) {
    const int group = Group(row);
    return group == 9999 ? 0 : group;
}

int ContentsSort::Compare(const ContentsRow& a, const ContentsRow& b, int key) const {
    if (key < 0 || key > 13) {
        return 0;
    }
    const int field = key / 2;
    if (field == kNone) {
        return 0;
    }
    const bool descending = (key & 1) != 0;
    const ContentsRow& x = descending ? b : a;
    const ContentsRow& y = descending ? a : b;
    const int gx = descending ? GroupNoBin(x) : Group(x);
    const int gy = descending ? GroupNoBin(y) : Group(y);
    if (gx != gy) {
        return gx < gy ? -1 : 1;
    }
    const auto [x1, x2] = Keys(x, field);
    const auto [y1, y2] = Keys(y, field);
    if (const int c = ThreeWay(x1, y1); c != 0) {
        return c;
    }
    if (const int c = ThreeWay(x2, y2); c != 0) {
        return c;
    }
    return collator_.compare(x.name, y.name);
}

void ContentsSort::Sort(std::vector<ContentsRow>& rows, int key) const {
    std::vector<const ContentsRow*> pointers;
    pointers.reserve(rows.size());
    for (const ContentsRow& row : rows) {
        pointers.push_back(&row);
    }
    const std::vector<int> order = Order(pointers, key);
    std::vector<ContentsRow> sorted;
    sorted.reserve(rows.size());
    for (int position : order) {
        sorted.push_back(std::move(rows[static_cast<size_t>(position)]));
    }
    rows = std::move(sorted);
}

std::vector<int> ContentsSort::Order(const std::vector<const ContentsRow*>& rows, int key) const {
    std::vector<int> order(rows.size());
    std::iota(order.begin(), order.end(), 0);
    const int field = key / 2;
    if (key < 0 || key > 13 || field == kNone || rows.size() < 2) {
        return order; // every pair compares equal
    }
    // What Compare reads of a row, in the order it reads it. Descending compares the same steps
    // with the rows swapped and the recycle bin among the other containers.
    struct Record {
        int group;
        uint32_t first;
        uint32_t second;
        const QString* name;
    };
    const bool descending = (key & 1) != 0;
    std::vector<Record> records;
    records.reserve(rows.size());
    for (const ContentsRow* row : rows) {
        const auto [first, second] = Keys(*row, field);
        records.push_back({descending ? GroupNoBin(*row) : Group(*row), first, second, &row->name});
    }
    auto ascending = [this](const Record& x, const Record& y) {
        if (x.group != y.group) {
            return x.group < y.group;
        }
        if (x.first != y.first) {
            return x.first < y.first;
        }
        if (x.second != y.second) {
            return x.second < y.second;
        }
        return collator_.compare(*x.name, *y.name) < 0;
    };
    const auto before = [&](int a, int b) {
        const Record& x = records[static_cast<size_t>(a)];
        const Record& y = records[static_cast<size_t>(b)];
        return descending ? ascending(y, x) : ascending(x, y);
    };
    // A folder filled in the order it is sorted in (files imported by name, say) is left as it is:
    // one pass instead of a sort, and the same stable order.
    if (!std::is_sorted(order.begin(), order.end(), before)) {
        std::stable_sort(order.begin(), order.end(), before);
    }
    return order;
}

} // namespace quorvane
