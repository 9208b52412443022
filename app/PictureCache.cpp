#include "PictureCache.h"

#include <QCoreApplication>
#include <QFile>

#include "PictureFile.h"
#include "Pictures.h"
#include "Recordset.h"
#include "StoreError.h"

namespace {
constexpr long kErrInvalidPicture = 481;
constexpr qint64 kUnpackChunk = 100;
}  // namespace

QImage PictureCache::stored(store::Field& image, QString& path, QSize shownSize) {
    const QVariant value = image.Value();
    const bool binary = value.typeId() == QMetaType::QByteArray;
    if (binary && !m_image.isNull() &&
        m_bytes == *static_cast<const QByteArray*>(value.constData()))
        return m_image;
    m_image = unpackPicture(image, path, kUnpackChunk, shownSize);
    m_bytes = binary ? value.toByteArray() : QByteArray();
    return m_image;
}

QImage PictureCache::chosen(const QString& file, QSize shownSize) {
    if (const QString refused = pictureFileRefusal(file); !refused.isEmpty())
        throw store::StoreError(kErrInvalidPicture, refused);
    QFile f(file);
    QByteArray bytes;
    if (f.open(QIODevice::ReadOnly)) bytes = f.read(kPictureFileLimit + 1);
    QString why = bytes.isEmpty() && f.error() == QFileDevice::NoError
                      ? QCoreApplication::translate("Pictures", "The file is empty.")
                      : f.errorString();
    const QImage image = bytes.isEmpty() ? QImage() : decodePicture(bytes, &why, shownSize);
    if (image.isNull())
        throw store::StoreError(
            kErrInvalidPicture,
            QCoreApplication::translate(
                "Pictures", "File does not appear to be a valid image file...\r\n\r\n") +
                why);
    m_bytes = bytes;
    m_image = image;
    return image;
}
