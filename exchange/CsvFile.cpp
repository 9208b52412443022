#include "CsvFile.h"

#include <csv.h>
#include <sys/stat.h>

#include <QDateTime>
#include <QLocale>
#include <QStringDecoder>
#include <array>
#include <charconv>
#include <cmath>

#include "ExchangeText.h"
#include "StoreError.h"
#include "Value.h"

namespace exchange {

namespace {

constexpr qint64 kBlock = 64 * 1024;

// The fewest digits that read back to the same value of the same type.
template <typename F>
QString shortest(F value) {
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, value);
    return QString::fromLatin1(buf, int(res.ptr - buf));
}

// Blanks are part of a field: nothing is trimmed.
int noSpace(unsigned char) {
    return 0;
}

}  // namespace

QString csvText(const QVariant& value) {
    if (!value.isValid() || value.isNull()) return QString();
    if (value.metaType() == QMetaType::fromType<store::Currency>())
        return value.value<store::Currency>().toPlainString();
    switch (value.typeId()) {
        case QMetaType::QString:
            return value.toString();
        case QMetaType::Float:
            return shortest(value.toFloat());
        case QMetaType::Double:
            return shortest(value.toDouble());
        case QMetaType::Bool:
            return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
        case QMetaType::QDateTime:
            return store::dateToStorage(value.toDateTime());
        case QMetaType::Int:
        case QMetaType::LongLong:
        case QMetaType::Short:
        case QMetaType::Long:
            return QString::number(value.toLongLong());
        default:
            return value.toString();
    }
}

void appendCsvField(QByteArray& line, const QString& text, bool isNull) {
    if (isNull) return;
    bool quote = text.isEmpty();
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u == ',' || u == ';' || u == '"' || u == '\r' || u == '\n') {
            quote = true;
            break;
        }
    }
    if (!quote) {
        // Encoded straight into the line: a table of many rows writes many fields.
        QStringEncoder encoder(QStringEncoder::Utf8, QStringConverter::Flag::Stateless);
        const qsizetype at = line.size();
        line.resize(at + encoder.requiredSpace(text.size()));
        char* end = encoder.appendToBuffer(line.data() + at, text);
        line.resize(end - line.constData());
        return;
    }
    // libcsv doubles the quotes inside and puts the field in quotes.
    const QByteArray utf8 = text.toUtf8();
    const qsizetype at = line.size();
    line.resize(at + 2 * utf8.size() + 2);
    const size_t written = csv_write(line.data() + at, size_t(line.size() - at), utf8.constData(),
                                     size_t(utf8.size()));
    line.resize(at + qsizetype(written));
}

namespace {

char* twoDigits(char* p, int n) {
    *p++ = char('0' + n / 10);
    *p++ = char('0' + n % 10);
    return p;
}

}  // namespace

void appendCsvValue(QByteArray& line, const QVariant& value) {
    if (!value.isValid() || value.isNull()) return;
    char buf[64];
    char* end = buf;
    const void* data = value.constData();
    if (value.metaType() == QMetaType::fromType<store::Currency>()) {
        end = store::writePlainCurrency(buf, static_cast<const store::Currency*>(data)->scaled);
    } else {
        switch (value.typeId()) {
            case QMetaType::QString:
                appendCsvField(line, *static_cast<const QString*>(data), false);
                return;
            case QMetaType::Int:
                end = std::to_chars(buf, buf + sizeof buf, *static_cast<const int*>(data)).ptr;
                break;
            case QMetaType::LongLong:
                end =
                    std::to_chars(buf, buf + sizeof buf, *static_cast<const qlonglong*>(data)).ptr;
                break;
            case QMetaType::Float:
                end = std::to_chars(buf, buf + sizeof buf, *static_cast<const float*>(data)).ptr;
                break;
            case QMetaType::Double:
                end = std::to_chars(buf, buf + sizeof buf, *static_cast<const double*>(data)).ptr;
                break;
            case QMetaType::QDateTime: {
                const QDateTime& dt = *static_cast<const QDateTime*>(data);
                const QDate d = dt.date();
                const QTime t = dt.time();
                if (d.year() < 1000 || d.year() > 9999) {
                    appendCsvField(line, csvText(value), false);
                    return;
                }
                char* p = std::to_chars(buf, buf + 8, d.year()).ptr;
                *p++ = '-';
                p = twoDigits(p, d.month());
                *p++ = '-';
                p = twoDigits(p, d.day());
                *p++ = ' ';
                p = twoDigits(p, t.hour());
                *p++ = ':';
                p = twoDigits(p, t.minute());
                *p++ = ':';
                end = twoDigits(p, t.second());
                break;
            }
            default:
                appendCsvField(line, csvText(value), false);
                return;
        }
    }
    line.append(buf, end - buf);
}

bool appendStoredCsvValue(QByteArray& line, const store::StoredValue& value,
                          store::DataTypeEnum type) {
    // As the store reads each kind of stored value into each type of column (sql::fromRaw), and
    // appendCsvValue writes what it read.
    char buf[64];
    char* end = buf;
    switch (value.kind) {
        case store::StoredValue::Null:
            return true;
        case store::StoredValue::Integer:
            switch (type) {
                case store::adSingle:
                    end = std::to_chars(buf, buf + sizeof buf, float(value.integer)).ptr;
                    break;
                case store::adDouble:
                    end = std::to_chars(buf, buf + sizeof buf, double(value.integer)).ptr;
                    break;
                case store::adCurrency:
                    end = store::writePlainCurrency(buf, value.integer);
                    break;
                case store::adBoolean:
                    line += value.integer != 0 ? "True" : "False";
                    return true;
                default:
                    end = std::to_chars(buf, buf + sizeof buf, value.integer).ptr;
                    break;
            }
            break;
        case store::StoredValue::Real:
            switch (type) {
                case store::adSingle:
                    end = std::to_chars(buf, buf + sizeof buf, float(value.real)).ptr;
                    break;
                case store::adCurrency:
                    end = store::writePlainCurrency(buf, std::llround(value.real * 1e4));
                    break;
                default:
                    end = std::to_chars(buf, buf + sizeof buf, value.real).ptr;
                    break;
            }
            break;
        case store::StoredValue::Text:
            if (type != store::adDate || !store::isPlainStoredDate(value.bytes)) return false;
            line.append(value.bytes);
            return true;
        default:
            return false;
    }
    line.append(buf, end - buf);
    return true;
}

bool appendAsciiCsvField(QByteArray& line, QByteArrayView text) {
    // Per byte: 1 for what makes a field quoted, 2 for what is not ASCII.
    static constexpr auto kKinds = [] {
        std::array<unsigned char, 256> kinds{};
        for (unsigned char c : {',', ';', '"', '\r', '\n'}) kinds[c] = 1;
        for (int c = 0x80; c < 0x100; ++c) kinds[size_t(c)] = 2;
        return kinds;
    }();
    unsigned char seen = text.isEmpty() ? 1 : 0;
    for (char c : text) seen |= kKinds[static_cast<unsigned char>(c)];
    if (seen & 2) return false;
    const bool quote = seen & 1;
    if (!quote) {
        line.append(text);
        return true;
    }
    const qsizetype at = line.size();
    line.resize(at + 2 * text.size() + 2);
    const size_t written =
        csv_write(line.data() + at, size_t(line.size() - at), text.data(), size_t(text.size()));
    line.resize(at + qsizetype(written));
    return true;
}

bool decodeUtf8(QByteArrayView bytes, QString& text) {
    bool ascii = true;
    for (char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80) {
            ascii = false;
            break;
        }
    if (ascii) {
        text = QString::fromLatin1(bytes);
        return true;
    }
    QStringDecoder decoder(QStringDecoder::Utf8, QStringConverter::Flag::Stateless);
    text = decoder.decode(bytes);
    return !decoder.hasError();
}

CsvReader::CsvReader(const QString& path) : m_file(path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) == 0 && !S_ISREG(st.st_mode))
        throw store::StoreError(kErrFileAccess,
                                Text::tr("'%1' is not an ordinary file (it is a folder, a "
                                         "pipe or a device), so it cannot be read as CSV.")
                                    .arg(path));
    if (!m_file.open(QIODevice::ReadOnly))
        throw store::StoreError(
            kErrFileAccess,
            Text::tr("The file '%1' cannot be read (%2).").arg(path, m_file.errorString()));
    m_size = m_file.size();
    m_parser = new csv_parser;
    csv_init(m_parser, CSV_STRICT | CSV_STRICT_FINI | CSV_REPALL_NL | CSV_EMPTY_IS_NULL);
    csv_set_space_func(m_parser, noSpace);
}

CsvReader::~CsvReader() {
    csv_free(m_parser);
    delete m_parser;
}

void CsvReader::onField(void* data, size_t length, void* self) {
    auto* r = static_cast<CsvReader*>(self);
    Record& record = r->m_building;
    if (record.spans.empty()) record.line = r->m_physicalLine;
    if (r->m_overflow) return;
    if (qsizetype(record.spans.size()) >= kMaxFields || qsizetype(length) > kMaxFieldBytes ||
        record.data.size() + qsizetype(length) > kMaxRecordBytes) {
        // Told once the parser returns: an exception cannot pass through its C code.
        r->m_overflow = true;
        r->m_overflowRow =
            qsizetype(length) <= kMaxFieldBytes && qsizetype(record.spans.size()) < kMaxFields;
        r->m_overflowLine = record.line;
        r->m_overflowField = qsizetype(record.spans.size()) + 1;
        return;
    }
    if (!data) {
        record.spans.emplace_back(record.data.size(), -1);
    } else {
        const auto* bytes = static_cast<const char*>(data);
        record.spans.emplace_back(record.data.size(), qsizetype(length));
        record.data.append(bytes, qsizetype(length));
        // Line breaks kept inside quoted fields move the line count on.
        for (size_t i = 0; i < length; ++i) {
            const char c = bytes[i];
            if (c == '\n' || (c == '\r' && (i + 1 == length || bytes[i + 1] != '\n')))
                ++r->m_physicalLine;
        }
    }
    r->m_lastTerminator = 0;
}

void CsvReader::onRecordEnd(int terminator, void* self) {
    auto* r = static_cast<CsvReader*>(self);
    const bool empty = r->m_building.spans.empty();
    if (!empty) {
        r->m_ready.push_back(std::move(r->m_building));
        r->m_building = r->spareRecord();
    }
    // A CR and the LF after it end one line.
    const bool secondHalf = empty && terminator == '\n' && r->m_lastTerminator == '\r';
    if (terminator == '\r' || terminator == '\n') {
        if (!secondHalf) ++r->m_physicalLine;
        r->m_lastTerminator = secondHalf ? 0 : terminator;
    }
}

CsvReader::Record CsvReader::spareRecord() {
    if (m_spare.empty()) return Record();
    Record record = std::move(m_spare.back());
    m_spare.pop_back();
    record.data.resize(0);
    record.spans.clear();
    record.line = 0;
    return record;
}

void CsvReader::fill() {
    while (m_ready.empty() && !m_atEnd) {
        QByteArray block = m_file.read(kBlock);
        if (block.isEmpty()) {
            if (m_file.error() != QFileDevice::NoError)
                throw store::StoreError(kErrFileAccess,
                                        Text::tr("The file '%1' cannot be read (%2).")
                                            .arg(m_file.fileName(), m_file.errorString()));
            m_atEnd = true;
            if (csv_fini(m_parser, onField, onRecordEnd, this) != 0)
                throw store::StoreError(
                    kErrFileFormat,
                    Text::tr("The file '%1' ends inside a quoted field that begins on "
                             "line %2.")
                        .arg(m_file.fileName())
                        .arg(m_building.line ? m_building.line : m_physicalLine));
            checkBounds();
            break;
        }
        if (m_first) {
            m_first = false;
            if (block.startsWith("\xEF\xBB\xBF")) block.remove(0, 3);
            // The spreadsheet's separator, told by the header line.
            const QByteArray header = block.left(block.indexOf('\n'));
            if (header.count(';') > header.count(',')) m_separator = ';';
            csv_set_delim(m_parser, static_cast<unsigned char>(m_separator));
        }
        if (block.contains('\0'))
            throw store::StoreError(kErrFileFormat,
                                    Text::tr("The file '%1' is not a text file: it holds NUL "
                                             "bytes, so it cannot be CSV.")
                                        .arg(m_file.fileName()));
        const size_t done = csv_parse(m_parser, block.constData(), size_t(block.size()), onField,
                                      onRecordEnd, this);
        if (done != size_t(block.size()))
            throw store::StoreError(
                kErrFileFormat,
                Text::tr("The file '%1' is not CSV as a spreadsheet writes it: %2 on line "
                         "%3 (a quote inside a field that does not begin with one?).")
                    .arg(m_file.fileName(), QString::fromLatin1(csv_strerror(csv_error(m_parser))))
                    .arg(m_physicalLine));
        checkBounds();
    }
}

void CsvReader::checkBounds() {
    if (m_overflow) tooLong(m_overflowLine, m_overflowField);
    // A field still being read counts too: its bytes are held until it ends.
    if (qsizetype(m_parser->entry_pos) > kMaxFieldBytes)
        tooLong(m_building.spans.empty() ? m_physicalLine : m_building.line,
                qsizetype(m_building.spans.size()) + 1);
}

void CsvReader::tooLong(qint64 line, qsizetype field) const {
    if (field > kMaxFields)
        throw store::StoreError(kErrFileFormat,
                                Text::tr("The file '%1' has a row of more than %2 fields on line "
                                         "%3; no parts table has that many columns.")
                                    .arg(m_file.fileName())
                                    .arg(kMaxFields)
                                    .arg(line));
    if (m_overflowRow)
        throw store::StoreError(
            kErrFileFormat,
            Text::tr("The row on line %1 of '%2' is longer than %3 MB, more than any "
                     "parts table holds; the file was not read.")
                .arg(line)
                .arg(m_file.fileName())
                .arg(kMaxRecordBytes / (1024 * 1024)));
    throw store::StoreError(kErrFileFormat,
                            Text::tr("Field %1 on line %2 of '%3' is longer than %4 MB, "
                                     "more than any column holds; the file was not read.")
                                .arg(field)
                                .arg(line)
                                .arg(m_file.fileName())
                                .arg(kMaxFieldBytes / (1024 * 1024)));
}

bool CsvReader::next(std::vector<CsvField>& fields) {
    fill();
    if (m_ready.empty()) return false;
    constexpr size_t kSpareRecords = 1024;
    if (m_spare.size() < kSpareRecords) m_spare.push_back(std::move(m_current));
    m_current = std::move(m_ready.front());
    m_ready.pop_front();
    m_line = m_current.line;
    fields.clear();
    for (const auto& [offset, length] : m_current.spans)
        fields.push_back({length < 0 ? QByteArrayView()
                                     : QByteArrayView(m_current.data.constData() + offset, length),
                          length < 0});
    // Quotes left aside: a little less than the record took in the file.
    m_consumed += m_current.data.size() + qint64(fields.size()) + 1;
    return true;
}

}  // namespace exchange
