#pragma once
// The contents list's order for a sort key code: 0/1 name, 2/3 size, 4/5 type, 6/7 modified date,
// 8/9 dimensions, 12/13 comment (even ascending, odd descending); 10, 11 and any other code leave
// every pair equal. Ascending compares the group (folders before files), the field's two key words
// and then the names in the locale's case-insensitive order; descending reverses every step, so
// files come first. Key words are compared as unsigned 32-bit numbers, three-way: subtracting them
// as the list control's callback once did overflows for words that differ in the top bit.
#include "ContentsRow.h"

#include <QCollator>
#include <QLocale>

#include <vector>

namespace quorvane {

class ContentsSort {
public:
    explicit ContentsSort(const QLocale& locale = QLocale());

    // Negative, zero or positive as `a` sorts before, with or after `b`.
    int Compare(const ContentsRow& a, const ContentsRow& b, int key) const;
    // Sorts `rows` for `key`; rows that compare equal keep their order.
    void Sort(std::vector<ContentsRow>& rows, int key) const;
    // The positions of `rows` in the order of Compare for `key`, rows that compare equal in their
    // given order. Each row's group and key words are taken once into a small record, so that a
    // thousand rows are not each read a dozen times over for the comparisons.
    std::vector<int> Order(const std::vector<const ContentsRow*>& rows, int key) const;

    // Group of a row as the ascending order sees it (1 folder, 2 file, 9999 recycle bin, 0 other
    // containers) and as the descending order does (the recycle bin 0).
    static int Group(const ContentsRow& row);
    static int GroupNoBin(const ContentsRow& row);

private:
    QCollator collator_;
};

} // namespace quorvane
