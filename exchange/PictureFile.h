#pragma once

#include <QByteArray>
#include <QString>

// The largest picture file taken; a larger one is refused before it is read.
inline constexpr qint64 kPictureFileLimit = 64 * 1024 * 1024;

// Why a file chosen as a picture cannot be taken (missing, not an ordinary file, empty, too large),
// or "" when it may be read. Devices and pipes are never opened: they could read without end.
QString pictureFileRefusal(const QString& path);

// The usual file extension of a picture, told by its first bytes ("jpg", "bmp", "gif", "ico",
// "png"), or "" when they are none of these.
QString pictureExtension(const QByteArray& bytes);
