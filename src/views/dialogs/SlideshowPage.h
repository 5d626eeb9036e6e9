#pragma once
// The "Slideshow" page of the Preferences sheet: advancement and its delay, the texts shown, the
// background colour and the images per slide.
#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class QRadioButton;

namespace quorvane {

class ColourSwatch;
class Preferences;
class RangeSpinBox;

class SlideshowPage : public QWidget {
    Q_OBJECT

public:
    explicit SlideshowPage(const Preferences& preferences, QWidget* parent = nullptr);

    // Where the focus starts: the chosen way of advancing.
    QWidget* FirstControl() const;
    // The field whose typed value is refused, or null.
    RangeSpinBox* RefusedField() const;
    void StoreInto(Preferences& preferences) const;

    // Images per slide and the list's index: 1, 2, 3, 4, 6, 8 and 0..5; -1 for any other value.
    static int IndexForImages(int images);
    static int ImagesForIndex(int index);

private:
    void FollowAdvance();
    void ChooseColour();

    QRadioButton* manual_ = nullptr;
    QRadioButton* automatic_ = nullptr;
    QLabel* delayLabel_ = nullptr;
    RangeSpinBox* delay_ = nullptr;
    QLabel* secondsLabel_ = nullptr;
    QCheckBox* showInfo_ = nullptr;
    QCheckBox* showComments_ = nullptr;
    ColourSwatch* colour_ = nullptr;
    QComboBox* images_ = nullptr;
};

} // namespace quorvane
