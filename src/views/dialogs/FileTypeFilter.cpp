#include "FileTypeFilter.h"

#include <QComboBox>
#include <QFileDialog>
#include <QFileSystemModel>

namespace quorvane {

FileTypeFilter::FileTypeFilter(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        if (parts.at(i).isEmpty()) {
            break;
        }
        Type type;
        type.description = parts.at(i);
        for (const QString& pattern : parts.at(i + 1).split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            type.patterns << (pattern == QLatin1String("*.*") ? QStringLiteral("*") : pattern.trimmed());
        }
        types_.push_back(type);
    }
}

void FileTypeFilter::ApplyTo(QFileDialog& dialog) const {
    QStringList descriptions;
    for (const Type& type : types_) {
        descriptions << type.description;
    }
    dialog.setNameFilters(descriptions);
    dialog.setFilter(dialog.filter() & ~QDir::CaseSensitive);

    auto* model = dialog.findChild<QFileSystemModel*>();
    auto* combo = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    if (model == nullptr || combo == nullptr) {
        return;
    }
    const std::vector<Type> types = types_;
    auto applyChosen = [model, combo, types] {
        const int index = combo->currentIndex();
        if (index >= 0 && static_cast<size_t>(index) < types.size()) {
            model->setNameFilters(types[static_cast<size_t>(index)].patterns);
        }
    };
    // Queued, so that the patterns are set after the dialog has set its own from the description.
    QObject::connect(combo, &QComboBox::currentIndexChanged, &dialog, applyChosen, Qt::QueuedConnection);
    QObject::connect(combo, &QComboBox::activated, &dialog, applyChosen, Qt::QueuedConnection);
    applyChosen();
}

} // namespace quorvane
