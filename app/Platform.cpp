#include "Platform.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPrinter>
#include <QPrinterInfo>
#include <QStandardPaths>
#include <cerrno>
#include <cstring>

#include "StoreError.h"

namespace {
Platform g_real;
Platform* g_current = &g_real;
}  // namespace

Platform& Platform::instance() {
    return *g_current;
}

void Platform::install(Platform* platform) {
    g_current = platform ? platform : &g_real;
}

void Platform::information(QWidget* parent, const QString& caption, const QString& text) {
    QMessageBox::information(parent, caption, text, QMessageBox::Ok);
}

void Platform::warning(QWidget* parent, const QString& caption, const QString& text) {
    QMessageBox::warning(parent, caption, text, QMessageBox::Ok);
}

bool Platform::question(QWidget* parent, const QString& caption, const QString& text,
                        bool defaultYes) {
    return QMessageBox::question(parent, caption, text, QMessageBox::Yes | QMessageBox::No,
                                 defaultYes ? QMessageBox::Yes : QMessageBox::No) ==
           QMessageBox::Yes;
}

Platform::SaveChoice Platform::saveChanges(QWidget* parent, const QString& caption,
                                           const QString& text) {
    switch (QMessageBox::question(parent, caption, text,
                                  QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel,
                                  QMessageBox::Save)) {
        case QMessageBox::Save:
            return SaveChoice::Save;
        case QMessageBox::Discard:
            return SaveChoice::Discard;
        default:
            return SaveChoice::Cancel;
    }
}

void Platform::errorReport(QWidget* parent, long number, const QString& description) {
    QMessageBox box(QMessageBox::Critical, kProgramTitle, description, QMessageBox::Ok, parent);
    box.setInformativeText(QCoreApplication::translate("Platform", "Error number: %1").arg(number));
    box.exec();
}

QString Platform::qtFilter(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts.at(i + 1);
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        entries << QStringLiteral("%1 (%2)").arg(parts.at(i), patterns);
    }
    return entries.join(QStringLiteral(";;"));
}

QString Platform::openFileName(QWidget* parent, const QString& title, const QString& folder,
                               const QString& filter) {
    return QFileDialog::getOpenFileName(parent, title, folder, qtFilter(filter));
}

QString Platform::saveFileName(QWidget* parent, const QString& title, const QString& folder,
                               const QString& filter) {
    return QFileDialog::getSaveFileName(parent, title, folder, qtFilter(filter));
}

std::unique_ptr<QPrinter> Platform::defaultPrinter() {
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull()) return nullptr;
    return std::make_unique<QPrinter>(info);
}

namespace {

const QString kCatalogueFile = QStringLiteral("Parts.mdb");
const QString kLogoFile = QStringLiteral("logo.jpg");
const QString kFolderName = QStringLiteral("cogwright");

QString systemError(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

[[noreturn]] void cannotMake(const QString& folder, const QString& why) {
    throw store::StoreError(
        store::errFileNotFound,
        QCoreApplication::translate("Platform", "Your data folder '%1' cannot be made: %2.")
            .arg(QDir::toNativeSeparators(folder), why));
}

// The user's data folder; without a home folder there is nowhere to keep the catalogue, and
// making one under / or under a missing HOME would only hide that.
QString userDataFolder() {
    const QString folder =
        QDir::cleanPath(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                        QLatin1Char('/') + kFolderName);
    if (!qEnvironmentVariableIsEmpty("XDG_DATA_HOME")) return folder;
    const QString home = qEnvironmentVariable("HOME");
    if (home.isEmpty())
        cannotMake(folder, QCoreApplication::translate("Platform", "HOME is not set"));
    if (!QFileInfo(home).isDir())
        cannotMake(folder,
                   QCoreApplication::translate("Platform", "the home folder '%1' does not exist")
                       .arg(QDir::toNativeSeparators(home)));
    return folder;
}

// Makes `folder` and its missing parents (their modes follow the umask); empty when done,
// else which part could not be made and why.
QString makeFolders(const QString& folder) {
    const QString clean = QDir::cleanPath(folder);
    QString made = clean.startsWith(QLatin1Char('/')) ? QStringLiteral("/") : QString();
    for (const QString& part : clean.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        made += part;
        if (!QFileInfo(made).isDir() && ::mkdir(QFile::encodeName(made).constData(), 0777) != 0) {
            const int error = errno == EEXIST ? ENOTDIR : errno;
            return QCoreApplication::translate("Platform", "'%1' could not be made (%2)")
                .arg(QDir::toNativeSeparators(made), systemError(error));
        }
        made += QLatin1Char('/');
    }
    return {};
}

// Copies the shipped catalogue into the user's folder, never over a file already there. The
// copy is made as any new file of the user's is, with the umask's permissions, not the
// template's.
void copyShippedCatalogue(const QString& shipped, const QString& folder) {
    const QString catalogue = folder + QLatin1Char('/') + kCatalogueFile;
    const QFileInfo existing(catalogue);
    if (existing.exists() || existing.isSymLink()) return;
    QFile in(shipped);
    if (!in.open(QIODevice::ReadOnly))
        throw store::StoreError(
            store::errFileNotFound,
            QCoreApplication::translate(
                "Platform", "The catalogue new users start from, '%1', cannot be read: %2.")
                .arg(QDir::toNativeSeparators(shipped), in.errorString()));
    const QByteArray target = QFile::encodeName(catalogue);
    const int fd = ::open(target.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        const int error = errno;
        if (error == EEXIST) return;
        throw store::StoreError(
            store::errFileNotFound,
            QCoreApplication::translate("Platform", "Your data folder '%1' cannot be written: %2.")
                .arg(QDir::toNativeSeparators(folder), systemError(error)));
    }
    QFile out;
    bool written = out.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle);
    while (written && !in.atEnd()) {
        const QByteArray chunk = in.read(1 << 16);
        written = !chunk.isEmpty() && out.write(chunk) == chunk.size();
    }
    written = written && out.flush() && ::fsync(fd) == 0;
    const QString why = in.error() != QFile::NoError ? in.errorString() : out.errorString();
    out.close();
    if (written) return;
    // A part-copied catalogue would be taken for the user's on every later start.
    ::unlink(target.constData());
    throw store::StoreError(
        store::errFileNotFound,
        QCoreApplication::translate("Platform", "Your data folder '%1' cannot be written: %2.")
            .arg(QDir::toNativeSeparators(folder), why));
}

}  // namespace

ProgramFolders::ProgramFolders(const QString& executableFolder)
    : m_executableFolder(QDir::cleanPath(executableFolder)),
      m_installedShare(
          QDir::cleanPath(executableFolder + QStringLiteral("/../share/") + kFolderName)) {
    const QDir beside(m_executableFolder);
    m_portable = beside.exists(kCatalogueFile) || beside.exists(kLogoFile) ||
                 !QFileInfo(m_installedShare).isDir();
}

QString ProgramFolders::programFolder() const {
    if (m_portable) return m_executableFolder;
    const QString data = userDataFolder();
    const QString unmade = makeFolders(data);
    if (!unmade.isEmpty()) cannotMake(data, unmade);
    copyShippedCatalogue(m_installedShare + QLatin1Char('/') + kCatalogueFile, data);
    return data;
}

QString ProgramFolders::sharedFolder() const {
    return m_portable ? m_executableFolder : m_installedShare;
}

QString ProgramFolders::unpackFolder() const {
    if (m_portable && QFileInfo(m_executableFolder).isWritable()) return m_executableFolder;
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
                          QLatin1Char('/') + kFolderName;
    QDir().mkpath(cache);
    return cache;
}

QString Platform::programFolder() {
    return ProgramFolders(QCoreApplication::applicationDirPath()).programFolder();
}

QString Platform::sharedFolder() {
    return ProgramFolders(QCoreApplication::applicationDirPath()).sharedFolder();
}

QString Platform::unpackFolder() {
    return ProgramFolders(QCoreApplication::applicationDirPath()).unpackFolder();
}

QVersionNumber Platform::programVersion() {
    return QVersionNumber(COGWRIGHT_VERSION_MAJOR, COGWRIGHT_VERSION_MINOR,
                          COGWRIGHT_VERSION_PATCH);
}

void Platform::endProgram(int exitCode) {
    QCoreApplication::exit(exitCode);
}
