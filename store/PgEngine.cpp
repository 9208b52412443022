#include "PgEngine.h"

#include <libpq-fe.h>
#include <poll.h>

#include <QDeadlineTimer>
#include <QHash>
#include <QMutex>
#include <QRegularExpression>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <climits>
#include <limits>

#include "Catalog.h"
#include "ServerAddress.h"
#include "StoreError.h"

namespace store::engine {

namespace {

constexpr Oid kByteaOid = 17;
// How long a statement may take on the server, in seconds, unless COGWRIGHT_SERVER_TIMEOUT says.
constexpr int kStatementSeconds = 30;
// Connecting gives up sooner: a server that does not take a login at once is not coming.
constexpr int kConnectSeconds = 10;
constexpr int kFetchRows = 500;
// Pictures larger than this travel in pieces of this size, each in a statement of its own.
constexpr qsizetype kPictureChunk = 1 << 20;

QString quoteIdent(const QString& name) {
    QString q = name;
    q.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

QString qualified(const QString& table) {
    return QStringLiteral("public.") + quoteIdent(table);
}

// One value handed to the server: text, or raw bytes for a picture; never spliced into SQL.
struct Param {
    QByteArray bytes;
    bool null = false;
    bool binary = false;
};

Param paramFor(const QVariant& value) {
    Param p;
    if (!value.isValid() || value.isNull()) {
        p.null = true;
        return p;
    }
    if (value.metaType() == QMetaType::fromType<Currency>()) {
        p.bytes = value.value<Currency>().toPlainString().toLatin1();
        return p;
    }
    char buf[64];
    switch (value.typeId()) {
        case QMetaType::Bool:
            p.bytes = value.toBool() ? "true" : "false";
            break;
        case QMetaType::Float: {
            auto res = std::to_chars(buf, buf + sizeof buf, value.toFloat());
            p.bytes = QByteArray(buf, int(res.ptr - buf));
            break;
        }
        case QMetaType::Double: {
            auto res = std::to_chars(buf, buf + sizeof buf, value.toDouble());
            p.bytes = QByteArray(buf, int(res.ptr - buf));
            break;
        }
        case QMetaType::QDateTime:
            p.bytes = dateToStorage(value.toDateTime()).toLatin1();
            break;
        case QMetaType::QByteArray:
            p.bytes = value.toByteArray();
            p.binary = true;
            break;
        default:
            p.bytes = value.toString().toUtf8();
    }
    return p;
}

Param textParam(const QString& text) {
    return Param{text.toUtf8(), false, false};
}
Param keyParam(qint64 key) {
    return Param{QByteArray::number(key), false, false};
}

// The store's type for a server type (by its oid and modifier).
void typeFromServer(Oid oid, int typmod, DataTypeEnum& type, long& definedSize) {
    definedSize = 0;
    switch (oid) {
        case 21:
            type = adSmallInt;
            break;
        case 23:
            type = adInteger;
            break;
        case 20:
            type = adBigInt;
            break;
        case 700:
            type = adSingle;
            break;
        case 701:
            type = adDouble;
            break;
        case 1700:
            // numeric(p,4) is money to the ten-thousandth; any other numeric is a plain number.
            type = typmod >= 4 && ((typmod - 4) & 0xffff) == 4 ? adCurrency : adDouble;
            break;
        case 1082:
        case 1114:
        case 1184:
            type = adDate;
            break;
        case 16:
            type = adBoolean;
            break;
        case 17:
            type = adLongVarBinary;
            break;
        case 25:
            type = adLongVarWChar;
            break;
        case 1042:
        case 1043:
            type = adVarWChar;
            definedSize = typmod > 4 ? typmod - 4 : 0;
            if (definedSize == 0) type = adLongVarWChar;
            break;
        default:
            type = adVarWChar;
            break;
    }
}

// An amount in the form "-123.4567" (a sign, up to 15 digits, a point and four decimals), without
// a pattern matched for it; nothing for any other form.
std::optional<Currency> plainCurrency(QByteArrayView text) {
    const bool negative = text.startsWith('-');
    const QByteArrayView digits = negative ? text.sliced(1) : text;
    const qsizetype point = digits.size() - 5;
    if (point < 1 || point > 15 || digits[point] != '.') return std::nullopt;
    qint64 scaled = 0;
    for (qsizetype i = 0; i < digits.size(); ++i) {
        if (i == point) continue;
        const char c = digits[i];
        if (c < '0' || c > '9') return std::nullopt;
        scaled = scaled * 10 + (c - '0');
    }
    return Currency{negative ? -scaled : scaled};
}

// A value as the server writes it in text, in the value type of its column.
QVariant fromText(const char* p, int length, DataTypeEnum type) {
    const QByteArray raw = QByteArray::fromRawData(p, length);
    bool ok = false;
    switch (type) {
        case adSmallInt:
        case adInteger: {
            const qint64 n = raw.toLongLong(&ok);
            if (ok)
                return n >= std::numeric_limits<int>::min() && n <= std::numeric_limits<int>::max()
                           ? QVariant::fromValue(int(n))
                           : QVariant::fromValue(n);
            break;
        }
        case adBigInt: {
            const qint64 n = raw.toLongLong(&ok);
            if (ok) return QVariant::fromValue(n);
            break;
        }
        case adSingle: {
            const float f = raw.toFloat(&ok);
            if (ok) return QVariant::fromValue(f);
            break;
        }
        case adDouble: {
            const double d = raw.toDouble(&ok);
            if (ok) return d;
            break;
        }
        case adCurrency:
            // numeric(19,4) as the server writes it: read as parseCurrency reads it.
            if (auto c = plainCurrency(raw)) return QVariant::fromValue(*c);
            if (auto c = parseCurrency(QString::fromLatin1(raw), QLocale::c()))
                return QVariant::fromValue(*c);
            break;
        case adDate: {
            const QString text = QString::fromLatin1(raw);
            if (auto dt = dateFromStorage(text)) return *dt;
            QDateTime dt = QDateTime::fromString(
                QString(text).replace(QLatin1Char(' '), QLatin1Char('T')), Qt::ISODateWithMs);
            if (dt.isValid()) return dt;
            const QDate date = QDate::fromString(text, Qt::ISODate);
            if (date.isValid()) return date.startOfDay();
            break;
        }
        case adBoolean:
            return length > 0 && (p[0] == 't' || p[0] == 'T');
        case adLongVarBinary:
            return QByteArray(p, length);
        default:
            break;
    }
    return QString::fromUtf8(p, length);
}

// A result of the server, freed with its owner.
class Result {
public:
    explicit Result(PGresult* r = nullptr) : m_r(r) {}
    ~Result() { PQclear(m_r); }
    Result(Result&& o) noexcept : m_r(o.m_r) { o.m_r = nullptr; }
    Result& operator=(Result&& o) noexcept {
        std::swap(m_r, o.m_r);
        return *this;
    }
    Result(const Result&) = delete;
    Result& operator=(const Result&) = delete;

    PGresult* get() const { return m_r; }
    int rows() const { return PQntuples(m_r); }
    int columns() const { return PQnfields(m_r); }
    bool isNull(int row, int col) const { return PQgetisnull(m_r, row, col); }
    const char* value(int row, int col) const { return PQgetvalue(m_r, row, col); }
    int length(int row, int col) const { return PQgetlength(m_r, row, col); }
    QString text(int row, int col) const {
        return QString::fromUtf8(value(row, col), length(row, col));
    }
    qint64 int64(int row, int col) const {
        return QByteArray::fromRawData(value(row, col), length(row, col)).toLongLong();
    }
    bool boolean(int row, int col) const { return value(row, col)[0] == 't'; }

private:
    PGresult* m_r;
};

// Passwords typed for a server during this run, by address; in memory only, so that the
// windows that open the same catalogue after the chooser log in without asking again.
// Guarded: a search opens a connection of its own on another thread.
struct TypedPasswords {
    QMutex lock;
    QHash<QString, QByteArray> byAddress;
    QByteArray value(const QString& address) {
        QMutexLocker hold(&lock);
        return byAddress.value(address);
    }
    void insert(const QString& address, const QByteArray& password) {
        QMutexLocker hold(&lock);
        byAddress.insert(address, password);
    }
};
TypedPasswords& typedPasswords() {
    static TypedPasswords passwords;
    return passwords;
}

}  // namespace

// ---- the link to the server ------------------------------------------------------------------

// One connection to the server. A connection that the server or the network dropped is made
// again at the next statement; a statement that fails because of the drop is reported as such.
class PgLink {
public:
    PgLink(const QString& address, const QString& userId, const QString& password);
    ~PgLink() { PQfinish(m_conn); }

    QString display() const { return m_display; }
    // Makes another connection to the same server, logged in the same way, on any thread.
    std::function<std::shared_ptr<PgLink>()> dialer() const {
        return [address = QString::fromUtf8(m_address), user = QString::fromUtf8(m_user),
                password = QString::fromUtf8(m_password)] {
            return std::make_shared<PgLink>(address, user, password);
        };
    }

    Result exec(const QString& sql, const std::vector<Param>& params = {},
                bool binaryResult = false);
    // What a statement returns, without running it: no columns for one that returns no rows.
    Result describe(const QString& sql);
    // COPY ... FROM STDIN: started by the statement, fed in blocks, ended (or abandoned with a
    // reason).
    void copyStart(const QString& sql);
    void copyData(const QByteArray& block);
    void copyEnd(const char* abandoned);
    // COPY ... TO STDOUT: started by the statement, then read a row at a time: false after the
    // last one. The row's bytes (freed with PQfreemem) each arrive within the bound.
    void copyOutStart(const QString& sql);
    bool copyOutRow(char** row, int* length);

    template <typename F>
    void inTransaction(F work) {
        exec(QStringLiteral("BEGIN"));
        m_inTransaction = true;
        try {
            work();
            m_inTransaction = false;
            exec(QStringLiteral("COMMIT"));
        } catch (...) {
            m_inTransaction = false;
            try {
                if (PQstatus(m_conn) == CONNECTION_OK) exec(QStringLiteral("ROLLBACK"));
            } catch (const StoreError&) {
                // the server is gone, and the transaction with it
            }
            throw;
        }
    }

private:
    // The address as given, without a password written into it.
    QString shownAddress() const;
    PGconn* dial() const;
    PGconn* connect();
    // Settings of every new connection; its calls from here on never block.
    void prepare();
    void ensureConnected();
    // Waits until what was sent is out and the answer is in (true), or the bound has passed.
    bool waitReady(const QDeadlineTimer& deadline);
    // The answer to what was just sent (null when nothing could be sent), awaited within the
    // bound; a server that does not answer in time is given up.
    PGresult* awaitResult();
    QDeadlineTimer answerDeadline() const;
    [[noreturn]] void giveUp();
    // What a lost or unanswered statement means for the user's change.
    QString whatWasSaved() const;
    [[noreturn]] void fail(PGresult* r, const QString& sql);

    QByteArray m_address, m_user, m_password;
    QString m_display;
    PGconn* m_conn = nullptr;
    bool m_inTransaction = false;
    QString m_sending;  // the statement last sent
    int m_statementSeconds = kStatementSeconds;
};

PgLink::PgLink(const QString& address, const QString& userId, const QString& password)
    : m_address(address.toUtf8()), m_user(userId.toUtf8()), m_password(password.toUtf8()) {
    if (m_password.isEmpty() && m_user.isEmpty()) m_password = typedPasswords().value(address);
    bool given = false;
    const int seconds = qEnvironmentVariableIntValue("COGWRIGHT_SERVER_TIMEOUT", &given);
    if (given && seconds > 0) m_statementSeconds = seconds;
    connect();
    m_display =
        ServerAddress{QString::fromUtf8(PQhost(m_conn)), QByteArray(PQport(m_conn)).toInt(),
                      QString::fromUtf8(PQdb(m_conn)), QString::fromUtf8(PQuser(m_conn)), QString()}
            .toString();
    if (!m_password.isEmpty() && m_user.isEmpty() && PQconnectionUsedPassword(m_conn)) {
        typedPasswords().insert(address, m_password);
        typedPasswords().insert(m_display, m_password);
    } else if (m_user.isEmpty() && PQconnectionUsedPassword(m_conn) && PQpass(m_conn) &&
               *PQpass(m_conn) && m_display != address) {
        // A password written into the address: the address shown (without it) logs in the same way,
        // as the search's own connection and the other windows use it.
        typedPasswords().insert(m_display, QByteArray(PQpass(m_conn)));
    }
}

QString PgLink::shownAddress() const {
    auto parts = ServerAddress::parse(QString::fromUtf8(m_address));
    if (!parts) return QString::fromUtf8(m_address);  // libpq will say what is wrong with it
    if (parts->password.isEmpty()) return QString::fromUtf8(m_address);
    parts->password.clear();
    return parts->toString();
}

PGconn* PgLink::dial() const {
    const QByteArray connectSeconds =
        QByteArray::number(std::min(kConnectSeconds, m_statementSeconds));
    const QByteArray unacknowledgedMs = QByteArray::number(m_statementSeconds * 1000);
    // Before the address, so that the address can say otherwise: a connection that cannot
    // be made, a network that went away while idle, or data the other end never takes all end
    // within a bound, not when the operating system gives up after many minutes.
    std::vector<const char*> keys{"connect_timeout",     "keepalives",       "keepalives_idle",
                                  "keepalives_interval", "keepalives_count", "tcp_user_timeout",
                                  "application_name",    "dbname",           "client_encoding"};
    std::vector<const char*> values{connectSeconds.constData(),
                                    "1",
                                    "10",
                                    "5",
                                    "3",
                                    unacknowledgedMs.constData(),
                                    "cogwright",
                                    m_address.constData(),
                                    "UTF8"};
    if (!m_user.isEmpty()) {
        keys.push_back("user");
        values.push_back(m_user.constData());
    }
    if (!m_password.isEmpty()) {
        keys.push_back("password");
        values.push_back(m_password.constData());
    }
    keys.push_back(nullptr);
    values.push_back(nullptr);
    return PQconnectdbParams(keys.data(), values.data(), 1);
}

void PgLink::prepare() {
    PQsetnonblocking(m_conn, 1);
    // The server ends a statement that runs too long itself, with the connection intact.
    const QByteArray settings = QByteArrayLiteral(
                                    "SET datestyle = 'ISO, YMD'; SET extra_float_digits = 1; "
                                    "SET statement_timeout = ") +
                                QByteArray::number(m_statementSeconds * 1000);
    PGresult* r = PQsendQuery(m_conn, settings.constData()) ? awaitResult() : nullptr;
    if (PQresultStatus(r) != PGRES_COMMAND_OK) fail(r, QString());
    PQclear(r);
}

PGconn* PgLink::connect() {
    m_conn = dial();
    if (PQstatus(m_conn) == CONNECTION_OK) {
        // Its settings failing (a server gone at once) must not leave the connection open:
        // thrown from the constructor, nothing would close it.
        try {
            prepare();
        } catch (...) {
            PQfinish(m_conn);
            m_conn = nullptr;
            throw;
        }
        return m_conn;
    }
    const QString why = QString::fromUtf8(PQerrorMessage(m_conn)).trimmed();
    const bool needsPassword = PQconnectionNeedsPassword(m_conn);
    PQfinish(m_conn);
    m_conn = nullptr;
    const QString shown = shownAddress();
    if (needsPassword)
        throw StoreError(errLoginFailed,
                         Text::tr("The server at %1 asks for a password.").arg(shown));
    if (why.contains(QLatin1String("password authentication failed")))
        throw StoreError(
            errLoginFailed,
            Text::tr("The server at %1 did not accept the user name and password.").arg(shown));
    throw StoreError(errFileNotFound,
                     Text::tr("Cannot connect to the server at %1: %2").arg(shown, why));
}

void PgLink::ensureConnected() {
    if (PQstatus(m_conn) == CONNECTION_OK) return;
    PQfinish(m_conn);
    m_conn = dial();
    if (PQstatus(m_conn) == CONNECTION_OK) {
        prepare();
        return;
    }
    throw StoreError(
        errConnectionLost,
        Text::tr("The server at %1 cannot be reached: %2 Nothing was read or saved; try again "
                 "when the server is back.")
            .arg(m_display, QString::fromUtf8(PQerrorMessage(m_conn)).trimmed()));
}

QDeadlineTimer PgLink::answerDeadline() const {
    // The server's own limit, and a little more for its answer to arrive.
    return QDeadlineTimer(qint64(m_statementSeconds + m_statementSeconds / 5 + 1) * 1000);
}

bool PgLink::waitReady(const QDeadlineTimer& deadline) {
    for (;;) {
        const int unsent = PQflush(m_conn);
        if (unsent < 0) return true;  // broken: PQgetResult says how
        if (unsent == 0 && !PQisBusy(m_conn)) return true;
        pollfd fd{PQsocket(m_conn), short(POLLIN | (unsent > 0 ? POLLOUT : 0)), 0};
        if (fd.fd < 0) return true;
        const qint64 left = deadline.remainingTime();
        if (left <= 0) return false;
        const int n = ::poll(&fd, 1, int(std::min<qint64>(left, INT_MAX)));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return n < 0;
        if ((fd.revents & (POLLIN | POLLERR | POLLHUP)) && !PQconsumeInput(m_conn)) return true;
    }
}

PGresult* PgLink::awaitResult() {
    const QDeadlineTimer deadline = answerDeadline();
    PGresult* kept = nullptr;
    for (;;) {
        if (!waitReady(deadline)) {
            PQclear(kept);
            giveUp();
        }
        PGresult* r = PQgetResult(m_conn);
        if (!r) return kept;
        if (PQresultStatus(r) == PGRES_COPY_IN || PQresultStatus(r) == PGRES_COPY_OUT) {
            PQclear(kept);
            return r;
        }
        // Of several answers the last counts, unless an earlier one was an error.
        if (kept && PQresultStatus(kept) == PGRES_FATAL_ERROR) {
            PQclear(r);
        } else {
            PQclear(kept);
            kept = r;
        }
    }
}

QString PgLink::whatWasSaved() const {
    // A COMMIT, or a change outside a transaction, may have been carried out by a server that
    // answered too late or lost the connection just after: then nobody can say.
    static const QRegularExpression write(
        QStringLiteral("^\\s*(COMMIT|INSERT|UPDATE|DELETE|CREATE|DROP|ALTER)\\b"),
        QRegularExpression::CaseInsensitiveOption);
    if (!m_inTransaction && write.match(m_sending).hasMatch())
        return Text::tr(
            "Whether this action's change was saved is not known: look at the "
            "record again before you save it again.");
    return Text::tr("Nothing was saved by this action.");
}

void PgLink::giveUp() {
    // Whatever the server does with the statement now, nobody waits for it: the connection is
    // closed, and the next action connects again.
    PQfinish(m_conn);
    m_conn = nullptr;
    throw StoreError(errConnectionLost,
                     Text::tr("The server at %1 did not answer within %2 seconds. %3 The "
                              "next action connects again.")
                         .arg(m_display.isEmpty() ? shownAddress() : m_display)
                         .arg(m_statementSeconds + m_statementSeconds / 5 + 1)
                         .arg(whatWasSaved()));
}

void PgLink::fail(PGresult* r, const QString& sql) {
    Q_UNUSED(sql);
    const QString message =
        QString::fromUtf8(r ? PQresultErrorField(r, PG_DIAG_MESSAGE_PRIMARY) : nullptr);
    const QString why =
        message.isEmpty() ? QString::fromUtf8(PQerrorMessage(m_conn)).trimmed() : message;
    const QByteArray state = r ? QByteArray(PQresultErrorField(r, PG_DIAG_SQLSTATE)) : QByteArray();
    PQclear(r);
    if (PQstatus(m_conn) != CONNECTION_OK || state.startsWith("08") || state.startsWith("57P"))
        throw StoreError(
            errConnectionLost,
            Text::tr("The connection to the server at %1 was lost (%2). %3 The next action "
                     "connects again.")
                .arg(m_display.isEmpty() ? shownAddress() : m_display, why, whatWasSaved()));
    if (state == "57014")
        throw StoreError(errEngine, Text::tr("The server did not finish within %1 seconds: %2.")
                                        .arg(m_statementSeconds)
                                        .arg(why));
    if (state == "42P01")
        throw StoreError(errTableNotFound, Text::tr("The server says: %1.").arg(why));
    if (state == "42501")
        throw StoreError(errEngine, Text::tr("The server does not allow this: %1.").arg(why));
    if (state.startsWith("22"))
        throw StoreError(errDataConversion, Text::tr("The server refused a value: %1.").arg(why));
    throw StoreError(errEngine,
                     Text::tr("The server could not carry out the operation: %1.").arg(why));
}

Result PgLink::exec(const QString& sql, const std::vector<Param>& params, bool binaryResult) {
    ensureConnected();
    const QByteArray text = sql.toUtf8();
    std::vector<const char*> values;
    std::vector<int> lengths, formats;
    std::vector<Oid> types;
    for (const Param& p : params) {
        values.push_back(p.null ? nullptr : (p.bytes.isNull() ? "" : p.bytes.constData()));
        lengths.push_back(int(p.bytes.size()));
        formats.push_back(p.binary ? 1 : 0);
        types.push_back(p.binary ? kByteaOid : 0);
    }
    m_sending = sql;
    auto run = [&] {
        return PQsendQueryParams(m_conn, text.constData(), int(params.size()), types.data(),
                                 values.data(), lengths.data(), formats.data(),
                                 binaryResult ? 1 : 0)
                   ? awaitResult()
                   : nullptr;
    };
    PGresult* r = run();
    // A connection the server dropped while it lay idle (a restart) is noticed only now; a
    // read is simply asked again on a new one. Writes are not repeated: the user decides.
    if (PQstatus(m_conn) != CONNECTION_OK && !m_inTransaction &&
        sql.startsWith(QLatin1String("SELECT"))) {
        PQclear(r);
        ensureConnected();
        r = run();
    }
    const ExecStatusType status = PQresultStatus(r);
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) fail(r, sql);
    return Result(r);
}

void PgLink::copyStart(const QString& sql) {
    ensureConnected();
    PGresult* r = PQsendQuery(m_conn, sql.toUtf8().constData()) ? awaitResult() : nullptr;
    if (PQresultStatus(r) != PGRES_COPY_IN) fail(r, sql);
    PQclear(r);
}

void PgLink::copyData(const QByteArray& block) {
    // Each block must get through within the bound, however long the whole copy takes.
    const QDeadlineTimer deadline = answerDeadline();
    int queued;
    while ((queued = PQputCopyData(m_conn, block.constData(), int(block.size()))) == 0)
        if (!waitReady(deadline)) giveUp();
    if (queued < 0) fail(nullptr, QString());
    if (!waitReady(deadline)) giveUp();
}

void PgLink::copyOutStart(const QString& sql) {
    ensureConnected();
    m_sending = sql;
    PGresult* r = PQsendQuery(m_conn, sql.toUtf8().constData()) ? awaitResult() : nullptr;
    if (PQresultStatus(r) != PGRES_COPY_OUT) fail(r, sql);
    PQclear(r);
}

bool PgLink::copyOutRow(char** row, int* length) {
    const QDeadlineTimer deadline = answerDeadline();
    for (;;) {
        const int n = PQgetCopyData(m_conn, row, 1);
        if (n > 0) {
            *length = n;
            return true;
        }
        if (n == -1) {
            PGresult* r = awaitResult();
            if (PQresultStatus(r) != PGRES_COMMAND_OK) fail(r, QString());
            PQclear(r);
            return false;
        }
        if (n < -1) fail(nullptr, QString());
        pollfd fd{PQsocket(m_conn), POLLIN, 0};
        const qint64 left = deadline.remainingTime();
        if (fd.fd < 0 || left <= 0) giveUp();
        const int ready = ::poll(&fd, 1, int(std::min<qint64>(left, INT_MAX)));
        if (ready < 0 && errno == EINTR) continue;
        if (ready == 0) giveUp();
        if (!PQconsumeInput(m_conn)) fail(nullptr, QString());
    }
}

void PgLink::copyEnd(const char* abandoned) {
    const QDeadlineTimer deadline = answerDeadline();
    while (PQputCopyEnd(m_conn, abandoned) == 0)
        if (!waitReady(deadline)) giveUp();
    PGresult* r = awaitResult();
    if (PQresultStatus(r) != PGRES_COMMAND_OK && !abandoned) fail(r, QString());
    PQclear(r);
}

Result PgLink::describe(const QString& sql) {
    ensureConnected();
    PGresult* r =
        PQsendPrepare(m_conn, "", sql.toUtf8().constData(), 0, nullptr) ? awaitResult() : nullptr;
    if (PQresultStatus(r) != PGRES_COMMAND_OK) {
        if (QByteArray(PQresultErrorField(r, PG_DIAG_SQLSTATE)) == "42601" &&
            QByteArray(PQresultErrorField(r, PG_DIAG_MESSAGE_PRIMARY))
                .contains("multiple commands")) {
            PQclear(r);
            throw StoreError(errInvalidArgument,
                             Text::tr("Only one statement can be run at a time."));
        }
        fail(r, sql);
    }
    PQclear(r);
    r = PQsendDescribePrepared(m_conn, "") ? awaitResult() : nullptr;
    if (PQresultStatus(r) != PGRES_COMMAND_OK) fail(r, sql);
    return Result(r);
}

namespace {

struct ServerColumn {
    ColumnInfo info;
    QString serverType;  // as the server writes it: "character varying(50)"
    QString sequence;    // the counter behind an identity or serial column
};

// The table's name as the server spells it: an exact match first, then one without regard to case.
QString findTable(PgLink& link, const QString& name) {
    Result r = link.exec(
        QStringLiteral(
            "SELECT c.relname FROM pg_class c JOIN pg_namespace n ON n.oid = c.relnamespace "
            "WHERE n.nspname = 'public' AND c.relkind IN ('r','p') "
            "AND lower(c.relname) = lower($1) ORDER BY c.relname = $1 DESC, c.oid"),
        {textParam(name)});
    if (r.rows() == 0)
        throw StoreError(errTableNotFound,
                         Text::tr("The table '%1' cannot be found in the database %2.")
                             .arg(name, link.display()));
    return r.text(0, 0);
}

std::vector<ServerColumn> serverColumns(PgLink& link, const QString& table) {
    Result r = link.exec(
        QStringLiteral(
            "SELECT a.attname, a.atttypid::int8, a.atttypmod, a.attnotnull, "
            "EXISTS (SELECT 1 FROM pg_index i WHERE i.indrelid = c.oid AND i.indisprimary AND "
            "a.attnum = ANY (i.indkey)), "
            "(SELECT count(*) FROM pg_index i, unnest(i.indkey) k WHERE i.indrelid = c.oid AND "
            "i.indisprimary), "
            "coalesce(pg_get_serial_sequence(format('public.%I', c.relname), a.attname), ''), "
            "format_type(a.atttypid, a.atttypmod) "
            "FROM pg_attribute a JOIN pg_class c ON c.oid = a.attrelid JOIN pg_namespace n ON "
            "n.oid = c.relnamespace "
            "WHERE n.nspname = 'public' AND c.relname = $1 AND a.attnum > 0 AND NOT a.attisdropped "
            "ORDER BY a.attnum"),
        {textParam(table)});
    std::vector<ServerColumn> cols;
    for (int i = 0; i < r.rows(); ++i) {
        ServerColumn c;
        c.info.name = r.text(i, 0);
        typeFromServer(Oid(r.int64(i, 1)), int(r.int64(i, 2)), c.info.type, c.info.definedSize);
        c.info.notNull = r.boolean(i, 3);
        c.info.primaryKey = r.boolean(i, 4) && r.int64(i, 5) == 1;
        c.sequence = r.text(i, 6);
        c.info.autoIncrement = !c.sequence.isEmpty();
        c.serverType = r.text(i, 7);
        c.info.declType = c.serverType;
        cols.push_back(c);
    }
    return cols;
}

// ---- a table under a keyset ----------------------------------------------------------------

class PgTable : public TableAccess {
public:
    PgTable(std::shared_ptr<PgLink> link, const QString& table);
    std::vector<qint64> readKeys() override;
    bool readRow(qint64 key, std::vector<QVariant>& values) override;
    qint64 reserveKey() override;
    qint64 insert(const std::vector<size_t>& assigned, std::vector<QVariant>& values,
                  QVariant& givenKey) override;
    void update(qint64 key, const std::vector<size_t>& assigned,
                const std::vector<QVariant>& values) override;
    void remove(qint64 key) override;

private:
    qint64 nextKey();
    QString keyName() const { return quoteIdent(cols[size_t(keyColumn)].name); }
    // The first piece of a large picture goes in the row's own statement; these add the rest.
    Param firstPiece(const QVariant& value) const;
    void appendPieces(qint64 key, const std::vector<size_t>& assigned,
                      const std::vector<QVariant>& values);
    bool readPieces(qint64 key, const QByteArray& version, size_t col, qint64 length,
                    QVariant& value);
    // The version a write of this key must find: the one read, or none that can match.
    Param readVersionOf(qint64 key) const;
    // Why a write that found no row of the version read did nothing; `undone` ends the message.
    [[noreturn]] void refuseStale(qint64 key, const QString& undone);

    std::shared_ptr<PgLink> m_link;
    QString m_sequence;
    QString m_rowSql;
    qint64 m_readKey = 0;
    QByteArray m_readVersion;  // the row version (xmin) of the row last read
};

PgTable::PgTable(std::shared_ptr<PgLink> link, const QString& table) : m_link(std::move(link)) {
    name = table;
    for (const ServerColumn& c : serverColumns(*m_link, table)) {
        if (c.info.primaryKey &&
            (c.info.type == adInteger || c.info.type == adBigInt || c.info.type == adSmallInt)) {
            keyColumn = int(cols.size());
            autoIncrement = c.info.autoIncrement;
            m_sequence = c.sequence;
        }
        cols.push_back(c.info);
    }
    if (keyColumn < 0)
        throw StoreError(
            errNotSupported,
            Text::tr("The table '%1' cannot be opened for editing: it has no whole-number key.")
                .arg(table));
    cols[size_t(keyColumn)].notNull = true;
    // Pictures come back as their bytes (a large one only as its length, to be read in pieces),
    // everything else as the server's text for it.
    QString list = QStringLiteral("xmin::text");
    QString lengths;
    for (const ColumnInfo& c : cols) {
        const QString q = quoteIdent(c.name);
        if (c.type == adLongVarBinary) {
            list += QStringLiteral(",CASE WHEN octet_length(%1) <= %2 THEN %1 END")
                        .arg(q)
                        .arg(kPictureChunk);
            lengths += QStringLiteral(",octet_length(%1)::text").arg(q);
        } else {
            list += QLatin1Char(',') + q + QStringLiteral("::text");
        }
    }
    list += lengths;
    m_rowSql =
        QStringLiteral("SELECT %1 FROM %2 WHERE %3 = $1").arg(list, qualified(table), keyName());
}

std::vector<qint64> PgTable::readKeys() {
    Result r = m_link->exec(
        QStringLiteral("SELECT %1 FROM %2 ORDER BY 1").arg(keyName(), qualified(name)));
    std::vector<qint64> keys;
    keys.reserve(size_t(r.rows()));
    for (int i = 0; i < r.rows(); ++i) keys.push_back(r.int64(i, 0));
    return keys;
}

bool PgTable::readRow(qint64 key, std::vector<QVariant>& values) {
    // What is remembered of the last row read changes only once this one is read whole: a read
    // that fails leaves the next update compared with the row read before.
    Result r = m_link->exec(m_rowSql, {keyParam(key)}, true);
    if (r.rows() == 0) {
        m_readKey = key;
        m_readVersion.clear();
        return false;
    }
    const QByteArray version(r.value(0, 0), r.length(0, 0));
    std::vector<QVariant> row(cols.size());
    int lengthAt = int(cols.size()) + 1;
    for (size_t i = 0; i < cols.size(); ++i) {
        const int col = int(i) + 1;
        row[i] = r.isNull(0, col) ? QVariant()
                                  : fromText(r.value(0, col), r.length(0, col), cols[i].type);
        if (cols[i].type != adLongVarBinary) continue;
        const int at = lengthAt++;
        if (r.isNull(0, at) || r.int64(0, at) <= kPictureChunk) continue;
        // Read in pieces of the same row version; a save by someone else in between starts over.
        if (!readPieces(key, version, i, r.int64(0, at), row[i])) return readRow(key, values);
    }
    m_readKey = key;
    m_readVersion = version;
    values = std::move(row);
    return true;
}

bool PgTable::readPieces(qint64 key, const QByteArray& version, size_t col, qint64 length,
                         QVariant& value) {
    QByteArray bytes;
    bytes.reserve(length);
    const QString sql =
        QStringLiteral(
            "SELECT substring(%1 FROM $2 FOR $3) FROM %2 WHERE %3 = $1 AND xmin = $4::text::xid")
            .arg(quoteIdent(cols[col].name), qualified(name), keyName());
    for (qint64 at = 0; at < length; at += kPictureChunk) {
        Result piece = m_link->exec(sql,
                                    {keyParam(key), keyParam(at + 1), keyParam(kPictureChunk),
                                     Param{version, false, false}},
                                    true);
        if (piece.rows() == 0) return false;
        bytes.append(piece.value(0, 0), piece.length(0, 0));
    }
    value = bytes;
    return true;
}

Param PgTable::firstPiece(const QVariant& value) const {
    Param p = paramFor(value);
    if (p.binary && p.bytes.size() > kPictureChunk) p.bytes.truncate(kPictureChunk);
    return p;
}

void PgTable::appendPieces(qint64 key, const std::vector<size_t>& assigned,
                           const std::vector<QVariant>& values) {
    for (size_t i : assigned) {
        if (cols[i].type != adLongVarBinary || values[i].typeId() != QMetaType::QByteArray)
            continue;
        const QByteArray bytes = values[i].toByteArray();
        const QString sql = QStringLiteral("UPDATE %1 SET %2 = %2 || $1 WHERE %3 = $2")
                                .arg(qualified(name), quoteIdent(cols[i].name), keyName());
        for (qsizetype at = kPictureChunk; at < bytes.size(); at += kPictureChunk)
            m_link->exec(sql, {Param{bytes.mid(at, kPictureChunk), false, true}, keyParam(key)});
    }
}

qint64 PgTable::nextKey() {
    if (!m_sequence.isEmpty()) {
        // A number drawn from the counter is never handed out again, even if it goes unused.
        Result r =
            m_link->exec(QStringLiteral("SELECT nextval($1::regclass)"), {textParam(m_sequence)});
        return r.int64(0, 0);
    }
    Result r = m_link->exec(
        QStringLiteral("SELECT coalesce(max(%1), 0) + 1 FROM %2").arg(keyName(), qualified(name)));
    return r.int64(0, 0);
}

qint64 PgTable::reserveKey() {
    return nextKey();
}

qint64 PgTable::insert(const std::vector<size_t>& assigned, std::vector<QVariant>& values,
                       QVariant& givenKey) {
    qint64 key = 0;
    m_link->inTransaction([&] {
        if (givenKey.isValid() && values[size_t(keyColumn)] == givenKey) {
            Result taken = m_link->exec(
                QStringLiteral("SELECT 1 FROM %1 WHERE %2 = $1").arg(qualified(name), keyName()),
                {keyParam(givenKey.toLongLong())});
            if (taken.rows() > 0) {
                const qint64 fresh = nextKey();
                givenKey = fresh <= std::numeric_limits<int>::max() ? QVariant(int(fresh))
                                                                    : QVariant(fresh);
                values[size_t(keyColumn)] = givenKey;
            }
        }
        QString names, marks;
        std::vector<Param> params;
        for (size_t i : assigned) {
            if (!names.isEmpty()) {
                names += QLatin1Char(',');
                marks += QLatin1Char(',');
            }
            names += quoteIdent(cols[i].name);
            params.push_back(firstPiece(values[i]));
            marks += QLatin1Char('$') + QString::number(params.size());
        }
        Result r = m_link->exec(assigned.empty()
                                    ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES RETURNING %2")
                                          .arg(qualified(name), keyName())
                                    : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3) RETURNING %4")
                                          .arg(qualified(name), names, marks, keyName()),
                                params);
        key = r.int64(0, 0);
        appendPieces(key, assigned, values);
    });
    return key;
}

void PgTable::update(qint64 key, const std::vector<size_t>& assigned,
                     const std::vector<QVariant>& values) {
    QString sets;
    std::vector<Param> params;
    for (size_t i : assigned) {
        if (!sets.isEmpty()) sets += QLatin1Char(',');
        params.push_back(firstPiece(values[i]));
        sets += quoteIdent(cols[i].name) + QStringLiteral("=$") + QString::number(params.size());
    }
    params.push_back(keyParam(key));
    const int keyAt = int(params.size());
    params.push_back(readVersionOf(key));
    // The row is written only while it is the version that was read: the server gives a row a
    // new xmin at every change, so another user's save or delete leaves nothing to update here.
    // One transaction: a large picture's pieces and the rest of the record are saved together.
    bool written = false;
    m_link->inTransaction([&] {
        Result r = m_link->exec(
            QStringLiteral("UPDATE %1 SET %2 WHERE %3 = $%4 AND xmin = $%5::text::xid RETURNING 1")
                .arg(qualified(name), sets, keyName())
                .arg(keyAt)
                .arg(keyAt + 1),
            params);
        written = r.rows() > 0;
        if (written) appendPieces(key, assigned, values);
    });
    if (written) return;
    refuseStale(key, Text::tr("nothing was saved"));
}

Param PgTable::readVersionOf(qint64 key) const {
    const bool known = key == m_readKey && !m_readVersion.isEmpty();
    return Param{known ? m_readVersion : QByteArray("0"), false, false};
}

void PgTable::refuseStale(qint64 key, const QString& undone) {
    Result still = m_link->exec(
        QStringLiteral("SELECT 1 FROM %1 WHERE %2 = $1").arg(qualified(name), keyName()),
        {keyParam(key)});
    if (still.rows() == 0)
        throw StoreError(errRecordDeleted,
                         Text::tr("The record was deleted from the table '%1' by another "
                                  "user since it was shown; %2.")
                             .arg(name, undone));
    throw StoreError(errRecordChanged,
                     Text::tr("The record was changed in the table '%1' by another user "
                              "since it was shown; %2.")
                         .arg(name, undone));
}

void PgTable::remove(qint64 key) {
    // Only the version that was shown is deleted, as only that one is updated.
    Result r = m_link->exec(
        QStringLiteral("DELETE FROM %1 WHERE %2 = $1 AND xmin = $2::text::xid RETURNING 1")
            .arg(qualified(name), keyName()),
        {keyParam(key), readVersionOf(key)});
    if (r.rows() == 0) refuseStale(key, Text::tr("nothing was deleted"));
}

// ---- a statement read forward --------------------------------------------------------------

class PgQuery : public Query {
public:
    PgQuery(std::shared_ptr<PgLink> link, const QString& sql);
    ~PgQuery() override;
    bool next(std::vector<QVariant>* values) override;
    QVariant value(int col) const override;
    void rewind() override;

private:
    void declare();
    void closeCursor();

    std::shared_ptr<PgLink> m_link;
    QString m_sql;
    QString m_cursor;
    bool m_open = false;
    Result m_batch;
    int m_row = -1;
    bool m_last = false;
};

std::atomic<int> gCursorCount{0};

// The read-only columns a described statement returns.
std::vector<ColumnInfo> columnsOf(const Result& shape) {
    std::vector<ColumnInfo> cols;
    for (int i = 0; i < shape.columns(); ++i) {
        ColumnInfo c;
        c.name = QString::fromUtf8(PQfname(shape.get(), i));
        typeFromServer(PQftype(shape.get(), i), PQfmod(shape.get(), i), c.type, c.definedSize);
        c.updatable = false;
        cols.push_back(c);
    }
    return cols;
}

PgQuery::PgQuery(std::shared_ptr<PgLink> link, const QString& sql)
    : m_link(std::move(link)), m_sql(sql) {
    Result shape = m_link->describe(sql);
    if (shape.columns() == 0) {
        m_link->exec(sql);
        return;
    }
    cols = columnsOf(shape);
    m_cursor = QStringLiteral("cogwright_rows_%1").arg(++gCursorCount);
    declare();
}

PgQuery::~PgQuery() {
    try {
        closeCursor();
    } catch (const StoreError&) {
        // the server is gone, and the cursor with it
    }
}

void PgQuery::declare() {
    // A held cursor lives outside a transaction, so the rows arrive in batches while the
    // connection goes on being used for other statements.
    m_link->exec(
        QStringLiteral("DECLARE %1 NO SCROLL CURSOR WITH HOLD FOR %2").arg(m_cursor, m_sql));
    m_open = true;
    m_batch = Result();
    m_row = -1;
    m_last = false;
}

void PgQuery::closeCursor() {
    if (!m_open) return;
    m_open = false;
    m_link->exec(QStringLiteral("CLOSE %1").arg(m_cursor));
}

bool PgQuery::next(std::vector<QVariant>* values) {
    if (!m_open) return false;
    ++m_row;
    if (!m_batch.get() || m_row >= m_batch.rows()) {
        if (m_last) return false;
        m_batch = m_link->exec(QStringLiteral("FETCH %1 FROM %2").arg(kFetchRows).arg(m_cursor));
        m_row = 0;
        m_last = m_batch.rows() < kFetchRows;
        if (m_batch.rows() == 0) return false;
    }
    if (values)
        for (size_t i = 0; i < cols.size(); ++i) (*values)[i] = value(int(i));
    return true;
}

QVariant PgQuery::value(int col) const {
    if (m_batch.isNull(m_row, col)) return QVariant();
    const DataTypeEnum type = cols[size_t(col)].type;
    if (type != adLongVarBinary)
        return fromText(m_batch.value(m_row, col), m_batch.length(m_row, col), type);
    size_t n = 0;
    unsigned char* bytes =
        PQunescapeBytea(reinterpret_cast<const unsigned char*>(m_batch.value(m_row, col)), &n);
    QByteArray picture(reinterpret_cast<const char*>(bytes), qsizetype(n));
    PQfreemem(bytes);
    return picture;
}

void PgQuery::rewind() {
    closeCursor();
    declare();
}

// ---- a table shown a page at a time ---------------------------------------------------------

constexpr int kPreviewPage = 200;     // rows read at a time
constexpr size_t kPreviewPages = 16;  // pages kept

// The columns of a query, as PgQuery takes them.
std::vector<ColumnInfo> queryColumns(PgLink& link, const QString& sql) {
    return columnsOf(link.describe(sql));
}

// ---- rows read forward as COPY writes them ----------------------------------------------------

// A whole query's rows at the server's own pace, without a round trip for each batch: for reading
// every row of a large table once.
class PgCopyRows : public Query {
public:
    PgCopyRows(std::shared_ptr<PgLink> link, const QString& sql);
    ~PgCopyRows() override { PQfreemem(m_row); }
    bool next(std::vector<QVariant>* values) override;
    QVariant value(int col) const override;
    void rewind() override {
        throw StoreError(errNotSupported, Text::tr("These rows are read once only."));
    }

private:
    std::shared_ptr<PgLink> m_link;
    char* m_row = nullptr;
    QByteArray m_unescaped;                // the fields that held escapes, read
    std::vector<QByteArrayView> m_fields;  // null data for Null
    // The value of each date column last read, for the same text again.
    mutable std::vector<std::pair<QByteArray, QVariant>> m_lastDate;
};

PgCopyRows::PgCopyRows(std::shared_ptr<PgLink> link, const QString& sql) : m_link(std::move(link)) {
    cols = queryColumns(*m_link, sql);
    m_lastDate.resize(cols.size());
    m_link->copyOutStart(QStringLiteral("COPY (%1) TO STDOUT").arg(sql));
}

bool PgCopyRows::next(std::vector<QVariant>* values) {
    PQfreemem(m_row);
    m_row = nullptr;
    int length = 0;
    if (!m_link->copyOutRow(&m_row, &length)) return false;
    if (length > 0 && m_row[length - 1] == '\n') --length;
    // Fields between tabs; \N is Null; a backslash starts an escape (COPY's text format).
    m_fields.clear();
    m_unescaped.resize(0);
    m_unescaped.reserve(length);
    const char* p = m_row;
    const char* end = m_row + length;
    for (;;) {
        const char* stop = p;
        bool escaped = false;
        while (stop != end && *stop != '\t') {
            if (*stop == '\\') {
                escaped = true;
                if (stop + 1 != end) ++stop;
            }
            ++stop;
        }
        if (stop - p == 2 && p[0] == '\\' && p[1] == 'N') {
            m_fields.emplace_back();
        } else if (!escaped) {
            m_fields.emplace_back(p == stop ? "" : p, stop - p);
        } else {
            const qsizetype at = m_unescaped.size();
            for (const char* q = p; q != stop; ++q) {
                char c = *q;
                if (c == '\\' && q + 1 != stop) {
                    c = *++q;
                    switch (c) {
                        case 'b':
                            c = '\b';
                            break;
                        case 'f':
                            c = '\f';
                            break;
                        case 'n':
                            c = '\n';
                            break;
                        case 'r':
                            c = '\r';
                            break;
                        case 't':
                            c = '\t';
                            break;
                        case 'v':
                            c = '\v';
                            break;
                        default:
                            break;
                    }
                }
                m_unescaped += c;
            }
            m_fields.emplace_back(m_unescaped.constData() + at, m_unescaped.size() - at);
        }
        if (stop == end) break;
        p = stop + 1;
    }
    if (m_fields.size() != cols.size())
        throw StoreError(errEngine, Text::tr("The server sent a row that cannot be read."));
    if (values)
        for (size_t i = 0; i < cols.size(); ++i) (*values)[i] = value(int(i));
    return true;
}

QVariant PgCopyRows::value(int col) const {
    const QByteArrayView text = m_fields[size_t(col)];
    if (!text.data()) return QVariant();
    const DataTypeEnum type = cols[size_t(col)].type;
    if (type != adDate) return fromText(text.data(), int(text.size()), type);
    // A table's dates repeat: each is read as a QDateTime once in a row.
    auto& [last, value] = m_lastDate[size_t(col)];
    if (last != text || !value.isValid()) {
        last = text.toByteArray();
        value = fromText(text.data(), int(text.size()), type);
    }
    return value;
}

// A read-only transaction of a connection of its own holds the snapshot; a scrollable cursor in
// it goes to any row. Each row comes with its place (its table, a partition's where the table has
// them, and its ctid there) to find its pictures by.
class PgPreview : public Preview {
public:
    PgPreview(const PgLink& like, const QString& table);
    ~PgPreview() override;
    bool row(qint64 row, std::vector<QVariant>& values) override;
    QVariant picture(qint64 row, int col) override;
    std::function<std::unique_ptr<Query>()> rowsAgain(
        const std::vector<int>& columns) const override;

private:
    void open();
    // The page holding `row`, read unless it is kept; null past the last row.
    const Result* page(qint64 row);
    QString selectList(const std::vector<int>& columns) const;

    std::function<std::shared_ptr<PgLink>()> m_dial;
    std::shared_ptr<PgLink> m_link;
    QString m_table;
    QString m_snapshot;  // the transaction's, for the connections that read the rows again
    std::vector<std::pair<qint64, Result>> m_pages;  // the latest last
};

PgPreview::PgPreview(const PgLink& like, const QString& table)
    : m_dial(like.dialer()), m_link(m_dial()), m_table(qualified(table)) {
    cols = queryColumns(*m_link, QStringLiteral("SELECT * FROM ") + m_table);
    open();
}

PgPreview::~PgPreview() {
    // Closing the connection ends the transaction, and its cursor with it.
}

void PgPreview::open() {
    m_pages.clear();
    m_snapshot.clear();
    m_link->exec(QStringLiteral("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY"));
    try {
        m_snapshot = m_link->exec(QStringLiteral("SELECT pg_export_snapshot()")).text(0, 0);
    } catch (const StoreError&) {
        // A server that does not share its snapshots (a standby): the rows are read again in a
        // snapshot of their own.
        m_link->exec(QStringLiteral("ROLLBACK"));
        m_link->exec(QStringLiteral("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY"));
    }
    count = m_link->exec(QStringLiteral("SELECT count(*) FROM ") + m_table).int64(0, 0);
    std::vector<int> all;
    for (size_t i = 0; i < cols.size(); ++i) all.push_back(int(i));
    m_link->exec(
        QStringLiteral(
            "DECLARE cogwright_preview SCROLL CURSOR FOR SELECT tableoid, ctid, %1 FROM %2")
            .arg(selectList(all), m_table));
}

QString PgPreview::selectList(const std::vector<int>& columns) const {
    QStringList list;
    for (int i : columns) {
        const QString q = quoteIdent(cols[size_t(i)].name);
        list << (cols[size_t(i)].type == adLongVarBinary ? QStringLiteral("octet_length(%1)").arg(q)
                                                         : q);
    }
    return list.join(QLatin1Char(','));
}

const Result* PgPreview::page(qint64 row) {
    if (row < 0 || row >= count) return nullptr;
    const qint64 first = row - row % kPreviewPage;
    for (auto it = m_pages.begin(); it != m_pages.end(); ++it)
        if (it->first == first) {
            std::rotate(it, it + 1, m_pages.end());
            return &m_pages.back().second;
        }
    auto fetch = [&] {
        m_link->exec(QStringLiteral("MOVE ABSOLUTE %1 IN cogwright_preview").arg(first));
        return m_link->exec(
            QStringLiteral("FETCH FORWARD %1 FROM cogwright_preview").arg(kPreviewPage));
    };
    Result r;
    try {
        r = fetch();
    } catch (const StoreError&) {
        // A connection the server dropped (an idle transaction ended by it) is made again once,
        // with a new snapshot; the count stays as it was shown.
        const qint64 shown = count;
        m_link = m_dial();
        open();
        count = shown;
        r = fetch();
    }
    if (m_pages.size() >= kPreviewPages) m_pages.erase(m_pages.begin());
    m_pages.emplace_back(first, std::move(r));
    return &m_pages.back().second;
}

bool PgPreview::row(qint64 row, std::vector<QVariant>& values) {
    const Result* r = page(row);
    const int at = int(row % kPreviewPage);
    if (!r || at >= r->rows()) return false;
    values.assign(cols.size(), QVariant());
    for (size_t i = 0; i < cols.size(); ++i) {
        const int col = int(i) + 2;
        if (r->isNull(at, col)) continue;
        values[i] = cols[i].type == adLongVarBinary
                        ? QVariant::fromValue(r->int64(at, col))
                        : fromText(r->value(at, col), r->length(at, col), cols[i].type);
    }
    return true;
}

QVariant PgPreview::picture(qint64 row, int col) {
    const Result* r = page(row);
    const int at = int(row % kPreviewPage);
    if (!r || at >= r->rows()) return QVariant();
    const QByteArray table(r->value(at, 0), r->length(at, 0));
    const QByteArray place(r->value(at, 1), r->length(at, 1));
    Result found =
        m_link->exec(QStringLiteral("SELECT %1 FROM %2 WHERE tableoid = $1::oid AND ctid = $2::tid")
                         .arg(quoteIdent(cols[size_t(col)].name), m_table),
                     {Param{table, false, false}, Param{place, false, false}}, true);
    if (found.rows() == 0 || found.isNull(0, 0)) return QVariant();
    return QByteArray(found.value(0, 0), found.length(0, 0));
}

std::function<std::unique_ptr<Query>()> PgPreview::rowsAgain(
    const std::vector<int>& columns) const {
    const QString sql = QStringLiteral("SELECT %1 FROM %2").arg(selectList(columns), m_table);
    return [dial = m_dial, sql, snapshot = m_snapshot]() -> std::unique_ptr<Query> {
        std::shared_ptr<PgLink> link = dial();
        link->exec(QStringLiteral("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY"));
        if (!snapshot.isEmpty())
            link->exec(QStringLiteral("SET TRANSACTION SNAPSHOT '%1'")
                           .arg(QString(snapshot).replace(QLatin1Char('\''), QLatin1String("''"))));
        // Every row is read however long that takes; each must come within the bound.
        link->exec(QStringLiteral("SET LOCAL statement_timeout = 0"));
        return std::make_unique<PgCopyRows>(link, sql);
    };
}

// The server's type for a column of the store.
QString serverType(const Column& c) {
    switch (c.Type) {
        case adSmallInt:
            return QStringLiteral("smallint");
        case adInteger:
            return QStringLiteral("integer");
        case adBigInt:
            return QStringLiteral("bigint");
        case adSingle:
            return QStringLiteral("real");
        case adDouble:
            return QStringLiteral("double precision");
        case adCurrency:
            return QStringLiteral("numeric(19,4)");
        case adDate:
            return QStringLiteral("timestamp(0)");
        case adBoolean:
            return QStringLiteral("boolean");
        case adLongVarBinary:
            return QStringLiteral("bytea");
        case adLongVarWChar:
            return QStringLiteral("text");
        default:
            return c.DefinedSize > 0 ? QStringLiteral("varchar(%1)").arg(c.DefinedSize)
                                     : QStringLiteral("text");
    }
}

QString columnList(const Index& index) {
    QString cols;
    for (const auto& c : index.Columns) {
        if (!cols.isEmpty()) cols += QLatin1Char(',');
        cols += quoteIdent(c.Name) +
                (c.SortOrder == adSortDescending ? QStringLiteral(" DESC") : QString());
    }
    return cols;
}

}  // namespace

// ---- the database --------------------------------------------------------------------------

PgDatabase::PgDatabase(const QString& address, const QString& userId, const QString& password)
    : m_link(std::make_shared<PgLink>(address, userId, password)) {}

PgDatabase::~PgDatabase() = default;

QString PgDatabase::dataSource() const {
    return m_link->display();
}

QStringList PgDatabase::userTables() {
    Result r = m_link->exec(QStringLiteral(
        "SELECT c.relname FROM pg_class c JOIN pg_namespace n ON n.oid = c.relnamespace "
        "WHERE n.nspname = 'public' AND c.relkind IN ('r','p') ORDER BY c.oid"));
    QStringList names;
    for (int i = 0; i < r.rows(); ++i) names << r.text(i, 0);
    return names;
}

QString PgDatabase::tableReference(const QString& table) const {
    return qualified(table);
}

std::vector<ColumnInfo> PgDatabase::tableColumns(const QString& table) {
    std::vector<ColumnInfo> cols;
    for (const ServerColumn& c : serverColumns(*m_link, table)) cols.push_back(c.info);
    return cols;
}

std::unique_ptr<TableAccess> PgDatabase::openTable(const QString& name) {
    return std::make_unique<PgTable>(m_link, findTable(*m_link, name));
}

std::unique_ptr<Query> PgDatabase::query(const QString& sql) {
    return std::make_unique<PgQuery>(m_link, sql);
}

std::unique_ptr<Preview> PgDatabase::preview(const QString& table) {
    return std::make_unique<PgPreview>(*m_link, table);
}

namespace {

// COPY's data goes to the server in blocks of about this many bytes.
constexpr qsizetype kCopyBlock = 1 << 20;

// Bytes as lower-case hex digits, as QByteArray::toHex writes them.
void appendHex(QByteArray& out, QByteArrayView bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    const qsizetype at = out.size();
    out.resize(at + 2 * bytes.size());
    char* p = out.data() + at;
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        *p++ = kDigits[b >> 4];
        *p++ = kDigits[b & 0xf];
    }
}

// One value as COPY's text format writes it.
void appendCopyText(QByteArray& out, const QVariant& value) {
    if (!value.isValid() || value.isNull()) {
        out += "\\N";
        return;
    }
    const Param p = paramFor(value);
    if (p.binary) {
        out += "\\\\x";
        out += p.bytes.toHex();
        return;
    }
    if (std::none_of(p.bytes.begin(), p.bytes.end(),
                     [](char c) { return c == '\\' || c == '\n' || c == '\r' || c == '\t'; })) {
        out += p.bytes;
        return;
    }
    for (char c : p.bytes) {
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                out += c;
        }
    }
}

// The same for a value as the file it comes from keeps it, in a column of `type` there: written as
// appendCopyText writes the value the store reads from it; false, with nothing added, for a blob,
// a text that is not ASCII and a date not in its plain stored form.
bool appendStoredCopyText(QByteArray& out, const StoredValue& value, DataTypeEnum type) {
    char buf[64];
    char* end = buf;
    switch (value.kind) {
        case StoredValue::Null:
            out += "\\N";
            return true;
        case StoredValue::Integer:
            switch (type) {
                case adSingle:
                    end = std::to_chars(buf, buf + sizeof buf, float(value.integer)).ptr;
                    break;
                case adDouble:
                    end = std::to_chars(buf, buf + sizeof buf, double(value.integer)).ptr;
                    break;
                case adCurrency:
                    end = writePlainCurrency(buf, value.integer);
                    break;
                case adBoolean:
                    out += value.integer != 0 ? "true" : "false";
                    return true;
                default:
                    end = std::to_chars(buf, buf + sizeof buf, value.integer).ptr;
                    break;
            }
            break;
        case StoredValue::Real:
            switch (type) {
                case adSingle:
                    end = std::to_chars(buf, buf + sizeof buf, float(value.real)).ptr;
                    break;
                case adCurrency:
                    end = writePlainCurrency(buf, std::llround(value.real * 1e4));
                    break;
                default:
                    end = std::to_chars(buf, buf + sizeof buf, value.real).ptr;
                    break;
            }
            break;
        case StoredValue::Text: {
            if (type == adDate) {
                if (!isPlainStoredDate(value.bytes)) return false;
                out += value.bytes;
                return true;
            }
            for (char c : value.bytes)
                if (static_cast<unsigned char>(c) >= 0x80) return false;
            qsizetype from = 0;
            for (qsizetype i = 0; i < value.bytes.size(); ++i) {
                const char c = value.bytes[i];
                const char* escaped = c == '\\'   ? "\\\\"
                                      : c == '\n' ? "\\n"
                                      : c == '\r' ? "\\r"
                                      : c == '\t' ? "\\t"
                                                  : nullptr;
                if (!escaped) continue;
                out += value.bytes.sliced(from, i - from);
                out += escaped;
                from = i + 1;
            }
            out += value.bytes.sliced(from);
            return true;
        }
        default:
            return false;
    }
    out.append(buf, end - buf);
    return true;
}

}  // namespace

void PgDatabase::copyInto(const Table& table, Query& rows, qint64 total,
                          const std::function<bool(qint64, qint64)>& progress) {
    std::vector<ColumnInfo> cols;
    QString names;
    QString counter;
    for (const Column& c : table.Columns) {
        cols.push_back(c.info());
        if (!names.isEmpty()) names += QLatin1Char(',');
        names += quoteIdent(c.Name);
        if (c.autoIncrement()) counter = c.Name;
    }
    m_link->inTransaction([&] {
        // A large copy may take longer than a statement may: each of its blocks is bounded
        // instead, and the user can cancel it.
        m_link->exec(QStringLiteral("SET LOCAL statement_timeout = 0"));
        createTableIn(table);
        // The rows travel in COPY's text format, in blocks: no statement per row.
        m_link->copyStart(
            QStringLiteral("COPY %1 (%2) FROM STDIN").arg(qualified(table.Name), names));
        QByteArray block;
        block.reserve(kCopyBlock + kCopyBlock / 4);
        auto send = [&] {
            m_link->copyData(block);
            block.resize(0);
        };
        qint64 done = 0;
        bool going = true;
        try {
            while (going && rows.next(nullptr)) {
                for (size_t i = 0; i < cols.size(); ++i) {
                    if (i > 0) block += '\t';
                    // The server checks each value against its column as it takes it. Most values
                    // are written as the file keeps them, without being read into a QVariant.
                    const int col = int(i);
                    const StoredValue stored = rows.stored(col);
                    if (stored.kind == StoredValue::Blob) {
                        // A picture goes out in pieces, as hex digits, with the blocks.
                        block += "\\\\x";
                        for (qsizetype at = 0; at < stored.bytes.size(); at += kCopyBlock / 2) {
                            const QByteArrayView piece = stored.bytes.sliced(
                                at, std::min(kCopyBlock / 2, stored.bytes.size() - at));
                            appendHex(block, piece);
                            if (block.size() >= kCopyBlock) send();
                        }
                    } else if (!appendStoredCopyText(block, stored, rows.cols[i].type)) {
                        appendCopyText(block, rows.value(col));
                    }
                }
                block += '\n';
                if (block.size() >= kCopyBlock) send();
                if (++done % kCopyProgressRows == 0 && progress && !progress(done, total))
                    going = false;
            }
        } catch (...) {
            m_link->copyEnd("failed");
            throw;
        }
        if (going && progress && !progress(done, total)) going = false;
        if (!going) {
            m_link->copyEnd("cancelled");
            throw StoreError(errOperationCancelled,
                             Text::tr("The copy was cancelled; nothing was written."));
        }
        if (!block.isEmpty()) m_link->copyData(block);
        m_link->copyEnd(nullptr);
        // The counter goes on after the keys copied.
        if (!counter.isEmpty())
            m_link->exec(QStringLiteral("SELECT setval(pg_get_serial_sequence($1, $2), "
                                        "coalesce(max(%1), 0) + 1, false) FROM %2")
                             .arg(quoteIdent(counter), qualified(table.Name)),
                         {textParam(qualified(table.Name)), textParam(counter)});
    });
}

void PgDatabase::createTable(const Table& table) {
    m_link->inTransaction([&] { createTableIn(table); });
}

void PgDatabase::createTableIn(const Table& table) {
    const Index* pk = nullptr;
    for (const Index& i : table.Indexes)
        if (i.PrimaryKey) pk = &i;
    QString defs;
    bool pkInline = false;
    for (const Column& c : table.Columns) {
        QString def = quoteIdent(c.Name) + QLatin1Char(' ') + serverType(c);
        if (c.autoIncrement()) {
            if (c.Type != adInteger && c.Type != adBigInt)
                throw StoreError(
                    errInvalidArgument,
                    Text::tr("The column '%1' cannot count up by itself: only whole-number "
                             "columns can.")
                        .arg(c.Name));
            if (pkInline)
                throw StoreError(errInvalidArgument,
                                 Text::tr("A table can have only one counting column."));
            // The counting column is the table's key, as in a catalogue file.
            def += QStringLiteral(" GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY");
            pkInline = true;
        } else if (!c.nullable()) {
            def += QStringLiteral(" NOT NULL");
        }
        if (!defs.isEmpty()) defs += QStringLiteral(", ");
        defs += def;
    }
    if (pk && !pkInline) defs += QStringLiteral(", PRIMARY KEY (%1)").arg(columnList(*pk));
    m_link->exec(QStringLiteral("CREATE TABLE %1 (%2)").arg(qualified(table.Name), defs));
    for (const Index& i : table.Indexes)
        if (!i.PrimaryKey)
            m_link->exec(QStringLiteral("CREATE %1INDEX %2 ON %3 (%4)")
                             .arg(i.Unique ? QStringLiteral("UNIQUE ") : QString(),
                                  quoteIdent(i.Name), qualified(table.Name), columnList(i)));
}

void PgDatabase::createIndex(Table& table, const Index& index) {
    if (index.PrimaryKey) {
        // A counting column is made the key when its table is made; the same key again is no
        // change.
        QStringList keyNames;
        for (const ServerColumn& c : serverColumns(*m_link, table.Name))
            if (c.info.primaryKey) keyNames << c.info.name;
        if (keyNames.size() == 1 && index.Columns.size() == 1 &&
            keyNames.front().compare(index.Columns.front().Name, Qt::CaseInsensitive) == 0)
            return;
        m_link->exec(QStringLiteral("ALTER TABLE %1 ADD PRIMARY KEY (%2)")
                         .arg(qualified(table.Name), columnList(index)));
        return;
    }
    m_link->exec(QStringLiteral("CREATE %1INDEX %2 ON %3 (%4)")
                     .arg(index.Unique ? QStringLiteral("UNIQUE ") : QString(),
                          quoteIdent(index.Name), qualified(table.Name), columnList(index)));
}

void PgDatabase::readTable(Table& table) {
    table.Columns.clear();
    table.Indexes.clear();
    Index pk;
    pk.Name = QStringLiteral("PrimaryKey");
    pk.Unique = pk.PrimaryKey = true;
    for (const ServerColumn& s : serverColumns(*m_link, table.Name)) {
        Column c;
        c.Name = s.info.name;
        c.Type = s.info.type;
        c.DefinedSize = s.info.definedSize;
        c.setStoredState(s.serverType, s.info.autoIncrement, !s.info.notNull);
        table.Columns.push_back(c);
        if (s.info.primaryKey) pk.appendColumn(c.Name, c.Type);
    }
    if (!pk.Columns.empty()) table.Indexes.push_back(pk);
}

}  // namespace store::engine
