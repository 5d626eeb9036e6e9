// Before any QObject header: Qt's `slots` keyword macro would otherwise eat the engine's
// SelectionMap::slots.
#include "CCodeArchive.h"

#include "CCodePict.h"

#include "DropTarget.h"
#include "ImageBrowser.h"
#include "ImageWipe.h"
#include "MainFrame.h"
#include "PaneHost.h"
#include "Preferences.h"
#include "StoredCodes.h"
#include "StringTable.h"
#include "TextFormat.h"
#include "WorkspaceDialogs.h"

#include <QDragEnterEvent>
#include <QImageReader>
#include <QMimeData>
#include <QPainter>
#include <QPointer>
#include <QScrollBar>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <cmath>

namespace quorvane {

namespace {

// The decoder of the stored type was there and refused the data: the item is damaged or is no
// image of its type. A refusal for want of memory (or above the size limit) or of a colour
// reduction says nothing about the data.
bool RejectedByDecoder(int16_t status) {
    return status == kImageNoHeader || status == kImageBadPixels || status == kImageUnknownType;
}

} // namespace

// The holder's calls during an interactive load. The error box is not shown from inside the load:
// the pane shows it once the load has returned and the holder is at rest.
class CCodePict::LoadCallbacks : public ImageCallbacks {
public:
    explicit LoadCallbacks(MainFrame* frame)
        : frame_(frame) {}
    void BeginActivity() override {
        if (frame_) {
            frame_->BeginActivity();
        }
    }
    void EndActivity() override {
        if (frame_) {
            frame_->EndActivity();
        }
    }
    void ShowOpenError(const std::string& /*name*/, bool& /*suppress*/) override { failed = true; }

    bool failed = false;

private:
    MainFrame* frame_;
};

CCodePict::CCodePict(PaneHost& host, MainFrame* frame, WorkspaceDialogs* dialogs, QWidget* parent)
    : QAbstractScrollArea(parent)
    , host_(host)
    , frame_(frame)
    , dialogs_(dialogs)
    , hasDecoder_(&CCodePict::DecoderInstalled) {
    setObjectName(QStringLiteral("previewPane"));
    setFrameShape(QFrame::NoFrame);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    // The background is painted here, in white or the background colour.
    viewport()->setAutoFillBackground(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    UpdateRanges();
}

CCodePict::~CCodePict() {
    ForgetScaled();
}

bool CCodePict::DecoderInstalled(int typeCode) {
    const char* format = ImageReaderFormat(typeCode);
    return format != nullptr && QImageReader::supportedImageFormats().contains(QByteArray(format));
}

Preferences& CCodePict::Prefs() const {
    return host_.Prefs();
}

void CCodePict::NoteActivity() {
    if (frame_) {
        frame_->NoteActivity();
    } else {
        host_.NoteActivity();
    }
}

void CCodePict::SetCaption(const QString& text) {
    caption_ = text;
    if (frame_) {
        frame_->SetCaption(2, text);
    }
}

QColor CCodePict::Background() const {
    const Preferences& prefs = Prefs();
    return QColor(prefs.backgroundRed(), prefs.backgroundGreen(), prefs.backgroundBlue());
}

bool CCodePict::Fit() const {
    return Prefs().previewFit != 0;
}

void CCodePict::SetFit(bool fit) {
    Prefs().previewFit = fit ? 1 : 0;
    if (isVisible()) {
        UpdateScrollSizes();
    }
}

// ---------------------------------------------------------------- items

void CCodePict::ShowItem(const PreviewItem& item) {
    if (item.archive == archive_ && item.number == number_) {
        return;
    }
    // Asked again from inside this load's own error box (a slideshow tick, say): the first one ends.
    if (loading_) {
        return;
    }
    NoteActivity();
    ClearItem();
    name_ = item.name;
    comment_ = item.comment;
    size_ = static_cast<uint32_t>(item.data.size());
    type_ = item.typeCode;
    archive_ = item.archive;
    number_ = item.number;

    const bool decoderExists = hasDecoder_ && hasDecoder_(type_);
    const CCodeArchive* archive = host_.ArchiveAt(archive_);
    const uint64_t generation = archive ? archive->catalogueGeneration() : 0;

    // The bytes are the engine's and valid only now: they are decoded before anything else runs.
    LoadCallbacks callbacks(frame_);
    loading_ = true;
    const int16_t status =
        holder_.Load(name_.toStdString(), item.data.data(), size_, static_cast<int16_t>(type_),
                     static_cast<int16_t>(std::min(depth(), 32)), true, &callbacks);
    loading_ = false;

    if (status != kImageOk) {
        UpdateScrollSizes();
        QPointer<CCodePict> self(this);
        ReportLoadFailure(status, decoderExists, generation);
        if (self) {
            emit itemShown();
        }
        return;
    }
    SetCaption(PreviewTexts::Caption(name_, comment_));
    shown_ = true;
    depth_ = holder_.Depth();
    UpdateScrollSizes();
    emit itemShown();
}

void CCodePict::ReportLoadFailure(int16_t status, bool decoderExists, uint64_t generation) {
    Preferences& prefs = Prefs();
    const int number = number_;
    const std::pair<uint64_t, int> file{generation, number};
    // With its box ticked the box comes once for each file.
    const bool alreadyShown = prefs.alertFileOpen != 0 && errorShown_.count(file) != 0;
    if (!alreadyShown && dialogs_) {
        const DialogStrings strings = StringTable::Dialog(kDlgFileOpenError);
        bool box = prefs.alertFileOpen != 0;
        QPointer<CCodePict> self(this);
        dialogs_->Alert({kDlgFileOpenError, strings.title, TextFormat::Fill(strings.text, {name_})}, box);
        if (!self) {
            return;
        }
        prefs.alertFileOpen = box ? 1 : 0;
    }
    if (prefs.alertFileOpen == 0) {
        return;
    }
    errorShown_.insert(file);
    // Only a decoder that read the data and refused it says that the item is no image. A missing
    // decoder, the size limit or a shortage of memory would otherwise take a sound picture out of
    // the list for good.
    if (!decoderExists || !RejectedByDecoder(status)) {
        return;
    }
    // The box ran an event loop: mark only the entry that number still names.
    const CCodeArchive* archive = host_.ArchiveAt(archive_);
    if (archive && archive->catalogueGeneration() == generation && number_ == number) {
        host_.MarkNotAnImage(archive_, number);
    }
}

void CCodePict::ClearItem() {
    if (!loading_) {
        holder_.Reset();
    }
    ForgetScaled();
    shown_ = false;
    type_ = 0;
    size_ = 0;
    depth_ = 0;
    name_.clear();
    comment_.clear();
    archive_ = -1;
    number_ = -1;
    placed_ = QRect();
    SetCaption(QString());
    UpdateScrollSizes();
}

void CCodePict::SetComment(const QString& comment) {
    comment_ = comment;
    if (shown_) {
        SetCaption(PreviewTexts::Caption(name_, comment_));
    }
}

void CCodePict::SetName(const QString& name) {
    name_ = name;
    if (shown_) {
        SetCaption(PreviewTexts::Caption(name_, comment_));
    }
}

void CCodePict::Repaint() {
    viewport()->update();
}

void CCodePict::DragFinished() {
    // The pane shows no drop highlight.
}

void CCodePict::RefreshView() {
    ClearItem();
    UpdateScrollSizes();
    viewport()->update();
}

std::array<QString, 4> CCodePict::StatusTexts() const {
    return PreviewTexts::Status({shown_, holder_.Width(), holder_.Height(), type_, depth_, size_});
}

void CCodePict::ForgetScaled() {
    WipeImage(scaled_);
}

// ---------------------------------------------------------------- scrolling

QSize CCodePict::ImageSize(qreal devicePixelRatio) const {
    if (!shown_) {
        return {};
    }
    const qreal ratio = devicePixelRatio > 0 ? devicePixelRatio : 1.0;
    return {std::max(1, static_cast<int>(std::lround(holder_.Width() / ratio))),
            std::max(1, static_cast<int>(std::lround(holder_.Height() / ratio)))};
}

void CCodePict::UpdateRanges() {
    QScrollBar* h = horizontalScrollBar();
    QScrollBar* v = verticalScrollBar();
    const bool scroll = shown_ && !Fit();
    const QSize content = scroll ? ImageSize(devicePixelRatioF()) : QSize();
    const QSize visible = viewport()->size();
    h->setRange(0, std::max(0, content.width() - visible.width()));
    v->setRange(0, std::max(0, content.height() - visible.height()));
    for (QScrollBar* bar : {h, v}) {
        bar->setSingleStep(kScrollStep);
        bar->setPageStep(kScrollStep);
    }
}

void CCodePict::UpdateScrollSizes() {
    UpdateRanges();
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
    viewport()->update();
}

QPoint CCodePict::ScrollOffset() const {
    return {horizontalScrollBar()->value(), verticalScrollBar()->value()};
}

void CCodePict::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateRanges();
}

void CCodePict::scrollContentsBy(int /*dx*/, int /*dy*/) {
    viewport()->update();
}

// ---------------------------------------------------------------- drawing

void CCodePict::DrawImage(QPainter& painter, QRect area, QRect borderArea, bool fit, bool borders) {
    if (!shown_ || !holder_.HasImage()) {
        painter.fillRect(area, Qt::white);
        placed_ = QRect();
        return;
    }
    const qreal ratio = painter.device() != nullptr ? painter.device()->devicePixelRatioF() : 1.0;
    QRect placed;
    PlaceInArea(QRect(QPoint(0, 0), ImageSize(ratio)), placed, area, fit);
    placed_ = placed;
    if (borders) {
        PaintBorders(placed, borderArea, painter, Background());
    }
    const QImage& image = holder_.Image();
    const QSize deviceSize(static_cast<int>(std::lround(placed.width() * ratio)),
                           static_cast<int>(std::lround(placed.height() * ratio)));
    if (!fit || deviceSize == image.size()) {
        // One image pixel per device pixel.
        painter.drawImage(QRectF(QPointF(placed.topLeft()), QSizeF(image.size()) / ratio), image);
        return;
    }
    if (scaled_.size() != deviceSize) {
        ForgetScaled();
        scaled_ = image.scaled(deviceSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    if (scaled_.isNull()) {
        painter.drawImage(QRectF(placed), image); // out of memory: the painter stretches
    } else {
        painter.drawImage(QRectF(placed), scaled_);
    }
}

void CCodePict::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(viewport());
    const QRect client = viewport()->rect();
    // The background is white, or the background colour while an image is shown.
    if (!shown_) {
        painter.fillRect(client, Qt::white);
        placed_ = QRect();
        return;
    }
    const bool fit = Fit();
    const QPoint offset = fit ? QPoint() : ScrollOffset();
    painter.fillRect(client, Background());
    painter.translate(-offset);
    DrawImage(painter, QRect(QPoint(0, 0), client.size()), client.translated(offset), fit, true);
}

// ---------------------------------------------------------------- mouse and drops

void CCodePict::mousePressEvent(QMouseEvent* event) {
    NoteActivity();
    // A command runs: nothing is stepped or started from here until it has finished.
    if (host_.Busy() || browser_ == nullptr) {
        return;
    }
    if (event->button() == Qt::LeftButton) {
        const QPoint at = event->position().toPoint() + (Fit() ? QPoint() : ScrollOffset());
        if (shown_ && placed_.contains(at)) {
            if (event->modifiers() & Qt::ShiftModifier) {
                browser_->PreviousImage();
            } else {
                browser_->NextImage();
            }
        }
    } else if (event->button() == Qt::RightButton) {
        browser_->StartSlideshow();
    }
}

void CCodePict::mouseReleaseEvent(QMouseEvent* event) {
    event->accept(); // the press did what a click does
}

bool CCodePict::OfferDrop(QDropEvent* event) {
    if (host_.Busy() || host_.CurrentArchive() == 0) {
        return false;
    }
    const bool internal = host_.InternalDrag();
    if (!internal && !event->mimeData()->hasUrls()) {
        return false;
    }
    const Qt::DropAction action =
        DropEffectFor(true, internal, true) == DropEffect::Move ? Qt::MoveAction : Qt::CopyAction;
    if (!(event->possibleActions() & action)) {
        return false;
    }
    NoteActivity();
    host_.Drop() = {DropTarget::kPreview, host_.CurrentArchive(), host_.CurrentFolder()};
    event->setDropAction(action);
    event->accept();
    return true;
}

void CCodePict::dragEnterEvent(QDragEnterEvent* event) {
    if (!OfferDrop(event)) {
        event->ignore();
    }
}

void CCodePict::dragMoveEvent(QDragMoveEvent* event) {
    if (!OfferDrop(event)) {
        event->ignore();
    }
}

void CCodePict::dragLeaveEvent(QDragLeaveEvent* event) {
    host_.Drop().Clear();
    event->accept();
}

void CCodePict::dropEvent(QDropEvent* event) {
    if (!OfferDrop(event)) {
        event->ignore();
        host_.Drop().Clear();
        return;
    }
    // The program's own drag: the pane that started it finishes it once its drag loop returns.
    if (host_.InternalDrag()) {
        return;
    }
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile()) {
            paths << url.toLocalFile();
        }
    }
    // The import runs once the drop has been answered, so that the program the files came from is
    // not kept waiting for it.
    QTimer::singleShot(0, this, [this, paths] { host_.DropFiles(paths); });
}

} // namespace quorvane
