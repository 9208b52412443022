#pragma once

#include <QImage>
#include <QString>

namespace store {
class Field;
}

// A picture file read by its content, whatever its name says (JPEG, BMP, GIF, icon...).
// A null image when it cannot be read; `error` then tells why.
QImage readPicture(const QString& path, QString* error = nullptr);

// Writes a stored picture to the unpack file at `path` in chunks of `chunkSize` bytes, reads it
// and deletes the file again, whatever the outcome: a null image when the bytes are no picture.
// Throws when the file cannot be written.
QImage unpackPicture(store::Field& image, const QString& path, qint64 chunkSize);
