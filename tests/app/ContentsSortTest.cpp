// The contents list's order: each key both ways, key words compared as unsigned numbers, unknown
// dimensions, names in the locale's case-insensitive order; the sort state of menus and column clicks.
#include "ContentsSort.h"
#include "CommandIds.h"
#include "ContentsRow.h"
#include "ContentsSortState.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <numeric>
#include <random>
#include <string>
#include <vector>

using namespace quorvane;

namespace {

ContentsRow Row(int number, const char* name, bool folder = false) {
    ContentsRow r;
    r.number = number;
    r.container = folder ? 1 : 0;
    r.typeCode = folder ? 1 : 129;
    r.name = QString::fromUtf8(name);
    r.width = 100;
    r.height = 100;
    return r;
}

int Sign(int n) {
    return n < 0 ? -1 : (n > 0 ? 1 : 0);
}

TEST(ContentsSort, KeysCompareUnsignedBothWays) {
    const ContentsSort sort{QLocale(QLocale::English, QLocale::UnitedStates)};
    struct Case {
        const char* what;
        ContentsRow a;
        ContentsRow b;
        int key;
        int expected;
    };
    auto with = [](ContentsRow r, auto change) {
        change(r);
        return r;
    };
    const ContentsRow file = Row(2, "b.jpg");
    const std::vector<Case> cases = {
        {"folders before files", Row(3, "Zed", true), Row(4, "Apple"), 0, -1},
        {"files before folders descending", Row(3, "Zed", true), Row(4, "Apple"), 1, 1},
        {"size, top bit", with(file, [](ContentsRow& r) { r.size = 0xF0000000u; }),
         with(file, [](ContentsRow& r) { r.size = 0x10; }), 2, 1},
        {"size, top bit, descending", with(file, [](ContentsRow& r) { r.size = 0xF0000000u; }),
         with(file, [](ContentsRow& r) { r.size = 0x10; }), 3, -1},
        {"name key, top bit", with(file, [](ContentsRow& r) { r.nameKey1 = 0xC9000000u; }),
         with(file, [](ContentsRow& r) { r.nameKey1 = 0x21000000u; }), 0, 1},
        {"second name key", with(file, [](ContentsRow& r) { r.nameKey2 = 0x90000000u; }),
         with(file, [](ContentsRow& r) { r.nameKey2 = 0x10000000u; }), 1, -1},
        {"type: extension key", with(file, [](ContentsRow& r) { r.extensionKey = 0x2A000000u; }),
         with(file, [](ContentsRow& r) { r.extensionKey = 0x33000000u; }), 4, -1},
        {"type: then the name key", with(file, [](ContentsRow& r) { r.nameKey1 = 0x80000000u; }),
         with(file, [](ContentsRow& r) { r.nameKey1 = 0x7FFFFFFFu; }), 5, -1},
        {"date, low word top bit", with(file, [](ContentsRow& r) { r.modified = 0x0000000580000000ull; }),
         with(file, [](ContentsRow& r) { r.modified = 0x0000000500000001ull; }), 6, 1},
        {"date, high word first", with(file, [](ContentsRow& r) { r.modified = 0x0000000600000000ull; }),
         with(file, [](ContentsRow& r) { r.modified = 0x00000005FFFFFFFFull; }), 7, -1},
        {"date is the modified stamp", with(file, [](ContentsRow& r) { r.added = 9; }),
         with(file, [](ContentsRow& r) { r.created = 9; }), 6, 0},
        {"unknown width counts as 0x8000", with(file, [](ContentsRow& r) { r.width = -1; }),
         with(file, [](ContentsRow& r) { r.width = 0x7FFF; }), 8, 1},
        {"unknown width below 0x8001", with(file, [](ContentsRow& r) { r.width = -1; }),
         with(file, [](ContentsRow& r) { r.width = 0x8001; }), 8, -1},
        {"then the height", with(file, [](ContentsRow& r) { r.width = -1; }),
         with(file,
              [](ContentsRow& r) {
                  r.width = 0x8000;
                  r.height = -1;
              }),
         9, 1},
        {"comment keys", with(file, [](ContentsRow& r) { r.commentKey1 = 0xFFFFFFFFu; }),
         with(file, [](ContentsRow& r) { r.commentKey1 = 0; }), 12, 1},
        {"comment keys descending", with(file, [](ContentsRow& r) { r.commentKey2 = 1; }),
         with(file, [](ContentsRow& r) { r.commentKey2 = 2; }), 13, 1},
        {"names equal but for case", Row(5, "holiday.jpg"), Row(6, "HOLIDAY.JPG"), 0, 0},
        {"names sharing eight characters", Row(5, "Holiday2020a"), Row(6, "holiday2020B"), 0, -1},
        {"names sharing eight characters, descending", Row(5, "Holiday2020a"), Row(6, "holiday2020B"), 1, 1},
        {"keys 10 and 11 compare equal", Row(3, "Zed", true), Row(4, "Apple"), 10, 0},
        {"key 11", Row(3, "Zed", true), Row(4, "Apple"), 11, 0},
        {"unknown key", Row(3, "Zed", true), Row(4, "Apple"), 14, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Sign(sort.Compare(c.a, c.b, c.key)), c.expected) << c.what;
        EXPECT_EQ(Sign(sort.Compare(c.b, c.a, c.key)), -c.expected) << c.what << " (swapped)";
    }
}

TEST(ContentsSort, SortPutsGroupsInOrderAndKeepsTiesInEntryOrder) {
    const ContentsSort sort{QLocale(QLocale::English, QLocale::UnitedStates)};
    std::vector<ContentsRow> rows = {Row(2, "b"), Row(3, "Docs", true), Row(4, "B"), Row(5, "a"),
                                     Row(6, "Art", true)};
    auto numbers = [&rows] {
        std::vector<int> out;
        out.reserve(rows.size());
        for (const ContentsRow& r : rows) {
            out.push_back(r.number);
        }
        return out;
    };
    sort.Sort(rows, 0);
    EXPECT_EQ(numbers(), (std::vector<int>{6, 3, 5, 2, 4}));
    sort.Sort(rows, 1);
    EXPECT_EQ(numbers(), (std::vector<int>{2, 4, 5, 3, 6}));
}

// The prepared order agrees with a stable sort by Compare for every key code, over rows that tie
// often (few distinct words, names equal but for case) and cover every group and the top bit.
TEST(ContentsSort, OrderIsTheStableOrderOfCompareForEveryKey) {
    const ContentsSort sort{QLocale(QLocale::English, QLocale::UnitedStates)};
    std::mt19937 random(11);
    const char* const names[] = {"a", "A", "b", "B.jpg", "b.jpg", "Holiday2020a", "holiday2020B", "zed"};
    const uint32_t words[] = {0, 1, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu};
    auto word = [&] { return words[random() % std::size(words)]; };
    std::vector<ContentsRow> rows;
    for (int i = 0; i < 300; ++i) {
        ContentsRow r = Row(i + 1, names[random() % std::size(names)], random() % 4 == 0);
        if (r.container != 0) {
            r.typeCode = static_cast<uint8_t>(random() % 3); // other container, folder, recycle bin
        }
        r.size = word();
        r.nameKey1 = word();
        r.nameKey2 = word();
        r.extensionKey = word();
        r.commentKey1 = word();
        r.commentKey2 = word();
        r.modified = (uint64_t{word()} << 32) | word();
        r.width = random() % 3 == 0 ? -1 : static_cast<int32_t>(word() & 0xFFFF);
        r.height = random() % 3 == 0 ? -1 : static_cast<int32_t>(word() & 0xFFFF);
        rows.push_back(r);
    }
    std::vector<const ContentsRow*> pointers;
    pointers.reserve(rows.size());
    for (const ContentsRow& r : rows) {
        pointers.push_back(&r);
    }
    for (int key = -1; key <= 14; ++key) {
        std::vector<int> expected(rows.size());
        std::iota(expected.begin(), expected.end(), 0);
        std::stable_sort(expected.begin(), expected.end(), [&](int a, int b) {
            return sort.Compare(rows[static_cast<size_t>(a)], rows[static_cast<size_t>(b)], key) < 0;
        });
        EXPECT_EQ(sort.Order(pointers, key), expected) << "key " << key;
    }
}

TEST(ContentsRow, TakesItsFieldsFromTheCatalogue) {
    CatalogueEntry e{};
    e.container = 0;
    e.typeCode = 132;
    e.size = 4096;
    e.width = -1;
    e.nameKey1 = 0x12345678;
    e.modified = 77;
    const ContentsRow row = ContentsRow::From(e, 9, QStringLiteral("x.png"));
    EXPECT_EQ(row.number, 9);
    EXPECT_EQ(row.size, 4096u);
    EXPECT_EQ(row.width, -1);
    EXPECT_EQ(row.nameKey1, 0x12345678u);
    EXPECT_EQ(row.modified, 77u);
    EXPECT_TRUE(row.Showable());
    struct Case {
        uint8_t container;
        uint8_t type;
        uint32_t size;
        bool showable;
    };
    const Case cases[] = {
        {1, 1, 10, false}, {0, 0, 10, false}, {0, 128, 10, false}, {0, 129, 0, false}, {0, 133, 1, true}};
    for (const Case& c : cases) {
        CatalogueEntry f{};
        f.container = c.container;
        f.typeCode = c.type;
        f.size = c.size;
        EXPECT_EQ(ContentsRow::From(f, 1, {}).Showable(), c.showable) << int(c.type);
    }
}

TEST(ContentsSortState, ColumnClicksToggleOnlyTheSortedColumn) {
    ContentsSortState state;
    state.FolderShown();
    struct Step {
        int column;
        int key;
        bool descending;
    };
    const Step steps[] = {
        {1, 2, false}, // Size
        {1, 3, true},  // Size again: descending
        {1, 2, false}, // a third time: ascending
        {4, 6, false}, // another column starts ascending
        {4, 7, true},  {3, 8, false}, {5, 12, false}, {5, 13, true},
        {2, 4, false}, {0, 0, false}, {0, 1, true},
    };
    for (const Step& s : steps) {
        state.ColumnClick(s.column);
        EXPECT_EQ(state.sortKey, s.key) << s.column;
        EXPECT_EQ(state.sortColumn, s.column);
        EXPECT_EQ(state.descending, s.descending) << s.column;
    }
    state.ColumnClick(6); // no such column: nothing changes
    EXPECT_EQ(state.sortKey, 1);
}

TEST(ContentsSortState, MenuSortsAreAscendingAndKeptAcrossFolders) {
    ContentsSortState state;
    state.FolderShown();
    state.ColumnClick(0); // Name, now descending
    ASSERT_TRUE(state.descending);
    struct Case {
        int command;
        int key;
        int column;
    };
    const Case cases[] = {{kCmdSortByName, 0, 0}, {kCmdSortByType, 4, 2},       {kCmdSortBySize, 2, 1},
                          {kCmdSortByDate, 6, 4}, {kCmdSortByDimensions, 8, 3}, {kCmdSortByComment, 12, 5}};
    for (const Case& c : cases) {
        ASSERT_TRUE(state.MenuSort(c.command));
        EXPECT_EQ(state.sortKey, c.key) << c.command;
        EXPECT_EQ(state.sortColumn, c.column) << c.command;
        EXPECT_FALSE(state.descending);
    }
    EXPECT_FALSE(state.MenuSort(kCmdSelectAll));
    // Showing another folder keeps the choice; only the first folder resets it.
    state.ColumnClick(5);
    state.FolderShown();
    EXPECT_EQ(state.sortKey, 13);
    EXPECT_TRUE(state.descending);
}

} // namespace
