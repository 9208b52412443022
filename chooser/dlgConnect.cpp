#include "dlgConnect.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QThreadPool>
#include <QVBoxLayout>

#include "ServerAddress.h"
#include "StoreError.h"

dlgConnect::dlgConnect(Attempt attempt, QWidget* parent)
    : QDialog(parent), m_attempt(std::move(attempt)) {
    setWindowTitle(tr("Connect to Server"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setModal(true);
    auto box = [this](const char* name, const QString& shown) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QStringLiteral("txt") + QLatin1String(name));
        edit->setAccessibleName(shown);
        return edit;
    };
    m_host = box("Host", tr("Host"));
    m_port = box("Port", tr("Port"));
    m_database = box("Database", tr("Database"));
    m_user = box("User", tr("User"));
    m_password = box("Password", tr("Password"));
    m_password->setEchoMode(QLineEdit::Password);
    m_port->setValidator(new QIntValidator(1, 65535, m_port));
    m_host->setText(QStringLiteral("localhost"));
    m_port->setText(QStringLiteral("5432"));
    m_user->setText(qEnvironmentVariable("USER"));

    auto* form = new QFormLayout;
    form->addRow(tr("&Host:"), m_host);
    form->addRow(tr("&Port:"), m_port);
    form->addRow(tr("&Database:"), m_database);
    form->addRow(tr("&User:"), m_user);
    m_passwordLabel = new QLabel(tr("Pass&word:"), this);
    m_passwordLabel->setBuddy(m_password);
    form->addRow(m_passwordLabel, m_password);
    // Asked for only when the server wants one (and ~/.pgpass has none).
    m_passwordLabel->hide();
    m_password->hide();

    m_message = new QLabel(this);
    m_message->setObjectName(QStringLiteral("lblMessage"));
    m_message->setWordWrap(true);
    m_message->setStyleSheet(QStringLiteral("color: #C00000;"));
    m_message->setMinimumWidth(340);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_ok = buttons->button(QDialogButtonBox::Ok);
    m_ok->setObjectName(QStringLiteral("cmdOK"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cmdCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &dlgConnect::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &dlgConnect::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_message);
    layout->addWidget(buttons);
    setFixedSize(sizeHint());
    m_database->setFocus();
}

dlgConnect::~dlgConnect() {
    m_password->clear();
}

QString dlgConnect::addressFor(const QString& host, int port, const QString& database,
                               const QString& user) {
    return store::ServerAddress{host, port, database, user, QString()}.toString();
}

void dlgConnect::setAddress(const QString& address) {
    const auto parts = store::ServerAddress::parse(address);
    if (!parts || parts->host.isEmpty()) return;
    m_host->setText(parts->host);
    if (parts->port > 0) m_port->setText(QString::number(parts->port));
    m_database->setText(parts->database);
    if (!parts->user.isEmpty()) m_user->setText(parts->user);
}

void dlgConnect::accept() {
    if (m_connecting) return;
    const QString host = m_host->text().trimmed();
    const QString database = m_database->text().trimmed();
    const QString user = m_user->text().trimmed();
    bool portOk = false;
    const int port = m_port->text().trimmed().toInt(&portOk);
    QLineEdit* missing = host.isEmpty()                        ? m_host
                         : !portOk || port < 1 || port > 65535 ? m_port
                         : database.isEmpty()                  ? m_database
                         : user.isEmpty()                      ? m_user
                                                               : nullptr;
    if (missing) {
        //: %1 is one of "host", "port", "database" or "user".
        m_message->setText(tr("Please fill in the %1.")
                               .arg(missing == m_host       ? tr("host")
                                    : missing == m_port     ? tr("port")
                                    : missing == m_database ? tr("database")
                                                            : tr("user")));
        missing->setFocus();
        return;
    }
    const QString address = addressFor(host, port, database, user);
    const QString password = m_password->isVisible() ? m_password->text() : QString();
    m_message->setText(tr("Connecting..."));
    setConnecting(true);
    // The answer comes back through the application object, which outlives any dialog: a
    // dialog closed meanwhile never hears of it.
    const int number = ++m_attemptNumber;
    QPointer<dlgConnect> self(this);
    QThreadPool::globalInstance()->start([attempt = m_attempt, address, password, self, number] {
        Outcome outcome;
        try {
            outcome.address = attempt(address, password);
        } catch (const store::StoreError& e) {
            outcome.number = e.number();
            outcome.description = e.description();
        }
        QMetaObject::invokeMethod(
            qApp,
            [self, number, outcome] {
                if (self && self->m_attemptNumber == number) self->attemptEnded(outcome);
            },
            Qt::QueuedConnection);
    });
}

void dlgConnect::setConnecting(bool connecting) {
    m_connecting = connecting;
    m_ok->setEnabled(!connecting);
    for (QLineEdit* box : {m_host, m_port, m_database, m_user, m_password})
        box->setReadOnly(connecting);
}

void dlgConnect::attemptEnded(const Outcome& outcome) {
    setConnecting(false);
    if (outcome.number != 0) {
        m_message->setText(outcome.description);
        if (outcome.number == store::errLoginFailed) {
            m_passwordLabel->show();
            m_password->show();
            m_password->clear();
            setFixedSize(sizeHint());
            m_password->setFocus();
        }
        return;
    }
    m_address = outcome.address;
    m_password->clear();
    QDialog::accept();
}

void dlgConnect::reject() {
    // An attempt still under way is left to end by itself; its answer is passed over.
    ++m_attemptNumber;
    setConnecting(false);
    QDialog::reject();
}
