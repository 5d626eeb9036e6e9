#include "ContentsSort.h"

#include <algorithm>
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
    std::stable_sort(rows.begin(), rows.end(), [this, key](const ContentsRow& a, const ContentsRow& b) {
        return Compare(a, b, key) < 0;
    });
}

} // namespace quorvane
