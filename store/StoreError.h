#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QString>
#include <exception>

namespace store {

// The translation context of the store's messages, which the windows show as they are.
class Text {
    Q_DECLARE_TR_FUNCTIONS(store)
};

// Error numbers follow the ADO codes that callers of an ADO-style store expect.
enum ErrorNumber : long {
    errInvalidArgument = 3001,
    errNoCurrentRecord = 3021,
    errOperationNotAllowed = 3219,
    errNotSupported = 3251,
    errItemNotFound = 3265,
    errDataConversion = 3421,
    errObjectClosed = 3704,
    errObjectOpen = 3705,
    errOperationCancelled = 3712,
    errFileNotFound = -2147467259,    // the engine's "could not find / open file" family
    errTableNotFound = -2147217865,   // input table cannot be found
    errEngine = -2147217887,          // any other failure of the database engine
    errFileExists = -2147217897,      // a new database would replace an existing file
    errRecordChanged = -2147217864,   // the row was changed by another program since it was read
    errRecordDeleted = -2147217885,   // the row was deleted by another program since it was read
    errLoginFailed = -2147217843,     // a server wants a password, or refused the one given
    errConnectionLost = -2147467260,  // a server stopped answering; the next action connects again
};

// The one exception every store operation throws: a number and a description meant for the user.
class StoreError : public std::exception {
public:
    StoreError(long number, QString description)
        : m_number(number), m_description(std::move(description)), m_what(m_description.toUtf8()) {}

    long number() const { return m_number; }
    const QString& description() const { return m_description; }
    const char* what() const noexcept override { return m_what.constData(); }

private:
    long m_number;
    QString m_description;
    QByteArray m_what;
};

}  // namespace store
