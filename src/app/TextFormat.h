#pragma once
// Fills the string table's printf-style formats ("Contents of '%s'", "%d%% of %d files (%s
// remaining)", "%.2d/%.2d/%.2d %.2d:%.2d AM") without handing a text to printf: a name with a '%'
// in it stays a name. Understood: %%, %s, %d and %f with the flags '-' and '0', a width and a
// precision. Any other '%' sequence is copied as it stands; a missing argument reads as empty or 0.
#include <QString>
#include <QVariant>
#include <QVariantList>

namespace quorvane {

class TextFormat {
public:
    static QString Fill(const QString& format, const QVariantList& args);
};

} // namespace quorvane
