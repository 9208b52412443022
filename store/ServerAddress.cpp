#include "ServerAddress.h"

#include <libpq-fe.h>

#include <QUrl>

namespace store {

namespace {

QString encoded(const QString& part, const QByteArray& kept = QByteArray()) {
    return QString::fromLatin1(QUrl::toPercentEncoding(part, kept));
}

}  // namespace

QString ServerAddress::toString() const {
    QString address = QStringLiteral("postgresql://");
    if (!user.isEmpty() || !password.isEmpty()) {
        address += encoded(user);
        if (!password.isEmpty()) address += QLatin1Char(':') + encoded(password);
        address += QLatin1Char('@');
    }
    // An IPv6 address goes in brackets, its colons as they are; a socket folder (which may
    // hold colons too) is encoded whole.
    const bool ipv6 = host.contains(QLatin1Char(':')) && !host.startsWith(QLatin1Char('/')) &&
                      !host.startsWith(QLatin1Char('@'));
    address += ipv6 ? QLatin1Char('[') + encoded(host, ":") + QLatin1Char(']') : encoded(host);
    if (port > 0) address += QLatin1Char(':') + QString::number(port);
    address += QLatin1Char('/') + encoded(database);
    return address;
}

std::optional<ServerAddress> ServerAddress::parse(const QString& address) {
    if (!address.startsWith(QLatin1String("postgresql://"), Qt::CaseInsensitive) &&
        !address.startsWith(QLatin1String("postgres://"), Qt::CaseInsensitive))
        return std::nullopt;
    char* why = nullptr;
    PQconninfoOption* options = PQconninfoParse(address.toUtf8().constData(), &why);
    PQfreemem(why);
    if (!options) return std::nullopt;
    ServerAddress parts;
    bool portOk = true;
    for (PQconninfoOption* o = options; o->keyword; ++o) {
        if (!o->val) continue;
        const QByteArray key(o->keyword);
        const QString value = QString::fromUtf8(o->val);
        if (key == "host" || (key == "hostaddr" && parts.host.isEmpty()))
            parts.host = value;
        else if (key == "port")
            parts.port = value.toInt(&portOk);
        else if (key == "dbname")
            parts.database = value;
        else if (key == "user")
            parts.user = value;
        else if (key == "password")
            parts.password = value;
    }
    PQconninfoFree(options);
    if (!portOk) return std::nullopt;
    return parts;
}

}  // namespace store
