#pragma once

#include <QString>
#include <optional>

namespace store {

// Where a catalogue server is, as the parts of a postgresql:// address. Any character may
// stand in any part: a Unix-socket folder as the host, a user named "a+b/c", an IPv6 host.
struct ServerAddress {
    QString host;  // a name, an IP address (IPv6 without brackets) or a socket folder
    int port = 0;  // 0: the server's default
    QString database;
    QString user;
    QString password;  // empty: none written into the address

    // The postgresql:// address, each part percent-encoded.
    QString toString() const;
    // The parts of an address as libpq reads it; none when it is not an address libpq takes.
    static std::optional<ServerAddress> parse(const QString& address);

    bool operator==(const ServerAddress&) const = default;
};

}  // namespace store
