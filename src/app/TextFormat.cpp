#include "TextFormat.h"

namespace quorvane {

namespace {

QString Pad(QString text, int width, bool left, QChar fill) {
    if (width > text.size()) {
        const QString padding(width - text.size(), fill);
        if (left) {
            text += padding;
        } else if (fill == QLatin1Char('0') && text.startsWith(QLatin1Char('-'))) {
            text.insert(1, padding);
        } else {
            text.prepend(padding);
        }
    }
    return text;
}

} // namespace

QString TextFormat::Fill(const QString& format, const QVariantList& args) {
    QString out;
    out.reserve(format.size() + 16);
    qsizetype next = 0;
    const qsizetype n = format.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = format.at(i);
        if (c != QLatin1Char('%')) {
            out += c;
            continue;
        }
        const qsizetype start = i;
        qsizetype j = i + 1;
        bool left = false;
        bool zero = false;
        for (; j < n && (format.at(j) == QLatin1Char('-') || format.at(j) == QLatin1Char('0')); ++j) {
            (format.at(j) == QLatin1Char('-') ? left : zero) = true;
        }
        int width = 0;
        for (; j < n && format.at(j).isDigit() && width < 1000; ++j) {
            width = width * 10 + format.at(j).digitValue();
        }
        int precision = -1;
        if (j < n && format.at(j) == QLatin1Char('.')) {
            precision = 0;
            for (++j; j < n && format.at(j).isDigit() && precision < 1000; ++j) {
                precision = precision * 10 + format.at(j).digitValue();
            }
        }
        const QChar conversion = j < n ? format.at(j) : QChar();
        if (conversion == QLatin1Char('%') && j == i + 1) {
            out += QLatin1Char('%');
            i = j;
            continue;
        }
        const QVariant arg = next < args.size() ? args.at(next) : QVariant();
        QString piece;
        if (conversion == QLatin1Char('s')) {
            piece = arg.toString();
            if (precision >= 0) {
                piece.truncate(precision);
            }
        } else if (conversion == QLatin1Char('d')) {
            const qlonglong value = arg.toLongLong();
            const qulonglong magnitude =
                value < 0 ? 0ULL - static_cast<qulonglong>(value) : static_cast<qulonglong>(value);
            piece = QString::number(magnitude);
            if (precision >= 0) {
                piece = Pad(piece, precision, false, QLatin1Char('0'));
            }
            if (value < 0) {
                piece.prepend(QLatin1Char('-'));
            }
        } else if (conversion == QLatin1Char('f')) {
            piece = QString::number(arg.toDouble(), 'f', precision < 0 ? 6 : precision);
        } else {
            // Not ours (for example the time formats' %M): copied as it stands.
            out += format.mid(start, j - start);
            i = j - 1;
            continue;
        }
        ++next;
        const bool zeroFill = zero && !left && !(conversion == QLatin1Char('d') && precision >= 0) &&
                              conversion != QLatin1Char('s');
        out += Pad(piece, width, left, zeroFill ? QLatin1Char('0') : QLatin1Char(' '));
        i = j;
    }
    return out;
}

} // namespace quorvane
