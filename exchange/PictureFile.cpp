#include "PictureFile.h"

#include <QFileInfo>

#include "ExchangeText.h"

QString pictureFileRefusal(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists()) return exchange::Text::tr("The file '%1' cannot be found.").arg(path);
    if (!info.isFile())
        return exchange::Text::tr("'%1' is not an ordinary file, so it cannot be a picture.")
            .arg(path);
    // Nothing to read: the image reader would only say "Unknown error".
    if (info.size() == 0)
        return exchange::Text::tr("The file '%1' is empty (0 bytes), so it cannot be a picture.")
            .arg(path);
    if (info.size() > kPictureFileLimit)
        return exchange::Text::tr("The file '%1' is larger than %2 MB, the largest picture taken.")
            .arg(path)
            .arg(kPictureFileLimit / (1024 * 1024));
    return QString();
}

namespace {

quint32 le32(const QByteArray& b, int at) {
    return quint32(quint8(b[at])) | quint32(quint8(b[at + 1])) << 8 |
           quint32(quint8(b[at + 2])) << 16 | quint32(quint8(b[at + 3])) << 24;
}

quint16 le16(const QByteArray& b, int at) {
    return quint16(quint8(b[at]) | quint8(b[at + 1]) << 8);
}

quint32 be32(const QByteArray& b, int at) {
    return quint32(quint8(b[at])) << 24 | quint32(quint8(b[at + 1])) << 16 |
           quint32(quint8(b[at + 2])) << 8 | quint32(quint8(b[at + 3]));
}

// A bitmap's file header and the image header after it: a known header size, one plane, a
// known depth, a size that is neither empty nor absurd, and pixels that begin inside the file.
bool isBitmap(const QByteArray& b) {
    constexpr qint64 kSide = 65535;
    if (b.size() < 26 || !b.startsWith("BM")) return false;
    const quint32 headerSize = le32(b, 14);
    const quint32 pixelsAt = le32(b, 10);
    if (pixelsAt < 14 + headerSize || pixelsAt >= quint32(b.size())) return false;
    qint64 width, height;
    int planes, depth;
    if (headerSize == 12) {
        width = le16(b, 18);
        height = le16(b, 20);
        planes = le16(b, 22);
        depth = le16(b, 24);
    } else if (headerSize == 40 || headerSize == 52 || headerSize == 56 || headerSize == 64 ||
               headerSize == 108 || headerSize == 124) {
        if (b.size() < 30) return false;
        width = qint32(le32(b, 18));
        height = qint32(le32(b, 22));
        planes = le16(b, 26);
        depth = le16(b, 28);
    } else {
        return false;
    }
    const bool knownDepth = depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16 ||
                            depth == 24 || depth == 32;
    return planes == 1 && knownDepth && width > 0 && width <= kSide && height != 0 &&
           height <= kSide && height >= -kSide;
}

}  // namespace

QString pictureExtension(const QByteArray& bytes) {
    if (bytes.startsWith("\xFF\xD8\xFF")) return QStringLiteral("jpg");
    // The logical screen after the signature has a size.
    if ((bytes.startsWith("GIF87a") || bytes.startsWith("GIF89a")) && bytes.size() >= 13 &&
        le16(bytes, 6) > 0 && le16(bytes, 8) > 0)
        return QStringLiteral("gif");
    // The first chunk is the image header, with a size.
    if (bytes.startsWith("\x89PNG\r\n\x1A\n") && bytes.size() >= 24 && bytes.mid(12, 4) == "IHDR" &&
        be32(bytes, 16) > 0 && be32(bytes, 20) > 0)
        return QStringLiteral("png");
    if (isBitmap(bytes)) return QStringLiteral("bmp");
    // An icon directory: reserved 0, type 1, at least one image, its entries inside the file.
    if (bytes.size() >= 6 && bytes.startsWith(QByteArray("\0\0\1\0", 4)) && le16(bytes, 4) > 0 &&
        6 + 16 * qsizetype(le16(bytes, 4)) <= bytes.size())
        return QStringLiteral("ico");
    return QString();
}
