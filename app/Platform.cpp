#include "Platform.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPrinter>
#include <QPrinterInfo>
#include <QStandardPaths>

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
    box.setInformativeText(QStringLiteral("Error number: %1").arg(number));
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
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                         QLatin1Char('/') + kFolderName;
    QDir().mkpath(data);
    // The shipped catalogue, once: a catalogue of the user's is never replaced.
    const QString catalogue = data + QLatin1Char('/') + kCatalogueFile;
    const QString shipped = m_installedShare + QLatin1Char('/') + kCatalogueFile;
    const QFileInfo existing(catalogue);
    if (!existing.exists() && !existing.isSymLink() && QFile::copy(shipped, catalogue))
        QFile::setPermissions(
            catalogue, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
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
