#include "PreviewPlaceholder.h"

#include "PaneDrag.h"
#include "PaneHost.h"

#include <QDragEnterEvent>
#include <QMimeData>
#include <QPainter>

#include <cstring>

namespace quorvane {

PreviewPlaceholder::PreviewPlaceholder(PaneHost& host, QWidget* parent)
    : QWidget(parent)
    , host_(host) {
    setObjectName(QStringLiteral("preview"));
    setFocusPolicy(Qt::StrongFocus);
    setAcceptDrops(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumWidth(0);
}

void PreviewPlaceholder::ShowItem(const PreviewItem& item) {
    Wipe();
    // Decoded during the call: the bytes are the engine's shared buffer.
    QImage decoded;
    if (!item.data.empty() &&
        decoded.loadFromData(item.data.data(), static_cast<int>(item.data.size()))) {
        image_ = decoded.convertToFormat(QImage::Format_RGB32);
    }
    name_ = item.name;
    comment_ = item.comment;
    update();
}

void PreviewPlaceholder::Wipe() {
    // The decoded picture is private: its pixels are cleared before the memory goes back.
    if (!image_.isNull() && image_.isDetached()) {
        std::memset(image_.bits(), 0, static_cast<size_t>(image_.sizeInBytes()));
    }
    image_ = QImage();
    name_.clear();
    comment_.clear();
}

void PreviewPlaceholder::ClearItem() {
    Wipe();
    update();
}

void PreviewPlaceholder::SetComment(const QString& comment) {
    comment_ = comment;
}

void PreviewPlaceholder::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    if (image_.isNull()) {
        painter.fillRect(rect(), Qt::white);
        return;
    }
    painter.fillRect(rect(), palette().color(QPalette::Dark));
    QSize placed = image_.size();
    if (placed.width() > width() || placed.height() > height()) {
        placed.scale(size(), Qt::KeepAspectRatio);
    }
    const QRect target(QPoint((width() - placed.width()) / 2, (height() - placed.height()) / 2), placed);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, image_);
}

void PreviewPlaceholder::mousePressEvent(QMouseEvent* event) {
    host_.NoteActivity();
    QWidget::mousePressEvent(event);
}

bool PreviewPlaceholder::TrackDrag(QDropEvent* event) {
    host_.NoteActivity();
    if (host_.Busy() || !PaneDrag::HasFiles(event->mimeData())) {
        return false;
    }
    DropTarget& target = host_.Drop();
    target.valid = DropTarget::kList;
    target.archive = host_.CurrentArchive();
    target.folder = host_.CurrentFolder();
    event->setDropAction(Qt::CopyAction);
    event->accept();
    return true;
}

void PreviewPlaceholder::dragEnterEvent(QDragEnterEvent* event) {
    if (!TrackDrag(event)) {
        event->ignore();
    }
}

void PreviewPlaceholder::dragMoveEvent(QDragMoveEvent* event) {
    if (!TrackDrag(event)) {
        event->ignore();
    }
}

void PreviewPlaceholder::dragLeaveEvent(QDragLeaveEvent* event) {
    event->accept();
    host_.Drop().Clear();
}

void PreviewPlaceholder::dropEvent(QDropEvent* event) {
    if (!TrackDrag(event)) {
        event->ignore();
        return;
    }
    const QStringList paths = PaneDrag::LocalFiles(event->mimeData());
    const DropTarget target = host_.Drop();
    // Imported once the drop has returned to the desktop.
    QMetaObject::invokeMethod(
        this,
        [this, paths, target] {
            host_.Drop() = target;
            host_.DropFiles(paths);
        },
        Qt::QueuedConnection);
}

} // namespace quorvane
