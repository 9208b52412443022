#include "Value.h"

#include <QRegularExpression>
#include <charconv>
#include <cmath>
#include <limits>
#include <unordered_map>

#include "StoreError.h"

namespace store {

namespace {

constexpr const char* kStorageDateFormat = "yyyy-MM-dd HH:mm:ss";

// Ready-made text for the "X cannot be stored in column Y" family of errors.
[[noreturn]] void conversionError(const ColumnInfo& column, const QVariant& value,
                                  const QString& need) {
    QString shown = value.typeId() == QMetaType::QByteArray
                        ? Text::tr("a block of %1 bytes").arg(value.toByteArray().size())
                        : QStringLiteral("\"%1\"").arg(abridged(valueText(value, QLocale::c())));
    throw StoreError(errDataConversion, Text::tr("The value %1 cannot be stored in the column "
                                                 "\"%2\": %3.")
                                            .arg(shown, column.name, need));
}

// U+2212 MINUS SIGN: the minus Swedish, Finnish and Norwegian write, and that text pasted from
// documents often holds whatever the user's locale; read as '-' wherever a sign may stand.
constexpr char16_t kMinusSign = 0x2212;

QString withAsciiMinus(const QString& text) {
    QString t = text;
    t.replace(QChar(kMinusSign), QLatin1Char('-'));
    return t;
}

// Exact decimal text ("-12.3456", no grouping) to ten-thousandths; a fifth decimal rounds
// half away from zero.
std::optional<Currency> plainToCurrency(const QString& text) {
    static const QRegularExpression re(QStringLiteral("^\\s*([+-]?)(\\d*)(?:\\.(\\d*))?\\s*$"));
    const auto m = re.match(text);
    if (!m.hasMatch()) return std::nullopt;
    const QString whole = m.captured(2);
    QString frac = m.captured(3);
    if (whole.isEmpty() && frac.isEmpty()) return std::nullopt;
    bool roundUp = frac.size() > 4 && frac.at(4) >= QLatin1Char('5');
    frac = frac.left(4).leftJustified(4, QLatin1Char('0'));
    qint64 units = 0;
    for (QChar c : whole) {
        if (units > (std::numeric_limits<qint64>::max() - 9) / 10) return std::nullopt;
        units = units * 10 + (c.unicode() - '0');
    }
    if (units > std::numeric_limits<qint64>::max() / Currency::kScale - 1) return std::nullopt;
    qint64 scaled = units * Currency::kScale + frac.toLongLong() + (roundUp ? 1 : 0);
    return Currency{m.captured(1) == QLatin1String("-") ? -scaled : scaled};
}

// Turns the locale's way of writing a number into the plain form, once the locale accepts it.
std::optional<QString> localeToPlain(const QString& text, const QLocale& locale) {
    bool ok = false;
    locale.toDouble(text, &ok);
    if (!ok) return std::nullopt;
    QString plain = text.trimmed();
    plain.remove(locale.groupSeparator());
    plain.replace(locale.decimalPoint(), QStringLiteral("."));
    plain.replace(locale.negativeSign(), QStringLiteral("-"));
    plain.replace(locale.positiveSign(), QStringLiteral("+"));
    return withAsciiMinus(plain);
}

QString localised(QString plain, const QLocale& locale) {
    plain.replace(QLatin1Char('.'), locale.decimalPoint());
    if (plain.startsWith(QLatin1Char('-'))) plain.replace(0, 1, locale.negativeSign());
    return plain;
}

template <typename F>
QString shortestText(F value) {
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, value);
    return QString::fromLatin1(buf, int(res.ptr - buf));
}

QString dateFormatWithFullYear(const QLocale& locale) {
    QString f = locale.dateFormat(QLocale::ShortFormat);
    if (!f.contains(QLatin1String("yyyy"))) f.replace(QLatin1String("yy"), QLatin1String("yyyy"));
    return f;
}

QString timeFormatWithSeconds(const QLocale& locale) {
    QString f = locale.timeFormat(QLocale::ShortFormat);
    if (!f.contains(QLatin1String("ss"))) f.replace(QLatin1String("mm"), QLatin1String("mm:ss"));
    return f;
}

// OLE automation dates count days from 1899-12-30.
QDateTime fromOleDate(double days) {
    const QDateTime base(QDate(1899, 12, 30), QTime(0, 0));
    return base.addMSecs(qint64(std::llround(days * 86400000.0)));
}

std::optional<double> variantToDouble(const QVariant& v) {
    switch (v.typeId()) {
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::Long:
        case QMetaType::ULong:
        case QMetaType::Double:
        case QMetaType::Float:
            return v.toDouble();
        case QMetaType::Bool:
            return v.toBool() ? 1.0 : 0.0;
        default:
            if (v.canConvert<Currency>() && v.metaType() == QMetaType::fromType<Currency>())
                return v.value<Currency>().toDouble();
            return std::nullopt;
    }
}

bool isCurrency(const QVariant& v) {
    return v.metaType() == QMetaType::fromType<Currency>();
}

}  // namespace

char* writePlainCurrency(char* out, qint64 scaled) {
    const bool negative = scaled < 0;
    const quint64 magnitude = negative ? quint64(-(scaled + 1)) + 1 : quint64(scaled);
    if (negative) *out++ = '-';
    out = std::to_chars(out, out + 20, magnitude / quint64(Currency::kScale)).ptr;
    *out++ = '.';
    unsigned frac = unsigned(magnitude % quint64(Currency::kScale));
    char digits[4];
    for (int i = 3; i >= 0; --i, frac /= 10) digits[i] = char('0' + frac % 10);
    int n = 4;
    while (n > 2 && digits[n - 1] == '0') --n;
    for (int i = 0; i < n; ++i) *out++ = digits[i];
    return out;
}

QString Currency::toPlainString() const {
    char text[24];
    return QString::fromLatin1(text, writePlainCurrency(text, scaled) - text);
}

bool isLongType(DataTypeEnum type) {
    return type == adLongVarBinary || type == adLongVarWChar;
}

long ColumnInfo::attributes() const {
    long a = updatable ? long(adFldUpdatable) : 0L;
    if (isLongType(type))
        a |= adFldLong;
    else if (type != adVarWChar)
        a |= adFldFixed;
    if (!notNull) a |= adFldIsNullable | adFldMayBeNull;
    return a;
}

void typeFromDecl(const QString& decl, DataTypeEnum& type, long& definedSize) {
    const QString d = decl.trimmed().toUpper();
    definedSize = 0;
    static const QRegularExpression sized(QStringLiteral("\\(\\s*(\\d+)\\s*\\)"));
    const auto m = sized.match(d);
    const long size = m.hasMatch() ? m.captured(1).toLong() : 0;
    const QString base = d.left(d.indexOf(QLatin1Char('('))).trimmed();

    if (base == QLatin1String("SINGLE") || base == QLatin1String("FLOAT4")) {
        type = adSingle;
    } else if (base == QLatin1String("CURRENCY") || base == QLatin1String("MONEY")) {
        type = adCurrency;
    } else if (base == QLatin1String("DATETIME") || base == QLatin1String("DATE") ||
               base == QLatin1String("TIMESTAMP")) {
        type = adDate;
    } else if (base == QLatin1String("BIT") || base == QLatin1String("BOOLEAN") ||
               base == QLatin1String("YESNO")) {
        type = adBoolean;
    } else if (base == QLatin1String("LONGBINARY") || base.contains(QLatin1String("BLOB")) ||
               base.isEmpty()) {
        type = adLongVarBinary;
    } else if (base == QLatin1String("SMALLINT")) {
        type = adSmallInt;
    } else if (base == QLatin1String("BIGINT")) {
        type = adBigInt;
    } else if (base.contains(QLatin1String("INT"))) {
        type = adInteger;
    } else if (base.contains(QLatin1String("CHAR")) && size > 0) {
        type = adVarWChar;
        definedSize = size;
    } else if (base.contains(QLatin1String("CHAR")) || base.contains(QLatin1String("CLOB")) ||
               base.contains(QLatin1String("TEXT")) || base == QLatin1String("MEMO")) {
        type = adLongVarWChar;
    } else if (base.contains(QLatin1String("REAL")) || base.contains(QLatin1String("FLOA")) ||
               base.contains(QLatin1String("DOUB"))) {
        type = adDouble;
    } else {
        type = adDouble;  // SQLite's NUMERIC affinity
    }
}

QString declForType(DataTypeEnum type, long definedSize) {
    switch (type) {
        case adSmallInt:
            return QStringLiteral("SMALLINT");
        case adInteger:
            return QStringLiteral("INTEGER");
        case adBigInt:
            return QStringLiteral("BIGINT");
        case adSingle:
            return QStringLiteral("SINGLE");
        case adDouble:
            return QStringLiteral("DOUBLE");
        case adCurrency:
            return QStringLiteral("CURRENCY");
        case adDate:
            return QStringLiteral("DATETIME");
        case adBoolean:
            return QStringLiteral("BIT");
        case adVarWChar:
            return QStringLiteral("VARWCHAR(%1)").arg(definedSize > 0 ? definedSize : 255);
        case adLongVarWChar:
            return QStringLiteral("LONGTEXT");
        case adLongVarBinary:
            return QStringLiteral("LONGBINARY");
        default:
            throw StoreError(errInvalidArgument,
                             Text::tr("The data type %1 is not supported.").arg(int(type)));
    }
}

std::optional<qint64> parseInteger(const QString& text, const QLocale& locale) {
    static const QRegularExpression plain(QStringLiteral("^\\s*[+-]?\\d+\\s*$"));
    bool ok = false;
    if (const QString t = withAsciiMinus(text); plain.match(t).hasMatch()) {
        qint64 n = t.trimmed().toLongLong(&ok);
        if (ok) return n;
        return std::nullopt;
    }
    qint64 n = locale.toLongLong(text.trimmed(), &ok);
    if (ok) return n;
    return std::nullopt;
}

std::optional<double> parseNumber(const QString& text, const QLocale& locale) {
    static const QRegularExpression plain(
        QStringLiteral("^\\s*[+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?\\s*$"));
    bool ok = false;
    const QString t = withAsciiMinus(text);
    double d = plain.match(t).hasMatch() ? t.trimmed().toDouble(&ok)
                                         : locale.toDouble(text.trimmed(), &ok);
    if (ok && std::isfinite(d)) return d;
    return std::nullopt;
}

std::optional<Currency> parseCurrency(const QString& text, const QLocale& locale) {
    if (auto c = plainToCurrency(withAsciiMinus(text))) return c;
    QString t = text.trimmed();
    const QString symbol = locale.currencySymbol();
    if (!symbol.isEmpty() && t.contains(symbol)) t = t.remove(symbol).trimmed();
    if (auto plain = localeToPlain(t, locale)) return plainToCurrency(*plain);
    return std::nullopt;
}

std::optional<QDateTime> parseDateTime(const QString& text, const QLocale& locale) {
    const QString t = text.trimmed();
    if (t.isEmpty()) return std::nullopt;
    if (auto d = dateFromStorage(t)) return d;
    QDateTime dt = QDateTime::fromString(t, Qt::ISODate);
    // Dates are kept in local time: an offset ("Z", "+02:00") is taken into it, not dropped.
    if (dt.isValid()) return dt.timeSpec() == Qt::LocalTime ? dt : dt.toLocalTime();
    const QString date = dateFormatWithFullYear(locale);
    const QString time = timeFormatWithSeconds(locale);
    for (const QString& f :
         {date + QLatin1Char(' ') + time, date, locale.dateTimeFormat(QLocale::ShortFormat),
          locale.dateTimeFormat(QLocale::LongFormat), locale.dateFormat(QLocale::ShortFormat),
          locale.dateFormat(QLocale::LongFormat)}) {
        dt = locale.toDateTime(t, f);
        if (dt.isValid()) return dt;
        const QDate d = locale.toDate(t, f);
        if (d.isValid()) return QDateTime(d, QTime(0, 0));
    }
    return std::nullopt;
}

QString abridged(const QString& text, qsizetype chars) {
    if (text.size() <= chars) return text;
    return text.left(chars) + QStringLiteral("\u2026 (%1 characters)").arg(text.size());
}

QString dateToStorage(const QDateTime& dt) {
    return dt.toString(QLatin1String(kStorageDateFormat));
}

std::optional<QDateTime> dateFromStorage(const QString& text) {
    // The stored form itself, read by hand: a table of many rows reads one per row.
    if (text.size() == 19 && text.at(4) == QLatin1Char('-') && text.at(7) == QLatin1Char('-') &&
        text.at(10) == QLatin1Char(' ') && text.at(13) == QLatin1Char(':') &&
        text.at(16) == QLatin1Char(':')) {
        bool ok[6];
        const int y = QStringView(text).mid(0, 4).toInt(&ok[0]);
        const int mo = QStringView(text).mid(5, 2).toInt(&ok[1]);
        const int d = QStringView(text).mid(8, 2).toInt(&ok[2]);
        const int h = QStringView(text).mid(11, 2).toInt(&ok[3]);
        const int mi = QStringView(text).mid(14, 2).toInt(&ok[4]);
        const int sec = QStringView(text).mid(17, 2).toInt(&ok[5]);
        const QDate date(y, mo, d);
        const QTime time(h, mi, sec);
        if (ok[0] && ok[1] && ok[2] && ok[3] && ok[4] && ok[5] && date.isValid() && time.isValid())
            return QDateTime(date, time);
    }
    for (const char* f : {kStorageDateFormat, "yyyy-MM-dd HH:mm:ss.zzz", "yyyy-MM-ddTHH:mm:ss",
                          "yyyy-MM-dd HH:mm", "yyyy-MM-dd"}) {
        QDateTime dt = QDateTime::fromString(text, QLatin1String(f));
        if (dt.isValid()) return dt;
    }
    return std::nullopt;
}

namespace {

// Whether the local clock keeps to 24 hours on `day`, with the same offset from UTC at its start
// and its end: then every time of that day is a local time that QDateTime keeps as given.
bool isPlainLocalDay(qint64 julianDay) {
    // Each thread its own days: a table's dates keep to a few thousand of them. Those of some 270
    // years at most are kept.
    thread_local std::unordered_map<qint64, bool> known;
    const auto it = known.find(julianDay);
    if (it != known.end()) return it->second;
    if (known.size() >= 100000) known.clear();
    const QDate date = QDate::fromJulianDay(julianDay);
    const QDateTime start = date.startOfDay();
    const QDateTime end = date.endOfDay();
    const bool plain = start.isValid() && end.isValid() && start.time() == QTime(0, 0) &&
                       end.time() == QTime(23, 59, 59, 999) && start.msecsTo(end) == 86400000 - 1 &&
                       start.offsetFromUtc() == end.offsetFromUtc();
    known.emplace(julianDay, plain);
    return plain;
}

int digitsAt(const char* p, int n) {
    int value = 0;
    for (int i = 0; i < n; ++i) {
        if (p[i] < '0' || p[i] > '9') return -1;
        value = value * 10 + (p[i] - '0');
    }
    return value;
}

}  // namespace

bool isPlainStoredDate(QByteArrayView text) {
    if (text.size() != 19) return false;
    const char* p = text.data();
    if (p[4] != '-' || p[7] != '-' || p[10] != ' ' || p[13] != ':' || p[16] != ':') return false;
    const int y = digitsAt(p, 4), mo = digitsAt(p + 5, 2), d = digitsAt(p + 8, 2);
    const int h = digitsAt(p + 11, 2), mi = digitsAt(p + 14, 2), sec = digitsAt(p + 17, 2);
    if (y < 1000 || mo < 0 || d < 0 || h < 0 || mi < 0 || sec < 0) return false;
    const QDate date(y, mo, d);
    if (!date.isValid() || !QTime::isValid(h, mi, sec)) return false;
    return isPlainLocalDay(date.toJulianDay());
}

QString valueText(const QVariant& value, const QLocale& locale) {
    if (!value.isValid() || value.isNull()) return QString();
    if (isCurrency(value)) return localised(value.value<Currency>().toPlainString(), locale);
    switch (value.typeId()) {
        case QMetaType::QString:
            return value.toString();
        case QMetaType::Bool:
            return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
        case QMetaType::Int:
        case QMetaType::LongLong:
        case QMetaType::Short:
        case QMetaType::Long:
            return localised(QString::number(value.toLongLong()), locale);
        case QMetaType::UInt:
        case QMetaType::ULongLong:
        case QMetaType::UShort:
        case QMetaType::ULong:
            return QString::number(value.toULongLong());
        case QMetaType::Float:
            return localised(shortestText(value.toFloat()), locale);
        case QMetaType::Double:
            return localised(shortestText(value.toDouble()), locale);
        case QMetaType::QDateTime: {
            const QDateTime dt = value.toDateTime();
            const QString date = locale.toString(dt.date(), dateFormatWithFullYear(locale));
            if (dt.time() == QTime(0, 0)) return date;
            return date + QLatin1Char(' ') +
                   locale.toString(dt.time(), timeFormatWithSeconds(locale));
        }
        case QMetaType::QDate:
            return locale.toString(value.toDate(), dateFormatWithFullYear(locale));
        case QMetaType::QByteArray:
            return binaryText(value.toByteArray().size(), locale);
        default:
            return value.toString();
    }
}

QString binaryText(qint64 bytes, const QLocale& locale) {
    return Text::tr("(picture, %1 bytes)").arg(locale.toString(bytes));
}

QVariant convertForColumn(const ColumnInfo& column, const QVariant& value) {
    if (!value.isValid() || value.isNull()) return QVariant();
    const bool isText = value.typeId() == QMetaType::QString;
    switch (column.type) {
        case adSmallInt:
        case adInteger:
        case adBigInt: {
            std::optional<qint64> n;
            if (isText) {
                n = parseInteger(value.toString());
            } else if (isCurrency(value)) {
                const Currency c = value.value<Currency>();
                if (c.scaled % Currency::kScale == 0) n = c.scaled / Currency::kScale;
            } else if (auto d = variantToDouble(value)) {
                if (std::trunc(*d) == *d && std::fabs(*d) < 9.2e18) n = qint64(*d);
            }
            if (!n) conversionError(column, value, Text::tr("it needs a whole number"));
            const qint64 lo = column.type == adSmallInt  ? -32768
                              : column.type == adInteger ? std::numeric_limits<qint32>::min()
                                                         : std::numeric_limits<qint64>::min();
            const qint64 hi = column.type == adSmallInt  ? 32767
                              : column.type == adInteger ? std::numeric_limits<qint32>::max()
                                                         : std::numeric_limits<qint64>::max();
            if (*n < lo || *n > hi)
                conversionError(column, value,
                                Text::tr("it needs a whole number from %1 to %2").arg(lo).arg(hi));
            if (column.type == adBigInt) return QVariant::fromValue(qint64(*n));
            return QVariant::fromValue(int(*n));
        }
        case adSingle:
        case adDouble: {
            std::optional<double> d =
                isText ? parseNumber(value.toString()) : variantToDouble(value);
            if (!d) conversionError(column, value, Text::tr("it needs a number"));
            if (column.type == adSingle) {
                // Anything that rounds to the largest single fits, as its shortest text does.
                constexpr double kBeyondSingle = 0x1.ffffffp127;
                if (std::fabs(*d) >= kBeyondSingle)
                    conversionError(column, value, Text::tr("the number is too large"));
                return QVariant::fromValue(float(*d));
            }
            return QVariant::fromValue(*d);
        }
        case adCurrency: {
            std::optional<Currency> c;
            if (isCurrency(value)) {
                c = value.value<Currency>();
            } else if (isText) {
                c = parseCurrency(value.toString());
            } else if (value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float) {
                const double d = value.toDouble();
                if (std::isfinite(d) && std::fabs(d) < 9.2e14) c = Currency{std::llround(d * 1e4)};
            } else if (auto d = variantToDouble(value)) {
                const qint64 n = value.toLongLong();
                if (std::fabs(*d) < 9.2e14) c = Currency{n * Currency::kScale};
            }
            if (!c) conversionError(column, value, Text::tr("it needs an amount such as 12.50"));
            return QVariant::fromValue(*c);
        }
        case adDate: {
            std::optional<QDateTime> dt;
            if (value.typeId() == QMetaType::QDateTime)
                dt = value.toDateTime();
            else if (value.typeId() == QMetaType::QDate)
                dt = QDateTime(value.toDate(), QTime(0, 0));
            else if (isText)
                dt = parseDateTime(value.toString());
            else if (auto d = variantToDouble(value))
                dt = fromOleDate(*d);
            if (!dt || !dt->isValid()) conversionError(column, value, Text::tr("it needs a date"));
            // Kept to the second, as stored.
            QDateTime whole = *dt;
            whole.setTime(QTime(dt->time().hour(), dt->time().minute(), dt->time().second()));
            return whole;
        }
        case adBoolean: {
            if (isText) {
                const QString t = value.toString().trimmed().toLower();
                if (t == QLatin1String("true") || t == QLatin1String("yes") ||
                    t == QLatin1String("1") || t == QLatin1String("-1"))
                    return true;
                if (t == QLatin1String("false") || t == QLatin1String("no") ||
                    t == QLatin1String("0"))
                    return false;
                conversionError(column, value, Text::tr("it needs True or False"));
            }
            if (auto d = variantToDouble(value)) return *d != 0.0;
            conversionError(column, value, Text::tr("it needs True or False"));
        }
        case adLongVarBinary:
            if (value.typeId() != QMetaType::QByteArray)
                conversionError(column, value, Text::tr("it needs binary data such as a picture"));
            return value.toByteArray();
        case adVarWChar:
        case adLongVarWChar:
        default: {
            QString text;
            if (isText)
                text = value.toString();
            else if (value.typeId() == QMetaType::QByteArray)
                conversionError(column, value, Text::tr("it needs text"));
            else if (isCurrency(value))
                text = value.value<Currency>().toPlainString();
            else if (value.typeId() == QMetaType::QDateTime)
                text = dateToStorage(value.toDateTime());
            else
                text = valueText(value, QLocale::c());
            if (column.type == adVarWChar && column.definedSize > 0) {
                const qsizetype chars = text.toUcs4().size();
                if (chars > column.definedSize)
                    throw StoreError(
                        errDataConversion,
                        Text::tr("The text for the column \"%1\" is %2 characters long; "
                                 "at most %3 fit.")
                            .arg(column.name)
                            .arg(chars)
                            .arg(column.definedSize));
            }
            return text;
        }
    }
}

}  // namespace store
