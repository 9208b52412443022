#include "JetImport.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProgressDialog>

#include "Connection.h"
#include "JetConversion.h"
#include "Platform.h"
#include "Recordset.h"
#include "StoreError.h"

namespace {

QString shown(const QString& path) {
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}

}  // namespace

QString convertJetFile(QWidget* parent, const QString& in, const QString& out, bool* cancelled) {
    legacy::JetConversion conversion;
    QProgressDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("dlgConvertJet"));
    dialog.setWindowTitle(
        QCoreApplication::translate("JetImport", "Converting %1").arg(QFileInfo(in).fileName()));
    dialog.setAccessibleName(QCoreApplication::translate("JetImport", "Conversion Progress"));
    dialog.setCancelButtonText(QCoreApplication::translate("JetImport", "&Cancel"));
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.setAutoClose(false);
    dialog.setAutoReset(false);
    dialog.setMinimumDuration(0);
    dialog.setMinimumWidth(420);
    dialog.setRange(0, 0);
    dialog.setLabelText(QCoreApplication::translate("JetImport", "Reading %1 ...").arg(shown(in)));
    QString table;
    QObject::connect(
        &conversion, &legacy::JetConversion::tableStarted, &dialog,
        [&](int index, int count, const QString& name, qint64 rows) {
            table = QCoreApplication::translate("JetImport", "Table %1 of %2: %3")
                        .arg(index)
                        .arg(count)
                        .arg(name);
            if (!conversion.linkedTables().isEmpty())
                table = QCoreApplication::translate("JetImport", "Linked tables left out: %1\n")
                            .arg(conversion.linkedTables().join(QStringLiteral(", "))) +
                        table;
            dialog.setRange(0, int(std::min<qint64>(rows, INT_MAX)));
            dialog.setValue(0);
            dialog.setLabelText(
                table + QCoreApplication::translate("JetImport", "\n0 of %1 rows").arg(rows));
        });
    QObject::connect(
        &conversion, &legacy::JetConversion::rowsDone, &dialog, [&](qint64 done, qint64 rows) {
            dialog.setValue(int(std::min<qint64>(done, INT_MAX)));
            dialog.setLabelText(
                table +
                QCoreApplication::translate("JetImport", "\n%1 of %2 rows").arg(done).arg(rows));
        });
    QObject::connect(&dialog, &QProgressDialog::canceled, &conversion,
                     &legacy::JetConversion::cancel);
    QEventLoop loop;
    bool over = false, ok = false;
    QObject::connect(&conversion, &legacy::JetConversion::finished, &loop, [&](bool result) {
        over = true;
        ok = result;
        loop.quit();
    });
    conversion.start(in, out);
    dialog.show();
    if (!over) loop.exec();
    dialog.hide();
    if (cancelled) *cancelled = !ok && conversion.cancelled();
    if (!ok) return conversion.errorText();
    QStringList told = conversion.notes();
    if (!conversion.linkedTables().isEmpty())
        told.prepend(
            QCoreApplication::translate(
                "JetImport", "These linked tables live in other files and were not converted: %1.")
                .arg(conversion.linkedTables().join(QStringLiteral(", "))));
    if (!told.isEmpty())
        Platform::instance().information(parent, kProgramTitle, told.join(QStringLiteral("\n\n")));
    return QString();
}

bool askToConvertJet(QWidget* parent, const QString& jetFile, const QString& where) {
    return Platform::instance().question(
        parent, kProgramTitle,
        QCoreApplication::translate(
            "JetImport", "%1 is in the old Jet format. Convert it to a new catalogue?\n\n%2")
            .arg(shown(jetFile), where));
}

namespace {

bool hasPartsTable(const QString& catalogue) {
    try {
        store::Connection cn;
        cn.Open(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") +
                store::Connection::quoteValue(catalogue));
        store::Recordset rs;
        rs.Open(QStringLiteral("Parts"), cn);
        return true;
    } catch (const store::StoreError&) {
        return false;
    }
}

}  // namespace

QString startUpOnJetFile(const QString& path, bool isDefault) {
    const QFileInfo original(path);
    const QString converted = legacy::convertedPath(path);
    // The default catalogue is replaced by its conversion only where both can live side by side.
    const bool replace =
        isDefault && QFileInfo(converted).absolutePath() == original.absolutePath();
    const QString kept =
        replace ? legacy::freeName(original.absolutePath(),
                                   original.completeBaseName() + QStringLiteral(" (Jet original)"),
                                   QLatin1Char('.') + original.suffix())
                : QString();
    const QString where =
        replace
            ? QCoreApplication::translate(
                  "JetImport",
                  "The new catalogue takes the name %1; the original is kept, unchanged, as %2.")
                  .arg(shown(path), shown(kept))
            : QCoreApplication::translate("JetImport", "The new catalogue will be %1.")
                  .arg(shown(converted));
    if (!askToConvertJet(nullptr, path, where)) return path;
    bool cancelled = false;
    const QString why = convertJetFile(nullptr, path, converted, &cancelled);
    // The user's own Cancel is as No: start-up goes on as it would without converting.
    if (cancelled) return path;
    if (!why.isEmpty()) throw store::StoreError(store::errFileNotFound, why);
    // A conversion the parts window cannot open is no use to anyone: it is not kept.
    if (!hasPartsTable(converted)) {
        QFile::remove(converted);
        throw store::StoreError(
            store::errTableNotFound,
            QCoreApplication::translate(
                "JetImport",
                "%1 has no table 'Parts', so the parts window cannot open it. Nothing "
                "was changed: the Jet file is as it was, and no converted copy was "
                "kept.")
                .arg(shown(path)));
    }
    if (!replace) return converted;
    QString error;
    if (!legacy::renameNoReplace(path, kept, &error))
        throw store::StoreError(
            store::errFileNotFound,
            QCoreApplication::translate("JetImport", "The converted catalogue is %1, but %2")
                .arg(shown(converted), error));
    if (!legacy::renameNoReplace(converted, path, &error)) {
        legacy::renameNoReplace(kept, path, nullptr);
        return converted;
    }
    return path;
}
