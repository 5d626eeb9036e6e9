#pragma once
// The preview column's pane until the full preview (fit and actual size, scrolling, the slideshow)
// takes its place: it decodes the image it is handed, draws it fitted into the pane, and takes
// files dropped from the desktop for the current folder.
#include "PreviewPane.h"

#include <QImage>
#include <QWidget>

namespace quorvane {

class PaneHost;

class PreviewPlaceholder : public QWidget, public PreviewPane {
    Q_OBJECT

public:
    explicit PreviewPlaceholder(PaneHost& host, QWidget* parent = nullptr);

    void ShowItem(const PreviewItem& item) override;
    void ClearItem() override;
    void SetComment(const QString& comment) override;
    void Repaint() override { update(); }
    void DragFinished() override {}

    bool Showing() const { return !image_.isNull(); }
    QString Name() const { return name_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    // A drag of desktop files over the pane: the current folder takes it.
    bool TrackDrag(QDropEvent* event);
    void Wipe();

    PaneHost& host_;
    QImage image_;
    QString name_;
    QString comment_;
};

} // namespace quorvane
