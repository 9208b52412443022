#include "Pictures.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QTemporaryDir>

#include "Recordset.h"
#include "StoreError.h"

namespace {
constexpr long kErrPathFileAccess = 75;
}

namespace {

// The format of a picture by its first bytes, for the formats the program reads: only that
// format's reader is loaded, rather than every one in turn until one knows the picture. Empty
// for anything else.
QByteArray formatByContent(QIODevice& device) {
    const QByteArray head = device.peek(6);
    if (head.startsWith("\xFF\xD8\xFF")) return QByteArrayLiteral("jpeg");
    if (head.startsWith("GIF87a") || head.startsWith("GIF89a")) return QByteArrayLiteral("gif");
    if (head.startsWith("BM")) return QByteArrayLiteral("bmp");
    if (head.startsWith(QByteArray("\0\0\1\0", 4))) return QByteArrayLiteral("ico");
    return {};
}

// The picture read by content, as the image reader decides it; the reader of the format its
// first bytes name is tried first on its own.
QImage readByContent(QIODevice& device, QString* error, QSize shownSize) {
    if (const QByteArray format = formatByContent(device); !format.isEmpty()) {
        QImageReader reader(&device, format);
        reader.setAutoDetectImageFormat(false);
        if (shownSize.isValid()) reader.setScaledSize(shownSize);
        QImage image = reader.read();
        if (!image.isNull()) return image;
        device.seek(0);
    }
    QImageReader reader(&device);
    reader.setDecideFormatFromContent(true);
    if (shownSize.isValid()) reader.setScaledSize(shownSize);
    QImage image = reader.read();
    if (image.isNull() && error) *error = reader.errorString();
    return image;
}

}  // namespace

QImage readPicture(const QString& path, QString* error, QSize shownSize) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        // The reader's own words for a file it cannot open.
        QImageReader reader(path);
        reader.setDecideFormatFromContent(true);
        QImage image = reader.read();
        if (image.isNull() && error) *error = reader.errorString();
        return image;
    }
    return readByContent(file, error, shownSize);
}

QImage decodePicture(const QByteArray& bytes, QString* error, QSize shownSize) {
    // The image reader calls no bytes at all an "Unknown error".
    if (bytes.isEmpty()) {
        if (error)
            *error = QCoreApplication::translate("Pictures", "The picture is empty (0 bytes).");
        return QImage();
    }
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return readByContent(buffer, error, shownSize);
}

namespace {

// Removed with the program; only its user may read it.
QString privateUnpackFolder() {
    static QTemporaryDir folder;
    return folder.isValid() ? folder.path() : QString();
}

bool openForUnpack(QFile& file) {
    if (QFile::exists(file.fileName())) QFile::remove(file.fileName());
    return file.open(QIODevice::WriteOnly);
}

}  // namespace

namespace {

// Writes the chunks that `next` gives (an empty one ends them) to the unpack file, reads it and
// deletes it again.
template <typename Next>
QImage unpackChunks(Next next, QString& path, QSize shownSize) {
    QFile file(path);
    if (!openForUnpack(file)) {
        const QString folder = privateUnpackFolder();
        if (!folder.isEmpty()) {
            const QString fallback = folder + QLatin1Char('/') + QFileInfo(path).fileName();
            QFile other(fallback);
            if (openForUnpack(other)) {
                other.close();
                path = fallback;
                file.setFileName(path);
                file.open(QIODevice::WriteOnly);
            }
        }
    }
    if (!file.isOpen())
        throw store::StoreError(
            kErrPathFileAccess,
            QCoreApplication::translate(
                "Pictures", "The picture cannot be shown: the file '%1' cannot be written (%2).")
                .arg(path, file.errorString()));
    bool written = true;
    for (QByteArray chunk = next(); !chunk.isEmpty() && written; chunk = next())
        written = file.write(chunk) == chunk.size();
    file.close();
    QImage picture = written ? readPicture(path, nullptr, shownSize) : QImage();
    QFile::remove(path);
    if (!written)
        throw store::StoreError(
            kErrPathFileAccess,
            QCoreApplication::translate(
                "Pictures",
                "The picture cannot be shown: the file '%1' could not be written "
                "whole (is the disk full?).")
                .arg(path));
    return picture;
}

}  // namespace

QImage unpackPicture(store::Field& image, QString& path, qint64 chunkSize, QSize shownSize) {
    const qint64 size = image.ActualSize();
    qint64 offset = 0;
    return unpackChunks(
        [&] {
            if (offset >= size) return QByteArray();
            offset += chunkSize;
            return image.GetChunk(chunkSize);
        },
        path, shownSize);
}

QImage unpackPicture(const QByteArray& bytes, QString& path, qint64 chunkSize, QSize shownSize) {
    qint64 offset = 0;
    return unpackChunks(
        [&] {
            const QByteArray chunk = bytes.mid(offset, chunkSize);
            offset += chunkSize;
            return chunk;
        },
        path, shownSize);
}
