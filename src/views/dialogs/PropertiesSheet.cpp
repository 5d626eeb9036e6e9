#include "PropertiesSheet.h"

#include "PropertiesPage.h"

#include <QDialogButtonBox>
#include <QTabWidget>
#include <QVBoxLayout>

namespace quorvane {

PropertiesSheet::PropertiesSheet(const PropertyPage& page, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("Properties"));
    setObjectName(QStringLiteral("propertiesSheet"));
    auto* layout = new QVBoxLayout(this);
    auto* tabs = new QTabWidget(this);
    tabs->setObjectName(QStringLiteral("pages"));
    tabs->addTab(new PropertiesPage(page, tabs), page.title);
    layout->addWidget(tabs);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

} // namespace quorvane
