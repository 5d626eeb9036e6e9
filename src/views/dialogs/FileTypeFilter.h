#pragma once
// A file dialog's list of file types from a string-table filter ("Description|*.a;*.b|...|").
// Qt reads a type's patterns from the parentheses of its description and splits them only at
// blanks, so "(*.bmp;*.gif)" would match nothing: the dialog shows the descriptions as they are and
// gets the patterns of the chosen type from here, compared without regard to case (".JPG" is a
// JPEG as much as ".jpg"), "*.*" meaning every file, with or without an extension.
#include <QString>
#include <QStringList>

#include <vector>

class QFileDialog;

namespace quorvane {

class FileTypeFilter {
public:
    struct Type {
        QString description;
        QStringList patterns;
    };

    explicit FileTypeFilter(const QString& filter);

    const std::vector<Type>& Types() const { return types_; }

    // Gives `dialog` (Qt's own, not the native one) these types, the first one chosen.
    void ApplyTo(QFileDialog& dialog) const;

private:
    std::vector<Type> types_;
};

} // namespace quorvane
