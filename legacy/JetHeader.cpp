#include "JetHeader.h"

#include <QFile>
#include <QFileInfo>
#include <QtEndian>
#include <array>
#include <cstring>

namespace legacy {

namespace {

constexpr int kSignatureAt = 4;
constexpr int kVersionAt = 0x14;
constexpr int kMaskedAt = 0x18;  // from here the header is scrambled with a fixed key
constexpr int kKeyAt = 0x3e;
constexpr int kPasswordAt = 0x42;
constexpr int kCreatedAt = 0x72;  // Jet 4 and ACE: the creation date, which also masks the password
constexpr int kCatalogPage = 2;   // the definition of the system catalogue
constexpr int kMaxKnownVersion = 6;

void rc4(const std::array<unsigned char, 4>& key, unsigned char* data, int length) {
    unsigned char s[256];
    for (int i = 0; i < 256; ++i) s[i] = static_cast<unsigned char>(i);
    for (int i = 0, j = 0; i < 256; ++i) {
        j = (j + s[i] + key[size_t(i) % key.size()]) & 0xff;
        std::swap(s[i], s[j]);
    }
    for (int n = 0, i = 0, j = 0; n < length; ++n) {
        i = (i + 1) & 0xff;
        j = (j + s[i]) & 0xff;
        std::swap(s[i], s[j]);
        data[n] ^= s[(s[i] + s[j]) & 0xff];
    }
}

QString shown(const QString& path) {
    return QStringLiteral("\"%1\"").arg(QFileInfo(path).absoluteFilePath());
}

}  // namespace

QString JetHeader::formatName() const {
    if (!ace)
        return version == 0 ? Text::tr("Jet 3 (Access 97)") : Text::tr("Jet 4 (Access 2000-2003)");
    return Text::tr("ACE (Access 2007 or later)");
}

std::optional<JetHeader> readJetHeader(const QString& path) {
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) return std::nullopt;
    QByteArray page = file.read(4096);
    if (page.size() < kPasswordAt + 40 || std::memcmp(page.constData(), "\x00\x01\x00\x00", 4) != 0)
        return std::nullopt;
    const bool jet = std::memcmp(page.constData() + kSignatureAt, "Standard Jet DB\0", 16) == 0;
    const bool ace = std::memcmp(page.constData() + kSignatureAt, "Standard ACE DB\0", 16) == 0;
    if (!jet && !ace) return std::nullopt;

    JetHeader h;
    h.ace = ace;
    h.fileSize = file.size();
    auto* bytes = reinterpret_cast<unsigned char*>(page.data());
    // One byte: 0 Jet 3, 1 Jet 4, 2 ACE 12 (2007), 3 ACE 14 (2010), 4 and above later ACE. The
    // bytes after it are not part of the version (Access 2010 writes 3, 1).
    h.version = bytes[kVersionAt];
    h.pageSize = h.version == 0 ? 2048 : 4096;
    const int masked = h.version == 0 ? 126 : 128;
    if (page.size() < kMaskedAt + masked + 8) return h;
    rc4({0xc7, 0xda, 0x39, 0x6b}, bytes + kMaskedAt, masked);
    h.encoded = qFromLittleEndian<quint32>(bytes + kKeyAt) != 0;
    // Jet 3 keeps 20 bytes of password; Jet 4 and ACE 40, masked again by the creation date.
    const int passwordSize = h.version == 0 ? 20 : 40;
    unsigned char mask[4] = {0, 0, 0, 0};
    if (h.version > 0) {
        double created = 0;
        std::memcpy(&created, bytes + kCreatedAt, sizeof created);
        const qint32 whole = (created > -2e9 && created < 2e9) ? qint32(created) : 0;
        qToLittleEndian(whole, mask);
    }
    for (int i = 0; i < passwordSize; ++i)
        if ((bytes[kPasswordAt + i] ^ mask[i % 4]) != 0) h.password = true;
    return h;
}

QString jetFileProblem(const QString& path) {
    if (!QFileInfo::exists(path)) return Text::tr("%1 does not exist.").arg(shown(path));
    const auto h = readJetHeader(path);
    if (!h) return Text::tr("%1 is not a Jet or ACE database file.").arg(shown(path));
    if (h->version < 0 || h->version > kMaxKnownVersion)
        return Text::tr("%1 is a Jet file of an unknown version (%2); it cannot be read.")
            .arg(shown(path))
            .arg(h->version);
    if (h->password)
        return Text::tr(
                   "%1 is protected by a database password. Remove the password in Access, then "
                   "convert it again.")
            .arg(shown(path));
    if (h->encoded)
        return Text::tr("%1 is encrypted. Decrypt it in Access, then convert it again.")
            .arg(shown(path));
    if (h->fileSize < h->pageSize * (kCatalogPage + 1) || h->fileSize % h->pageSize != 0)
        return Text::tr(
                   "%1 is cut short or damaged: its size (%2 bytes) is not a whole number of its "
                   "%3-byte pages.")
            .arg(shown(path))
            .arg(h->fileSize)
            .arg(h->pageSize);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || !file.seek(h->pageSize * kCatalogPage))
        return Text::tr("%1 cannot be read.").arg(shown(path));
    const QByteArray catalog = file.read(2);
    if (catalog.size() != 2 || catalog.at(0) != 0x02 || catalog.at(1) != 0x01)
        return Text::tr("%1 is damaged: its table of contents is not where a Jet file keeps it.")
            .arg(shown(path));
    return QString();
}

}  // namespace legacy
