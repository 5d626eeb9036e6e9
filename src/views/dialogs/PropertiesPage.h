#pragma once
// One page of the "Properties" sheet: an icon with the item's name, then its labelled texts.
#include "PropertyTexts.h"

#include <QWidget>

namespace quorvane {

class PropertiesPage : public QWidget {
    Q_OBJECT

public:
    explicit PropertiesPage(const PropertyPage& page, QWidget* parent = nullptr);
};

} // namespace quorvane
