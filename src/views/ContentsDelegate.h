#pragma once
// Draws one item of the contents list: the style's background, focus and text, and an icon that
// the list supplies at the moment the item is painted - the only moment a thumbnail is rendered.
// Sizes are taken without asking for any icon, so laying out a thousand items renders nothing.
#include "PaneItemDelegate.h"

#include <functional>

namespace quorvane {

class ContentsDelegate : public PaneItemDelegate {
public:
    explicit ContentsDelegate(QObject* parent);

    // Paints the icon of the item at `index` into `rect` (icon size x icon size).
    std::function<void(QPainter* painter, const QRect& rect, const QModelIndex& index)> drawIcon;

    void SetIconSize(int size) { iconSize_ = size; }
    int IconSize() const { return iconSize_; }
    // Every item this wide (the column of the small-icon and list modes); 0: as wide as its text.
    void SetItemWidth(int width) { itemWidth_ = width; }
    int ItemWidth() const { return itemWidth_; }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QRect LabelRect(QStyleOptionViewItem option, const QModelIndex& index) const override;
    // An in-place editor covers the name, not the icon.
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const override;

private:
    QStyleOptionViewItem Prepared(const QStyleOptionViewItem& option, const QModelIndex& index) const;

    int iconSize_ = 16;
    int itemWidth_ = 0;
};

} // namespace quorvane
