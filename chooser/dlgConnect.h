#pragma once

#include <QDialog>
#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;

// Asks where a catalogue server is: host, port, database and user, and the password only when
// the server asks for one. OK tries the connection and stays open, saying why, until it works.
// The connection is tried beside the window, which goes on answering: Cancel leaves at once.
class dlgConnect : public QDialog {
    Q_OBJECT

public:
    // Connects to `address` (a postgresql:// URL without a password) and gives back the address
    // of the connection made; throws the store's error when it cannot. Runs on another thread.
    using Attempt = std::function<QString(const QString& address, const QString& password)>;

    explicit dlgConnect(Attempt attempt, QWidget* parent = nullptr);
    ~dlgConnect() override;

    // The server's address once connected.
    QString address() const { return m_address; }
    // Puts the boxes on an address already in use.
    void setAddress(const QString& address);

    static QString addressFor(const QString& host, int port, const QString& database,
                              const QString& user);

public slots:
    void accept() override;
    void reject() override;

private:
    struct Outcome {
        QString address;
        long number = 0;  // the store's error, 0 when connected
        QString description;
    };
    void attemptEnded(const Outcome& outcome);
    void setConnecting(bool connecting);

    Attempt m_attempt;
    int m_attemptNumber = 0;  // answers of attempts given up are passed over
    bool m_connecting = false;
    QPushButton* m_ok;
    QString m_address;
    QLineEdit* m_host;
    QLineEdit* m_port;
    QLineEdit* m_database;
    QLineEdit* m_user;
    QLineEdit* m_password;
    QLabel* m_passwordLabel;
    QLabel* m_message;
};
