#pragma once

#include <QImage>
#include <QString>

#include "PictureFile.h"

namespace store {
class Field;
}

// A picture file read by its content, whatever its name says (JPEG, BMP, GIF, icon...).
// A null image when it cannot be read; `error` then tells why. With `shownSize`, the picture
// is read straight to the size it is shown at (a large JPEG then decodes at a fraction of the
// work), stretched as a control that fits its picture to itself shows it.
QImage readPicture(const QString& path, QString* error = nullptr, QSize shownSize = QSize());

// The same for a picture file's bytes held in memory.
QImage decodePicture(const QByteArray& bytes, QString* error = nullptr, QSize shownSize = QSize());

// Writes a stored picture to the unpack file at `path` in chunks of `chunkSize` bytes, reads it
// and deletes the file again, whatever the outcome: a null image when the bytes are no picture.
// Where `path` cannot be written (a folder the user may not write), a private folder of the
// user's is used instead and `path` names it. Throws when neither can be written.
QImage unpackPicture(store::Field& image, QString& path, qint64 chunkSize,
                     QSize shownSize = QSize());
// The same for a stored picture's bytes read already.
QImage unpackPicture(const QByteArray& bytes, QString& path, qint64 chunkSize,
                     QSize shownSize = QSize());
