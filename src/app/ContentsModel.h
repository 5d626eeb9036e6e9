#pragma once
// The contents list as a Qt item model: the entries of the shown folder, one row each, in the
// order the list shows them, with the six columns of the details view. The Workspace fills it
// (RemoveAll, ShowFolder, InsertEntry per entry, EndFill). Each row's name is decrypted once, when
// the row is inserted; sorting compares the rows' stored keys and names and reads nothing. The
// other texts come from the engine when first shown and are kept with the row.
//
// The model answers only while the archive it was filled from is open, readable and of the same
// catalogue generation: between the archive's "about to change" and the next fill it holds no rows,
// since every entry number it holds may be about to name another entry.
#include "ContentsRow.h"
#include "ContentsSort.h"

#include <QAbstractTableModel>

#include <array>
#include <cstdint>
#include <vector>

namespace quorvane {

class CCodeArchive;
class PaneHost;

class ContentsModel : public QAbstractTableModel {
public:
    enum Role {
        NumberRole = Qt::UserRole + 1, // entry number
        ListIconRole,                  // CCodeArchive::GetListIcon: 0 thumbnail, 1 file, 2 image, 3 folder
        ContainerRole,
        ShowableRole,      // an image the preview can show
        DropHighlightRole, // the folder a drag points at
    };
    enum Column { kName, kSize, kType, kDimensions, kModified, kComment, kColumnCount };

    static QString ColumnTitle(int column);
    static int ColumnWidth(int column);
    static Qt::Alignment ColumnAlignment(int column);
    // The GetText field shown in a column.
    static int ColumnField(int column);

    explicit ContentsModel(PaneHost& host, QObject* parent = nullptr);

    void RemoveAll();
    // Starts a fill with the contents of `folder` of archive slot `archive`.
    void ShowFolder(int archive, int folder);
    void InsertEntry(int number);
    // Ends a fill: the rows inserted since ShowFolder are shown, in entry order.
    void EndFill();
    // The order of ContentsSort for `key`; selections and the current item follow their rows.
    void Sort(int key);

    // A folder's contents are shown (from ShowFolder until RemoveAll).
    bool Showing() const { return showing_; }
    int ShownArchive() const { return showing_ ? archiveSlot_ : 0; }
    int ShownFolder() const { return showing_ ? folder_ : 0; }
    // The shown archive while it may be read for the rows held, else null.
    CCodeArchive* Archive() const;
    // The shown archive's thumbnail size index (0 none, 1..4), 0 when nothing is shown.
    int ThumbSizeIndex() const { return showing_ ? thumbSizeIndex_ : 0; }

    int Count() const { return static_cast<int>(items_.size()); }
    const ContentsRow* RowAt(int position) const;
    int NumberAt(int position) const; // 0 outside the rows
    int ListIconAt(int position) const;
    int PositionOf(int number) const; // -1 when not listed

    // Reads an entry again after its name or comment changed.
    void UpdateEntry(int number);

    // The engine's notifications for `archive`: the rows go at the first, until the next fill.
    void CatalogueAboutToChange(const CCodeArchive* archive);
    void CatalogueChanged(const CCodeArchive* archive);

    void SetDropHighlight(int position); // -1: none
    int DropHighlight() const { return highlight_; }

    // Names decrypted since the model was made (one per inserted or updated row).
    uint64_t nameReads() const { return nameReads_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    Qt::DropActions supportedDropActions() const override;
    Qt::DropActions supportedDragActions() const override;

private:
    struct Item {
        ContentsRow row;
        int listIcon = 1;
        // Texts of the columns after the name, read from the engine when first asked for.
        mutable std::array<QString, kColumnCount> texts;
        mutable uint8_t textsRead = 0; // bit per column
    };

    bool ReadItem(CCodeArchive& archive, int number, Item& item);
    QString Text(const Item& item, int column) const;
    void ChangedPosition(int position);

    PaneHost& host_;
    ContentsSort sort_;
    std::vector<Item> items_;
    std::vector<Item> pending_; // rows of the fill under way
    bool filling_ = false;
    bool showing_ = false;
    bool frozen_ = false;
    int archiveSlot_ = 0;
    int folder_ = 0;
    const CCodeArchive* archive_ = nullptr;
    uint64_t generation_ = 0;
    int thumbSizeIndex_ = 0;
    int highlight_ = -1;
    uint64_t nameReads_ = 0;
};

} // namespace quorvane
