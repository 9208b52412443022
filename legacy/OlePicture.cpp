#include "OlePicture.h"

#include <QtEndian>
#include <cstring>
#include <optional>

namespace legacy {

namespace {

constexpr quint16 kOleHeaderSignature = 0x1c15;
constexpr quint32 kOle1Version = 0x0501;
constexpr quint32 kOle1Embedded = 2;

quint16 u16(const QByteArray& b, qsizetype at) {
    return qFromLittleEndian<quint16>(b.constData() + at);
}
quint32 u32(const QByteArray& b, qsizetype at) {
    return qFromLittleEndian<quint32>(b.constData() + at);
}

bool startsWith(const QByteArray& b, qsizetype at, const char* sig, qsizetype n) {
    return at >= 0 && at + n <= b.size() && std::memcmp(b.constData() + at, sig, size_t(n)) == 0;
}

// The length of a picture file that starts at `at`, when one does and it ends inside `b`.
std::optional<qsizetype> pictureAt(const QByteArray& b, qsizetype at) {
    const qsizetype rest = b.size() - at;
    if (startsWith(b, at, "BM", 2) && rest >= 26) {
        const quint32 size = u32(b, at + 2);
        const quint32 offset = u32(b, at + 10);
        const quint32 info = u32(b, at + 14);
        if (size >= 26 && size <= quint64(rest) && offset < size &&
            (info == 12 || info == 40 || info == 52 || info == 56 || info == 108 || info == 124))
            return qsizetype(size);
        return std::nullopt;
    }
    if (startsWith(b, at, "\x89PNG\r\n\x1a\n", 8)) {
        // Chunks up to and with IEND.
        qsizetype p = at + 8;
        while (p + 12 <= b.size()) {
            const quint32 length = qFromBigEndian<quint32>(b.constData() + p);
            if (length > quint32(b.size())) return std::nullopt;
            const qsizetype next = p + 12 + qsizetype(length);
            if (next > b.size()) return std::nullopt;
            if (startsWith(b, p + 4, "IEND", 4)) return next - at;
            p = next;
        }
        return std::nullopt;
    }
    if (startsWith(b, at, "\xff\xd8\xff", 3)) {
        const qsizetype end = b.lastIndexOf(QByteArray("\xff\xd9", 2));
        if (end > at) return end + 2 - at;
        return std::nullopt;
    }
    if (startsWith(b, at, "GIF87a", 6) || startsWith(b, at, "GIF89a", 6)) {
        const qsizetype end = b.lastIndexOf(char(0x3b));
        if (end > at + 13) return end + 1 - at;
        return std::nullopt;
    }
    return std::nullopt;
}

// A BITMAPINFOHEADER and its pixels made a BMP file.
std::optional<QByteArray> dibToBmp(const QByteArray& dib) {
    if (dib.size() < 40) return std::nullopt;
    const quint32 header = u32(dib, 0);
    if (header != 40 && header != 52 && header != 56 && header != 108 && header != 124)
        return std::nullopt;
    const quint16 planes = u16(dib, 12);
    const quint16 bits = u16(dib, 14);
    const quint32 compression = u32(dib, 16);
    if (planes != 1 ||
        (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32))
        return std::nullopt;
    quint32 colours = u32(dib, 32);
    if (colours == 0 && bits <= 8) colours = 1u << bits;
    if (colours > 256) return std::nullopt;
    quint32 masks = (header == 40 && compression == 3) ? 12 : 0;
    const quint64 offset = 14 + quint64(header) + masks + quint64(colours) * 4;
    if (offset - 14 > quint64(dib.size())) return std::nullopt;
    QByteArray bmp(14, '\0');
    bmp[0] = 'B';
    bmp[1] = 'M';
    qToLittleEndian(quint32(14 + dib.size()), bmp.data() + 2);
    qToLittleEndian(quint32(offset), bmp.data() + 10);
    return bmp + dib;
}

// The native data of an OLE 1.0 embedded object stream starting at `at`.
std::optional<QByteArray> ole1Native(const QByteArray& b, qsizetype at) {
    if (at + 12 > b.size() || u32(b, at) != kOle1Version || u32(b, at + 4) != kOle1Embedded)
        return std::nullopt;
    qsizetype p = at + 8;
    for (int text = 0; text < 3; ++text) {  // class name, topic, item: counted strings
        if (p + 4 > b.size()) return std::nullopt;
        const quint32 n = u32(b, p);
        if (n > quint32(b.size() - p - 4)) return std::nullopt;
        p += 4 + qsizetype(n);
    }
    if (p + 4 > b.size()) return std::nullopt;
    const quint32 n = u32(b, p);
    if (n > quint32(b.size() - p - 4)) return std::nullopt;
    return b.mid(p + 4, qsizetype(n));
}

}  // namespace

QByteArray unwrapOlePicture(const QByteArray& value) {
    if (value.isEmpty() || pictureAt(value, 0)) return value;
    if (value.size() < 20 || u16(value, 0) != kOleHeaderSignature) return value;
    const quint16 headerSize = u16(value, 2);
    const auto native = ole1Native(value, headerSize);
    if (!native) return value;
    // Paintbrush and bitmap objects hold a BMP file; a package holds the file itself, after its
    // names: the first picture file found is the one.
    for (qsizetype at = 0; at < native->size(); ++at) {
        const char c = native->at(at);
        if (c != 'B' && c != '\x89' && c != '\xff' && c != 'G') continue;
        if (const auto length = pictureAt(*native, at)) return native->mid(at, *length);
    }
    if (const auto bmp = dibToBmp(*native)) return *bmp;
    return value;
}

}  // namespace legacy
