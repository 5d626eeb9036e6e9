#include "PaneDrag.h"

#include <QCoreApplication>
#include <QMimeData>
#include <QUrl>

namespace quorvane {

const char* const PaneDrag::kMimeType = "application/x-quorvane-items";

namespace {

QByteArray ProcessTag() {
    return QByteArray::number(QCoreApplication::applicationPid());
}

} // namespace

QMimeData* PaneDrag::MakeInternal() {
    auto* data = new QMimeData;
    data->setData(QString::fromLatin1(kMimeType), ProcessTag());
    return data;
}

bool PaneDrag::IsInternal(const QMimeData* data) {
    return data && data->data(QString::fromLatin1(kMimeType)) == ProcessTag();
}

QStringList PaneDrag::LocalFiles(const QMimeData* data) {
    QStringList paths;
    if (!data || !data->hasUrls()) {
        return paths;
    }
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile() && !url.toLocalFile().isEmpty()) {
            paths.push_back(url.toLocalFile());
        }
    }
    return paths;
}

bool PaneDrag::HasFiles(const QMimeData* data) {
    return !LocalFiles(data).isEmpty();
}

} // namespace quorvane
