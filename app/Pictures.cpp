#include "Pictures.h"

#include <QFile>
#include <QImageReader>

#include "Recordset.h"
#include "StoreError.h"

namespace {
constexpr long kErrPathFileAccess = 75;
}

QImage readPicture(const QString& path, QString* error) {
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    QImage image = reader.read();
    if (image.isNull() && error) *error = reader.errorString();
    return image;
}

QImage unpackPicture(store::Field& image, const QString& path, qint64 chunkSize) {
    if (QFile::exists(path)) QFile::remove(path);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw store::StoreError(kErrPathFileAccess,
                                QStringLiteral("The picture cannot be shown: the file '%1' cannot be written (%2).")
                                    .arg(path, file.errorString()));
    const qint64 size = image.ActualSize();
    bool written = true;
    for (qint64 offset = 0; offset < size && written; offset += chunkSize) {
        const QByteArray chunk = image.GetChunk(chunkSize);
        written = file.write(chunk) == chunk.size();
    }
    file.close();
    QImage picture = written ? readPicture(path) : QImage();
    QFile::remove(path);
    if (!written)
        throw store::StoreError(kErrPathFileAccess,
                                QStringLiteral("The picture cannot be shown: the file '%1' could not be written "
                                               "whole (is the disk full?).")
                                    .arg(path));
    return picture;
}
