#include "JetReader.h"

// libmdb's header needs glib's types first.
#include <glib.h>
#include <mdbtools.h>

#include <QDateTime>
#include <QFileInfo>
#include <QtEndian>
#include <cmath>
#include <cstring>
#include <optional>
#include <set>

#include "JetHeader.h"
#include "Types.h"

namespace legacy {

namespace {

// Room for one value as libmdb writes it out: a memo of 65,535 characters in UTF-8 and more.
constexpr size_t kBindSize = 1 << 20;
constexpr int kOffsetMask = 0x1fff;       // a row's offset on its page, without its flags
constexpr double kFirstJetDay = -657434;  // 0100-01-01
constexpr double kLastJetDay = 2958466;   // 10000-01-01
constexpr int kExtendedDateTime = 0x14;   // Access 2019 and later; libmdb has no name for it
constexpr int kMaxDecimalDigits = 28;
constexpr int kDecimalSize = 17;
constexpr int kExtendedDateSize = 42;
constexpr quint64 kLastExtendedDay = 3652058;  // 9999-12-31, in days since 0001-01-01

JetType typeOf(int code) {
    switch (code) {
        case MDB_BOOL:
            return JetType::Boolean;
        case MDB_BYTE:
            return JetType::Byte;
        case MDB_INT:
            return JetType::Integer;
        case MDB_LONGINT:
            return JetType::LongInteger;
        case MDB_MONEY:
            return JetType::Currency;
        case MDB_FLOAT:
            return JetType::Single;
        case MDB_DOUBLE:
            return JetType::Double;
        case MDB_DATETIME:
            return JetType::DateTime;
        case MDB_BINARY:
            return JetType::Binary;
        case MDB_TEXT:
            return JetType::Text;
        case MDB_OLE:
            return JetType::Ole;
        case MDB_MEMO:
            return JetType::Memo;
        case MDB_REPID:
            return JetType::ReplicationId;
        case MDB_NUMERIC:
            return JetType::Decimal;
        case kExtendedDateTime:
            return JetType::DateTimeExtended;
        default:
            return JetType::Unsupported;
    }
}

QString repIdText(const unsigned char* b) {
    // The first three groups are little-endian numbers, the last two plain bytes.
    return QStringLiteral("{%1-%2-%3-%4-%5}")
        .arg(qFromLittleEndian<quint32>(b), 8, 16, QLatin1Char('0'))
        .arg(qFromLittleEndian<quint16>(b + 4), 4, 16, QLatin1Char('0'))
        .arg(qFromLittleEndian<quint16>(b + 6), 4, 16, QLatin1Char('0'))
        .arg(QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(b + 8), 2).toHex()))
        .arg(QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(b + 10), 6).toHex()))
        .toUpper();
}

// A Decimal as stored: a sign byte (0x80 negative), then the unscaled integer in 128 bits as
// four little-endian 32-bit words, the most significant first. Its digits go into text as they
// are, never through a binary float. Nothing when the bytes make no value of the column.
std::optional<QString> decimalText(const unsigned char* b, int precision, int scale) {
    if (b[0] != 0 && b[0] != 0x80) return std::nullopt;
    unsigned __int128 n = 0;
    for (int word = 0; word < 4; ++word) n = n << 32 | qFromLittleEndian<quint32>(b + 1 + 4 * word);
    QString digits;
    do {
        digits.prepend(QLatin1Char(char('0' + int(n % 10))));
        n /= 10;
    } while (n != 0);
    if (digits.size() > precision) return std::nullopt;
    if (scale > 0) {
        digits = digits.rightJustified(scale + 1, QLatin1Char('0'));
        digits.insert(digits.size() - scale, QLatin1Char('.'));
    }
    return b[0] == 0x80 ? QStringLiteral("-") + digits : digits;
}

// A Date/Time Extended as stored: ASCII digits, 19 of days since 0001-01-01, ':', 19 of the time
// of day in ticks of 100 ns, then ":7" and a zero byte. Rounded to the second as other dates are.
std::optional<QDateTime> extendedDate(const unsigned char* b, bool* outOfRange) {
    *outOfRange = false;
    auto number = [&](int from, quint64* value) {
        *value = 0;
        for (int i = from; i < from + 19; ++i) {
            if (b[i] < '0' || b[i] > '9') return false;
            *value = *value * 10 + quint64(b[i] - '0');
        }
        return true;
    };
    constexpr quint64 kTicksPerSecond = 10000000, kSecondsPerDay = 86400;
    quint64 days = 0, ticks = 0;
    if (!number(0, &days) || b[19] != ':' || !number(20, &ticks) || b[39] != ':' || b[40] != '7' ||
        ticks >= kSecondsPerDay * kTicksPerSecond)
        return std::nullopt;
    quint64 seconds = ticks / kTicksPerSecond + (ticks % kTicksPerSecond >= kTicksPerSecond / 2);
    if (seconds == kSecondsPerDay) {
        // The last tick of 9999 stays in it: the latest moment either kind of date holds.
        if (days == kLastExtendedDay) {
            --seconds;
        } else {
            seconds = 0;
            ++days;
        }
    }
    const QDate date = days < 4000000 ? QDate(1, 1, 1).addDays(qint64(days)) : QDate();
    if (!date.isValid() || date.year() < 100 || date.year() > 9999) {
        *outOfRange = true;
        return std::nullopt;
    }
    return QDateTime(date, QTime(0, 0).addSecs(int(seconds)), Qt::UTC);
}

constexpr quint32 kLengthMask = 0x3fffffff;  // a long value's header: length and two flags
constexpr quint32 kInRow = 0x80000000;       // the value follows its header in the row

// The length a long value's header (memo, OLE) gives, without its flags; nothing when the
// field is too short to hold a header, which only damage makes.
std::optional<size_t> declaredLength(const MdbField& f) {
    if (f.siz < MDB_MEMO_OVERHEAD || !f.value) return std::nullopt;
    return qFromLittleEndian<quint32>(static_cast<const unsigned char*>(f.value)) & kLengthMask;
}

// The bytes of the long value in field `f` of column `col`, read as far as the `declared`
// length: from the row, or from its pages, never from the same page and row twice (a damaged
// chain can loop or run on). Nothing when the value cannot be read whole.
std::optional<QByteArray> readLongValue(MdbHandle* mdb, MdbColumn* col, const MdbField& f,
                                        size_t declared) {
    const auto* field = static_cast<const unsigned char*>(f.value);
    if (qFromLittleEndian<quint32>(field) & kInRow) {
        if (MDB_MEMO_OVERHEAD + declared > size_t(f.siz)) return std::nullopt;
        return QByteArray(reinterpret_cast<const char*>(field) + MDB_MEMO_OVERHEAD,
                          qsizetype(declared));
    }
    unsigned char header[MDB_MEMO_OVERHEAD];
    std::memcpy(header, field, MDB_MEMO_OVERHEAD);
    QByteArray bytes;
    size_t length = mdb_ole_read(mdb, col, header, kBindSize);
    std::set<guint32> followed;
    while (length > 0) {
        if (length > declared - size_t(bytes.size())) return std::nullopt;
        bytes.append(static_cast<const char*>(col->bind_ptr), qsizetype(length));
        if (size_t(bytes.size()) == declared || col->cur_blob_pg_row == 0) break;
        if (!followed.insert(col->cur_blob_pg_row).second) return std::nullopt;
        length = mdb_ole_read_next(mdb, col, header);
    }
    if (size_t(bytes.size()) != declared) return std::nullopt;
    return bytes;
}

}  // namespace

QString jetText(const unsigned char* bytes, int size) {
    QString text;
    // "Unicode compression": after FF FE, one byte a character, a 0 byte switching to two bytes
    // a character (UTF-16) and back.
    if (size >= 2 && bytes[0] == 0xff && bytes[1] == 0xfe) {
        bool compressed = true;
        for (int i = 2; i < size;) {
            if (bytes[i] == 0) {
                compressed = !compressed;
                ++i;
            } else if (compressed) {
                text += QChar(char16_t(bytes[i++]));
            } else if (i + 1 < size) {
                text += QChar(char16_t(bytes[i] | bytes[i + 1] << 8));
                i += 2;
            } else {
                break;
            }
        }
        return text;
    }
    text.reserve(size / 2);
    for (int i = 0; i + 1 < size; i += 2) text += QChar(char16_t(bytes[i] | bytes[i + 1] << 8));
    return text;
}

QString jetTypeName(int code) {
    switch (code) {
        case MDB_BOOL:
            return Text::tr("Yes/No");
        case MDB_BYTE:
            return Text::tr("Byte");
        case MDB_INT:
            return Text::tr("Integer");
        case MDB_LONGINT:
            return Text::tr("Long Integer");
        case MDB_MONEY:
            return Text::tr("Currency");
        case MDB_FLOAT:
            return Text::tr("Single");
        case MDB_DOUBLE:
            return Text::tr("Double");
        case MDB_DATETIME:
            return Text::tr("Date/Time");
        case MDB_BINARY:
            return Text::tr("Binary");
        case MDB_TEXT:
            return Text::tr("Short Text");
        case MDB_OLE:
            return Text::tr("OLE Object");
        case MDB_MEMO:
            return Text::tr("Long Text");
        case MDB_REPID:
            return Text::tr("Replication ID");
        case MDB_NUMERIC:
            return Text::tr("Decimal");
        case MDB_COMPLEX:
            return Text::tr("Attachment or multi-valued field");
        case kExtendedDateTime:
            return Text::tr("Date/Time Extended");
        default:
            return Text::tr("an unknown type (%1)").arg(code);
    }
}

QDateTime jetDate(double days) {
    if (!std::isfinite(days) || days <= kFirstJetDay - 1 || days >= kLastJetDay) return {};
    const double whole = std::trunc(days);
    qint64 seconds = std::llround(std::fabs(days - whole) * 86400.0);
    QDate date = QDate(1899, 12, 30).addDays(qint64(whole));
    if (seconds >= 86400) {  // rounds up to the next midnight
        seconds -= 86400;
        date = date.addDays(1);
    }
    return QDateTime(date, QTime(0, 0).addSecs(int(seconds)), Qt::UTC);
}

struct JetDatabase::Handle {
    MdbHandle* mdb = nullptr;
    ~Handle() {
        if (mdb) mdb_close(mdb);
    }
};

JetDatabase::JetDatabase(const QString& path)
    : m_path(QFileInfo(path).absoluteFilePath()), m_handle(new Handle) {
    const QByteArray native = QFile::encodeName(m_path);
    // Never opened for writing.
    m_handle->mdb = mdb_open(native.constData(), MDB_NOFLAGS);
    if (!m_handle->mdb)
        throw JetError(Text::tr("\"%1\" cannot be opened as a Jet database.").arg(m_path));
    MdbHandle* mdb = m_handle->mdb;
    mdb_set_bind_size(mdb, kBindSize);
    if (!mdb_read_catalog(mdb, MDB_ANY))
        throw JetError(Text::tr("The list of tables in \"%1\" cannot be read; the file is damaged.")
                           .arg(m_path));
    checkCatalogueWhole();
    for (unsigned i = 0; i < mdb->num_catalog; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
        const QString name = QString::fromUtf8(entry->object_name);
        if (entry->object_type == MDB_LINKED_TABLE) {
            m_linked << name;
            continue;
        }
        if (entry->object_type != MDB_TABLE || mdb_is_system_table(entry) ||
            name.startsWith(QLatin1String("MSys"), Qt::CaseInsensitive))
            continue;
        MdbTableDef* def = mdb_read_table(entry);
        if (!def || !mdb_read_columns(def)) {
            if (def) mdb_free_tabledef(def);
            throw JetError(
                Text::tr("The definition of the table \"%1\" in \"%2\" cannot be read; the file "
                         "is damaged.")
                    .arg(name, m_path));
        }
        JetTable table;
        table.name = name;
        table.rowCount = long(def->num_rows);
        table.catalogIndex = int(i);
        for (unsigned c = 0; c < def->num_cols; ++c) {
            auto* col = static_cast<MdbColumn*>(g_ptr_array_index(def->columns, c));
            JetColumn column;
            column.name = QString::fromUtf8(col->name);
            column.jetType = col->col_type;
            column.type = typeOf(col->col_type);
            // Jet 4 and ACE keep two bytes a character.
            if (column.type == JetType::Text)
                column.size =
                    mdb->f->jet_version == MDB_VER_JET3 ? col->col_size : col->col_size / 2;
            column.autoNumber = col->is_long_auto != 0;
            // Jet 3 (Access 97) has no Decimal: one there is damage, and not read as one.
            if (column.type == JetType::Decimal && mdb->f->jet_version != MDB_VER_JET3) {
                // libmdb names the two the other way round: the definition's byte 11 is the
                // precision, byte 12 the scale, as Access writes them and libmdb prints them.
                column.precision = col->col_scale;
                column.scale = col->col_prec;
                // A definition no Decimal can have is left out rather than guessed at.
                if (column.precision < 1 || column.precision > kMaxDecimalDigits ||
                    column.scale > column.precision) {
                    column.type = JetType::Unsupported;
                    column.leftOut = Text::tr(
                        "its definition, a Decimal of no possible precision and scale, is "
                        "damaged");
                }
            } else if (column.type == JetType::Decimal) {
                column.type = JetType::Unsupported;
            }
            if (column.type == JetType::Unsupported && column.leftOut.isEmpty())
                column.leftOut =
                    Text::tr("its type, %1, cannot be converted").arg(jetTypeName(column.jetType));
            table.columns.push_back(column);
        }
        mdb_free_tabledef(def);
        m_tables.push_back(table);
    }
}

JetDatabase::~JetDatabase() = default;

void JetDatabase::checkCatalogueWhole() {
    // A damaged or cut table list reads as a shorter one: its rows are counted against its own
    // definition, and no table may begin past the file's end.
    MdbHandle* mdb = m_handle->mdb;
    auto damaged = [&](const QString& why) {
        return JetError(
            Text::tr("The list of tables in \"%1\" %2; the file is damaged.").arg(m_path, why));
    };
    MdbTableDef* list = mdb_read_table_by_name(mdb, const_cast<gchar*>("MSysObjects"), MDB_TABLE);
    if (!list || !mdb_read_columns(list)) {
        if (list) mdb_free_tabledef(list);
        throw damaged(Text::tr("cannot be read"));
    }
    mdb_rewind_table(list);
    long read = 0;
    while (mdb_fetch_row(list)) ++read;
    const long counted = long(list->num_rows);
    mdb_free_tabledef(list);
    if (read < counted)
        throw damaged(
            Text::tr("cannot be read whole (%1 of its %2 entries)").arg(read).arg(counted));
    const qint64 pages = QFileInfo(m_path).size() / mdb->fmt->pg_size;
    for (unsigned i = 0; i < mdb->num_catalog; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
        if (entry->object_type == MDB_TABLE && qint64(entry->table_pg) >= pages)
            throw damaged(
                Text::tr("names a table past the end of the file, which is cut "
                         "short"));
    }
}

long JetDatabase::readRows(const JetTable& wanted,
                           const std::function<void(long, std::vector<QVariant>&)>& row,
                           const std::function<void(long, size_t, Lost)>& lost) {
    MdbHandle* mdb = m_handle->mdb;
    MdbCatalogEntry* entry =
        wanted.catalogIndex >= 0 && unsigned(wanted.catalogIndex) < mdb->num_catalog
            ? static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, wanted.catalogIndex))
            : nullptr;
    MdbTableDef* table = entry ? mdb_read_table(entry) : nullptr;
    if (!table || !mdb_read_columns(table) || table->num_cols != wanted.columns.size()) {
        if (table) mdb_free_tabledef(table);
        throw JetError(
            Text::tr("The table \"%1\" in \"%2\" cannot be read.").arg(wanted.name, m_path));
    }
    struct Bound {
        MdbTableDef* table;
        std::vector<char*> buffers;
        std::vector<int> lengths;
        ~Bound() {
            for (char* b : buffers) g_free(b);
            mdb_free_tabledef(table);
        }
    } bound{table, {}, std::vector<int>(table->num_cols, 0)};
    // Only texts are taken as libmdb writes them out (and an OLE value's reference to its pages
    // is kept where its reader looks); every other value is read from the row's own bytes.
    for (unsigned c = 0; c < table->num_cols; ++c) {
        const JetType type =
            c < wanted.columns.size() ? wanted.columns[c].type : JetType::Unsupported;
        if (type != JetType::Text && type != JetType::Memo && type != JetType::Ole) {
            bound.buffers.push_back(nullptr);
            continue;
        }
        bound.buffers.push_back(static_cast<char*>(g_malloc0(kBindSize)));
        mdb_bind_column(table, int(c) + 1, bound.buffers.back(), &bound.lengths[c]);
    }
    mdb_rewind_table(table);

    const auto& columns = wanted.columns;
    std::vector<MdbField> fields(std::max<size_t>(columns.size(), 1) + MDB_MAX_COLS);
    std::vector<QVariant> values(columns.size());
    long done = 0;
    auto fault = [&](const QString& why) {
        return JetError(Text::tr("Row %1 of the table \"%2\" in \"%3\" cannot be read: %4.")
                            .arg(done + 1)
                            .arg(wanted.name, m_path, why));
    };
    while (mdb_fetch_row(table)) {
        // The row again, as stored: which values are Null, and the bytes of the fixed ones.
        int start = 0;
        size_t size = 0;
        if (table->cur_row < 1 || mdb_find_row(mdb, int(table->cur_row) - 1, &start, &size) != 0)
            throw fault(Text::tr("it is not where its page says"));
        const int cracked = mdb_crack_row(table, start & kOffsetMask, size, fields.data());
        if (cracked <= 0 || cracked > int(columns.size()))
            throw fault(Text::tr("its values do not fit its columns"));
        // A row written before columns were added holds fewer: the others are Null.
        std::fill(values.begin(), values.end(), QVariant());
        for (size_t c = 0; c < size_t(cracked); ++c) {
            const MdbField& f = fields[c];
            const size_t at = size_t(f.colnum);
            if (at >= columns.size()) throw fault(Text::tr("it names a column the table lacks"));
            const JetColumn& column = columns[at];
            QVariant& v = values[at];
            const unsigned char* raw = mdb->pg_buf + f.start;
            const bool inPage = f.start >= 0 && f.siz >= 0 &&
                                size_t(f.start) + size_t(f.siz) <= size_t(mdb->fmt->pg_size);
            auto need = [&](int bytes) {
                if (!inPage || f.siz < bytes)
                    throw fault(Text::tr("the value of \"%1\" is cut short").arg(column.name));
            };
            if (column.type == JetType::Boolean) {
                // A Yes/No value lives in the row's null mask: set is Yes.
                v = !f.is_null;
                continue;
            }
            if (f.is_null || column.type == JetType::Unsupported) {
                v = QVariant();
                continue;
            }
            switch (column.type) {
                case JetType::Byte:
                    need(1);
                    v = qint64(raw[0]);
                    break;
                case JetType::Integer:
                    need(2);
                    v = qint64(qFromLittleEndian<qint16>(raw));
                    break;
                case JetType::LongInteger:
                    need(4);
                    v = qint64(qFromLittleEndian<qint32>(raw));
                    break;
                case JetType::Currency:
                    need(8);
                    v = QVariant::fromValue(store::Currency{qFromLittleEndian<qint64>(raw)});
                    break;
                case JetType::Single: {
                    need(4);
                    float f32;
                    std::memcpy(&f32, raw, 4);
                    v = f32;
                    break;
                }
                case JetType::Double: {
                    need(8);
                    double f64;
                    std::memcpy(&f64, raw, 8);
                    v = f64;
                    break;
                }
                case JetType::DateTime: {
                    need(8);
                    double days;
                    std::memcpy(&days, raw, 8);
                    const QDateTime dt = jetDate(days);
                    if (!dt.isValid())
                        throw fault(
                            Text::tr("the date in \"%1\" is out of range").arg(column.name));
                    v = dt;
                    break;
                }
                case JetType::ReplicationId:
                    need(16);
                    v = repIdText(raw);
                    break;
                case JetType::Binary:
                    need(0);
                    v = QByteArray(reinterpret_cast<const char*>(raw), f.siz);
                    break;
                case JetType::Text:
                case JetType::Memo: {
                    const int length = bound.lengths[at];
                    if (size_t(length) + 1 >= kBindSize)
                        throw fault(Text::tr("the text in \"%1\" is too long").arg(column.name));
                    // A memo whose header declares text that its pages do not give is damaged.
                    if (column.type == JetType::Memo && length == 0 &&
                        declaredLength(f).value_or(1) > 0) {
                        v = QVariant();
                        lost(done + 1, at, Lost::Unreadable);
                        break;
                    }
                    // Jet 4 and ACE text is UTF-16, characters beyond the Basic Multilingual
                    // Plane included, which libmdb's conversion turns into "?".
                    const bool utf16 = mdb->f->jet_version != MDB_VER_JET3 && inPage;
                    if (utf16 && column.type == JetType::Text) {
                        v = jetText(raw, f.siz);
                    } else if (utf16) {
                        auto* col = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, at));
                        const std::optional<size_t> declared = declaredLength(f);
                        std::optional<QByteArray> bytes;
                        if (declared == size_t(0))
                            bytes = QByteArray();
                        else if (declared)
                            bytes = readLongValue(mdb, col, f, *declared);
                        if (bytes) {
                            v = jetText(reinterpret_cast<const unsigned char*>(bytes->constData()),
                                        int(bytes->size()));
                        } else {
                            v = QVariant();
                            lost(done + 1, at, Lost::Unreadable);
                        }
                    } else {
                        v = QString::fromUtf8(bound.buffers[at], length);
                    }
                    break;
                }
                case JetType::Ole: {
                    auto* col = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, at));
                    const std::optional<size_t> declared = declaredLength(f);
                    std::optional<QByteArray> bytes;
                    if (declared == size_t(0))
                        bytes = QByteArray("");  // an empty object is an empty value
                    else if (declared)
                        bytes = readLongValue(mdb, col, f, *declared);
                    // One that cannot be read whole is none, and said.
                    v = bytes ? QVariant(*bytes) : QVariant();
                    if (!bytes) lost(done + 1, at, Lost::Unreadable);
                    break;
                }
                case JetType::Decimal: {
                    need(kDecimalSize);
                    const std::optional<QString> text =
                        decimalText(raw, column.precision, column.scale);
                    v = text ? QVariant(*text) : QVariant();
                    if (!text) lost(done + 1, at, Lost::Unreadable);
                    break;
                }
                case JetType::DateTimeExtended: {
                    need(kExtendedDateSize);
                    bool outOfRange = false;
                    const std::optional<QDateTime> date = extendedDate(raw, &outOfRange);
                    v = date ? QVariant(*date) : QVariant();
                    if (!date) lost(done + 1, at, outOfRange ? Lost::OutOfRange : Lost::Unreadable);
                    break;
                }
                default:
                    throw fault(Text::tr("the column \"%1\" has a type this program cannot read")
                                    .arg(column.name));
            }
        }
        ++done;
        row(done, values);
    }
    if (done < wanted.rowCount)
        throw JetError(
            Text::tr("The table \"%1\" in \"%2\" could not be read whole: %3 of its %4 rows were "
                     "readable; the file is damaged.")
                .arg(wanted.name, m_path)
                .arg(done)
                .arg(wanted.rowCount));
    return done;
}

}  // namespace legacy
