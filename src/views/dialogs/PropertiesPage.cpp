#include "PropertiesPage.h"

#include "Icons.h"

#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QStyle>

namespace quorvane {

namespace {

IconId IconOf(PropertyPageKind kind) {
    switch (kind) {
    case PropertyPageKind::Folder:
        return IconId::PropertiesFolder;
    case PropertyPageKind::Archive:
        return IconId::PropertiesArchive;
    case PropertyPageKind::File:
        break;
    }
    return IconId::PropertiesFile;
}

QFrame* Separator(QWidget* parent) {
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

} // namespace

PropertiesPage::PropertiesPage(const PropertyPage& page, QWidget* parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("propertiesPage"));
    auto* grid = new QGridLayout(this);
    grid->setHorizontalSpacing(16);
    grid->setVerticalSpacing(6);

    auto* icon = new QLabel(this);
    const int extent = style()->pixelMetric(QStyle::PM_LargeIconSize, nullptr, this);
    icon->setObjectName(QStringLiteral("pageIcon"));
    icon->setPixmap(QuorvanePixmap(IconOf(page.kind), extent, devicePixelRatioF()));
    auto* name = new QLabel(page.name, this);
    name->setObjectName(QStringLiteral("name"));
    name->setTextFormat(Qt::PlainText);
    name->setWordWrap(true);
    grid->addWidget(icon, 0, 0);
    grid->addWidget(name, 0, 1);

    int row = 1;
    int line = 0;
    for (const PropertyLine& entry : page.lines) {
        if (entry.separatorBefore) {
            grid->addWidget(Separator(this), row++, 0, 1, 2);
        }
        auto* label = new QLabel(entry.label, this);
        label->setTextFormat(Qt::PlainText);
        auto* text = new QLabel(entry.text, this);
        text->setObjectName(QStringLiteral("field%1").arg(line++));
        text->setProperty("field", entry.field);
        text->setTextFormat(Qt::PlainText);
        text->setWordWrap(true);
        text->setMinimumWidth(320);
        text->setAccessibleName(entry.label);
        grid->addWidget(label, row, 0, Qt::AlignTop);
        grid->addWidget(text, row, 1, Qt::AlignTop);
        ++row;
    }
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(row, 1);
}

} // namespace quorvane
