#pragma once
// The preview pane: the image the contents list opened, decoded from the engine's decrypted copy
// while ShowItem runs, fitted into the pane or at its own size with scroll bars, on the background
// colour. A left click on the image steps to the next image (Shift: the previous one), a right click
// starts the slideshow; drags dropped here go into the current folder of the current archive.
//
// Nothing but the decoded picture is kept, and it is zeroed when the pane lets go of it (ClearItem,
// the next item, the end of the pane). At its own size the picture shows one image pixel per device
// pixel, also on a high-density screen.
#include "CImageHolder.h"
#include "PreviewPane.h"
#include "PreviewTexts.h"

#include <QAbstractScrollArea>

#include <array>
#include <cstdint>
#include <functional>
#include <set>
#include <utility>

namespace quorvane {

class ImageBrowser;
class MainFrame;
class PaneHost;
class Preferences;
class WorkspaceDialogs;

class CCodePict : public QAbstractScrollArea, public PreviewPane {
    Q_OBJECT

public:
    // Line and page steps of the scroll bars at actual size.
    static constexpr int kScrollStep = 32;

    // `frame` gets the caption and the activity indicator, `dialogs` shows "File Open Error"; either
    // may be null (nothing is shown there).
    CCodePict(PaneHost& host, MainFrame* frame, WorkspaceDialogs* dialogs, QWidget* parent = nullptr);
    ~CCodePict() override;

    // The list, for the clicks: next and previous image, and the slideshow.
    void SetBrowser(ImageBrowser* browser) { browser_ = browser; }
    // Whether a decoder for an image type is installed; by default whether Qt's image readers
    // list the type's format.
    void SetDecoderCheck(std::function<bool(int typeCode)> hasDecoder) {
        hasDecoder_ = std::move(hasDecoder);
    }
    static bool DecoderInstalled(int typeCode);

    // ---- PreviewPane
    void ShowItem(const PreviewItem& item) override;
    void ClearItem() override;
    void SetComment(const QString& comment) override;
    void SetName(const QString& name) override;
    void Repaint() override;
    void DragFinished() override;

    // Clears the pane and paints it afresh.
    void RefreshView();
    // At actual size with an image shown, the scroll bars span the image, in 32-pixel steps, and go
    // back to the top-left corner; otherwise there is nothing to scroll. Then the pane is repainted.
    void UpdateScrollSizes();
    // Draws the shown image placed in `area` (fitted or at its own size), painting the rest of
    // `borderArea` in the background colour when `borders` is set; white over `area` when nothing is
    // shown. The slideshow draws its slots through this too.
    void DrawImage(QPainter& painter, QRect area, QRect borderArea, bool fit, bool borders);

    // "Fit in Window" ("PS"); command 8300 toggles it.
    void SetFit(bool fit);
    bool Fit() const;
    void ToggleFit() { SetFit(!Fit()); }

    bool Shown() const { return shown_; }
    const QString& Name() const { return name_; }
    const QString& Comment() const { return comment_; }
    int ShownArchive() const { return archive_; }
    int ShownNumber() const { return number_; }
    // Where the last DrawImage put the image, in the coordinates it was given.
    QRect PlacedRect() const { return placed_; }
    QString Caption() const { return caption_; }
    // Status-bar panes 3001..3004.
    std::array<QString, 4> StatusTexts() const;
    QColor Background() const;
    // The decoded picture itself (tests).
    const QImage& DecodedImage() const { return holder_.Image(); }

signals:
    // ShowItem has loaded an item (or failed to): the slideshow draws what the pane now holds.
    void itemShown();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    class LoadCallbacks;

    Preferences& Prefs() const;
    void NoteActivity();
    void SetCaption(const QString& text);
    // The image's size in the coordinates of a device with this pixel ratio.
    QSize ImageSize(qreal devicePixelRatio) const;
    void UpdateRanges();
    QPoint ScrollOffset() const;
    void ForgetScaled();
    bool OfferDrop(QDropEvent* event);
    // After a failed load: the error box, once per file while its box is ticked.
    void ReportLoadFailure(int16_t status, bool decoderExists, uint64_t generation);

    PaneHost& host_;
    MainFrame* frame_;
    WorkspaceDialogs* dialogs_;
    ImageBrowser* browser_ = nullptr;
    std::function<bool(int)> hasDecoder_;

    CImageHolder holder_;
    bool shown_ = false;
    bool loading_ = false;
    QString name_;
    QString comment_;
    QString caption_;
    int type_ = 0;
    uint32_t size_ = 0;
    int depth_ = 0;
    int archive_ = -1;
    int number_ = -1;
    QRect placed_;
    // The picture resampled for the last fitted size, kept for repaints and zeroed when replaced.
    QImage scaled_;
    // Files whose error box was left ticked, by catalogue generation and entry number: not shown again.
    std::set<std::pair<uint64_t, int>> errorShown_;
};

} // namespace quorvane
