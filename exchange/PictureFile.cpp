#include "PictureFile.h"

#include <QFileInfo>

QString pictureFileRefusal(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists()) return QStringLiteral("The file '%1' cannot be found.").arg(path);
    if (!info.isFile())
        return QStringLiteral("'%1' is not an ordinary file, so it cannot be a picture.").arg(path);
    // Nothing to read: the image reader would only say "Unknown error".
    if (info.size() == 0)
        return QStringLiteral("The file '%1' is empty (0 bytes), so it cannot be a picture.")
            .arg(path);
    if (info.size() > kPictureFileLimit)
        return QStringLiteral("The file '%1' is larger than %2 MB, the largest picture taken.")
            .arg(path)
            .arg(kPictureFileLimit / (1024 * 1024));
    return QString();
}

QString pictureExtension(const QByteArray& bytes) {
    if (bytes.startsWith("\xFF\xD8\xFF")) return QStringLiteral("jpg");
    if (bytes.startsWith("GIF87a") || bytes.startsWith("GIF89a")) return QStringLiteral("gif");
    if (bytes.startsWith("\x89PNG\r\n\x1A\n")) return QStringLiteral("png");
    if (bytes.size() >= 14 && bytes.startsWith("BM")) return QStringLiteral("bmp");
    // An icon directory: reserved 0, type 1, at least one image.
    if (bytes.size() >= 6 && bytes.startsWith(QByteArray("\0\0\1\0", 4)) &&
        (bytes[4] != 0 || bytes[5] != 0))
        return QStringLiteral("ico");
    return QString();
}
