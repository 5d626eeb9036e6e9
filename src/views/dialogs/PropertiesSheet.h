#pragma once
// The "Properties" sheet with its one page: "File Information", "Folder Information" or
// "Archive Information". Nothing on it can be changed, so it has no Apply button.
#include "PropertyTexts.h"

#include <QDialog>

namespace quorvane {

class PropertiesSheet : public QDialog {
    Q_OBJECT

public:
    explicit PropertiesSheet(const PropertyPage& page, QWidget* parent = nullptr);
};

} // namespace quorvane
