#include "SlideshowPage.h"

#include "ColourSwatch.h"
#include "Preferences.h"
#include "RangeSpinBox.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

namespace quorvane {

namespace {

constexpr int kImages[] = {1, 2, 3, 4, 6, 8};

QColor FromColourRef(uint32_t colour) {
    return QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}

uint32_t ToColourRef(const QColor& colour) {
    return static_cast<uint32_t>(colour.red()) | (static_cast<uint32_t>(colour.green()) << 8) |
           (static_cast<uint32_t>(colour.blue()) << 16);
}

} // namespace

SlideshowPage::SlideshowPage(const Preferences& preferences, QWidget* parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("slideshowPage"));
    auto* layout = new QVBoxLayout(this);

    auto* group = new QGroupBox(QStringLiteral("Slideshow Options"), this);
    auto* grid = new QGridLayout(group);
    manual_ = new QRadioButton(QStringLiteral("Manual"), group);
    manual_->setObjectName(QStringLiteral("manual"));
    automatic_ = new QRadioButton(QStringLiteral("Automatic"), group);
    automatic_->setObjectName(QStringLiteral("automatic"));
    auto* advance = new QButtonGroup(this);
    advance->addButton(manual_, 0);
    advance->addButton(automatic_, 1);
    (preferences.slideAutoAdvance != 0 ? automatic_ : manual_)->setChecked(true);
    grid->addWidget(manual_, 0, 0);
    grid->addWidget(automatic_, 1, 0);

    auto* delayRow = new QHBoxLayout;
    delayLabel_ = new QLabel(QStringLiteral("Delay"), group);
    delay_ = new RangeSpinBox(0, 900, group);
    delay_->setObjectName(QStringLiteral("delay"));
    delay_->setAccessibleName(QStringLiteral("Delay in seconds"));
    delay_->setValue(preferences.slideDelay);
    delayLabel_->setBuddy(delay_);
    secondsLabel_ = new QLabel(QStringLiteral("in seconds."), group);
    delayRow->addWidget(delayLabel_);
    delayRow->addWidget(delay_);
    delayRow->addWidget(secondsLabel_);
    delayRow->addStretch();
    grid->addLayout(delayRow, 1, 1);

    showInfo_ = new QCheckBox(QStringLiteral("Show File Info"), group);
    showInfo_->setObjectName(QStringLiteral("showInfo"));
    showInfo_->setChecked(preferences.slideShowInfo != 0);
    showComments_ = new QCheckBox(QStringLiteral("Show Comments"), group);
    showComments_->setObjectName(QStringLiteral("showComments"));
    showComments_->setChecked(preferences.slideShowComments != 0);
    grid->addWidget(showInfo_, 2, 0);
    grid->addWidget(showComments_, 3, 0);

    auto* colourLabel = new QLabel(QStringLiteral("Background Color:"), group);
    colour_ = new ColourSwatch(group);
    colour_->setObjectName(QStringLiteral("backgroundColour"));
    colour_->setAccessibleName(QStringLiteral("Background Color:"));
    colour_->SetColour(FromColourRef(preferences.backgroundColour));
    colourLabel->setBuddy(colour_);
    auto* imagesLabel = new QLabel(QStringLiteral("Images Per Slide:"), group);
    images_ = new QComboBox(group);
    images_->setObjectName(QStringLiteral("imagesPerSlide"));
    images_->setAccessibleName(QStringLiteral("Images Per Slide:"));
    for (int images : kImages) {
        images_->addItem(QString::number(images));
    }
    images_->setCurrentIndex(IndexForImages(preferences.slidesPerScreen));
    imagesLabel->setBuddy(images_);
    auto* pickers = new QGridLayout;
    pickers->addWidget(colourLabel, 0, 0);
    pickers->addWidget(colour_, 0, 1, Qt::AlignLeft);
    pickers->addWidget(imagesLabel, 1, 0);
    pickers->addWidget(images_, 1, 1, Qt::AlignLeft);
    pickers->setColumnStretch(2, 1);
    grid->addLayout(pickers, 4, 0, 1, 2);
    grid->setColumnStretch(1, 1);
    layout->addWidget(group);

    auto* during = new QGroupBox(QStringLiteral("During the slideshow:"), this);
    auto* notes = new QVBoxLayout(during);
    for (const char* note : {"\u00b7 Right-click the mouse for the options menu.",
                             "\u00b7 Left-click the mouse to manually advance image.",
                             "\u00b7 Press the ESC key to exit the slideshow."}) {
        notes->addWidget(new QLabel(QString::fromUtf8(note), during));
    }
    layout->addWidget(during);
    layout->addStretch();

    setTabOrder(manual_, automatic_);
    setTabOrder(automatic_, delay_);
    setTabOrder(delay_, showInfo_);
    setTabOrder(showInfo_, showComments_);
    setTabOrder(showComments_, colour_);
    setTabOrder(colour_, images_);

    connect(advance, &QButtonGroup::idClicked, this, [this](int) { FollowAdvance(); });
    connect(colour_, &ColourSwatch::clicked, this, &SlideshowPage::ChooseColour);
    FollowAdvance();
}

QWidget* SlideshowPage::FirstControl() const {
    return automatic_->isChecked() ? automatic_ : manual_;
}

RangeSpinBox* SlideshowPage::RefusedField() const {
    // A greyed field is not taken over, so what was typed into it cannot be refused.
    return delay_->isEnabled() && delay_->Refused() ? delay_ : nullptr;
}

void SlideshowPage::StoreInto(Preferences& preferences) const {
    preferences.slideAutoAdvance = automatic_->isChecked() ? 1 : 0;
    preferences.slideDelay = delay_->value();
    preferences.slideShowInfo = showInfo_->isChecked() ? 1 : 0;
    preferences.slideShowComments = showComments_->isChecked() ? 1 : 0;
    preferences.backgroundColour = ToColourRef(colour_->Colour());
    const int images = ImagesForIndex(images_->currentIndex());
    if (images > 0) {
        preferences.slidesPerScreen = images;
    }
}

int SlideshowPage::IndexForImages(int images) {
    for (int index = 0; index < 6; ++index) {
        if (kImages[index] == images) {
            return index;
        }
    }
    return -1;
}

int SlideshowPage::ImagesForIndex(int index) {
    return index >= 0 && index < 6 ? kImages[index] : 0;
}

void SlideshowPage::FollowAdvance() {
    const bool automatic = automatic_->isChecked();
    delayLabel_->setEnabled(automatic);
    delay_->setEnabled(automatic);
    secondsLabel_->setEnabled(automatic);
}

void SlideshowPage::ChooseColour() {
    QColorDialog dialog(colour_->Colour(), this);
    dialog.setObjectName(QStringLiteral("colourDialog"));
    dialog.setOption(QColorDialog::DontUseNativeDialog);
    if (dialog.exec() == QDialog::Accepted) {
        colour_->SetColour(dialog.selectedColor());
    }
}

} // namespace quorvane
