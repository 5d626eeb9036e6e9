#include "ContentsDelegate.h"

#include "ContentsModel.h"

#include <QApplication>
#include <QPainter>

namespace quorvane {

ContentsDelegate::ContentsDelegate(QObject* parent)
    : PaneItemDelegate(ContentsModel::DropHighlightRole, parent) {}

QStyleOptionViewItem ContentsDelegate::Prepared(const QStyleOptionViewItem& option,
                                                const QModelIndex& index) const {
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    opt.icon = QIcon();
    if (index.column() == ContentsModel::kName) {
        // Room for the icon, which paint() draws itself.
        opt.features |= QStyleOptionViewItem::HasDecoration;
        opt.decorationSize = QSize(iconSize_, iconSize_);
        // Under an icon the name is centred in the cell.
        if (opt.decorationPosition == QStyleOptionViewItem::Top) {
            opt.displayAlignment = Qt::AlignHCenter | Qt::AlignTop;
        }
    } else {
        opt.features &= ~QStyleOptionViewItem::HasDecoration;
    }
    return opt;
}

void ContentsDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
    const QStyleOptionViewItem opt = Prepared(option, index);
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);
    if (index.column() == ContentsModel::kName && drawIcon) {
        const QRect rect = style->subElementRect(QStyle::SE_ItemViewItemDecoration, &opt, widget);
        const QRect square(rect.x() + (rect.width() - iconSize_) / 2,
                           rect.y() + (rect.height() - iconSize_) / 2, iconSize_, iconSize_);
        drawIcon(painter, square, index);
    }
}

QSize ContentsDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    const QStyleOptionViewItem opt = Prepared(option, index);
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    QSize size = style->sizeFromContents(QStyle::CT_ItemViewItem, &opt, QSize(), widget);
    if (itemWidth_ > 0) {
        size.setWidth(itemWidth_);
    }
    return size;
}

QRect ContentsDelegate::LabelRect(QStyleOptionViewItem option, const QModelIndex& index) const {
    const QStyleOptionViewItem opt = Prepared(option, index);
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    return style->subElementRect(QStyle::SE_ItemViewItemText, &opt, widget);
}

void ContentsDelegate::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                                            const QModelIndex& index) const {
    QRect text = LabelRect(option, index);
    // The editor's own height, so that its border leaves the letters whole: one line at the top of
    // the label's room under an icon, else centred on the row.
    const int height = editor->sizeHint().height();
    if (option.decorationPosition == QStyleOptionViewItem::Top) {
        text.setHeight(height);
    } else {
        text = QRect(text.left(), text.center().y() - height / 2, text.width(), height);
    }
    editor->setGeometry(text);
}

} // namespace quorvane
