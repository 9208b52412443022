#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

namespace store {
class Field;
}

// The last picture the parts window decoded, with the file bytes it came from: a picture chosen
// and then saved, or shown again, is not decoded twice.
class PictureCache {
public:
    // The record's stored picture, unpacked through the file at `path` (which may change, as
    // unpackPicture says); a null image when the value is no picture.
    QImage stored(store::Field& image, QString& path, QSize shownSize);
    // A picture file the user chose, read once; throws the store error the user is shown when it
    // is no picture.
    QImage chosen(const QString& file, QSize shownSize);
    const QByteArray& bytes() const { return m_bytes; }
    const QImage& image() const { return m_image; }

private:
    QByteArray m_bytes;
    QImage m_image;
};
