#include "PreferencesSheet.h"

#include "GeneralPage.h"
#include "Preferences.h"
#include "RangeSpinBox.h"
#include "SlideshowPage.h"
#include "StringTable.h"

#include <QDialogButtonBox>
#include <QMessageBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include <utility>

namespace quorvane {

PreferencesSheet::PreferencesSheet(const Preferences& preferences, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(StringTable::Text(kStrPreferencesTitle));
    setObjectName(QStringLiteral("preferencesSheet"));
    auto* layout = new QVBoxLayout(this);
    tabs_ = new QTabWidget(this);
    slideshow_ = new SlideshowPage(preferences, tabs_);
    general_ = new GeneralPage(preferences, tabs_);
    tabs_->addTab(slideshow_, QStringLiteral("Slideshow"));
    tabs_->addTab(general_, QStringLiteral("General"));
    layout->addWidget(tabs_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &PreferencesSheet::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    slideshow_->FirstControl()->setFocus();
}

void PreferencesSheet::accept() {
    const std::pair<QWidget*, RangeSpinBox*> pages[] = {{slideshow_, slideshow_->RefusedField()},
                                                        {general_, general_->RefusedField()}};
    for (const auto& [page, refused] : pages) {
        if (refused == nullptr) {
            continue;
        }
        tabs_->setCurrentWidget(page);
        QMessageBox box(QMessageBox::Warning, StringTable::Text(kStrApplicationTitle),
                        refused->RangeMessage(), QMessageBox::Ok, this);
        box.setObjectName(QStringLiteral("messageDialog"));
        box.exec();
        refused->ShowRefused();
        return;
    }
    QDialog::accept();
}

void PreferencesSheet::StoreInto(Preferences& preferences) const {
    slideshow_->StoreInto(preferences);
    general_->StoreInto(preferences);
    preferences.ApplyAlertReset();
}

} // namespace quorvane
