#include "SelectionRules.h"

#include "SelectionSource.h"

namespace quorvane {

std::vector<int> SelectionRules::TreeSelection(int folder, int entryCount,
                                               const std::function<int(int)>& parentOf) {
    if (folder == 0) {
        return {0};
    }
    if (folder != 1) {
        return {folder};
    }
    std::vector<int> inBin;
    for (int number = 1; number <= entryCount; ++number) {
        if (parentOf(number) == 1) {
            inBin.push_back(number);
        }
    }
    return inBin;
}

std::vector<int> SelectionRules::ListSelection(std::span<const ListSelectionRow> rows) {
    std::vector<int> numbers;
    for (const ListSelectionRow& row : rows) {
        if (row.selected) {
            numbers.push_back(row.number);
        }
    }
    return numbers;
}

std::vector<int> SelectionRules::Gather(SelectionPurpose purpose, ActivePane active, SelectionSource* tree,
                                        SelectionSource* list) {
    if (purpose == SelectionPurpose::EmptyRecycleBin) {
        return {1};
    }
    if (active == ActivePane::Tree && tree) {
        return tree->Gather(purpose);
    }
    if (active == ActivePane::List && list) {
        return list->Gather(purpose);
    }
    return {};
}

} // namespace quorvane
