#pragma once
// The "Preferences" sheet: the "Slideshow" and "General" pages, OK and Cancel. OK takes both pages
// over unless a field holds a refused value; then that field's page comes to the front and the
// sheet stays open.
#include <QDialog>

class QTabWidget;

namespace quorvane {

class GeneralPage;
class Preferences;
class SlideshowPage;

class PreferencesSheet : public QDialog {
    Q_OBJECT

public:
    explicit PreferencesSheet(const Preferences& preferences, QWidget* parent = nullptr);

    // Stores both pages into `preferences` and carries out the alert request.
    void StoreInto(Preferences& preferences) const;

    QTabWidget* tabs() const { return tabs_; }

public slots:
    void accept() override;

private:
    QTabWidget* tabs_ = nullptr;
    SlideshowPage* slideshow_ = nullptr;
    GeneralPage* general_ = nullptr;
};

} // namespace quorvane
