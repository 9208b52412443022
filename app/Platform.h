#pragma once

#include <QString>
#include <QVersionNumber>
#include <memory>

class QWidget;
class QPrinter;

// The services that tests script: message boxes, the open-file dialog, the default printer,
// the program's folder and version, and ending the program. The program uses the real ones.
class Platform {
public:
    virtual ~Platform() = default;

    static Platform& instance();
    // Tests install their own; nullptr puts the real one back. The caller keeps ownership.
    static void install(Platform* platform);

    virtual void information(QWidget* parent, const QString& caption, const QString& text);
    // An OK box with the warning icon.
    virtual void warning(QWidget* parent, const QString& caption, const QString& text);
    // Yes and No, Yes the default unless `defaultYes` is false; true for Yes.
    virtual bool question(QWidget* parent, const QString& caption, const QString& text,
                          bool defaultYes = true);
    enum class SaveChoice { Save, Discard, Cancel };
    // Save, Discard and Cancel, Save the default.
    virtual SaveChoice saveChanges(QWidget* parent, const QString& caption, const QString& text);
    // The top-level error report: the error's number and description.
    virtual void errorReport(QWidget* parent, long number, const QString& description);
    // `filter` in the "Description|*.a;*.b" form; an empty result means cancelled.
    virtual QString openFileName(QWidget* parent, const QString& title, const QString& folder,
                                 const QString& filter);
    // The save dialog, asking before it replaces a file; an empty result means cancelled.
    virtual QString saveFileName(QWidget* parent, const QString& title, const QString& folder,
                                 const QString& filter);
    // The system's default printer, or nullptr when there is none.
    virtual std::unique_ptr<QPrinter> defaultPrinter();
    // Where the catalogue, new databases and the unpack file live: see ProgramFolders, for the
    // folder the executable is in.
    virtual QString programFolder();
    // Where the logo and the maker's pages are read.
    virtual QString sharedFolder();
    // Where a stored picture is unpacked for a moment.
    virtual QString unpackFolder();
    virtual QVersionNumber programVersion();
    // Ends the program at once: no further window events.
    virtual void endProgram(int exitCode);

    // "Description|*.a;*.b" to the form Qt's dialogs take.
    static QString qtFilter(const QString& filter);
};

// Where the program's files live, told by what lies beside the executable and never by whether
// its folder can be written: root may write anywhere, and a portable copy may sit on a
// read-only disc. A build or a portable copy keeps Parts.mdb and logo.jpg beside the
// executable; an installed program reads PREFIX/share/cogwright and gives each user a copy of
// the catalogue there.
class ProgramFolders {
public:
    explicit ProgramFolders(const QString& executableFolder);
    // Portable: the executable's folder. Installed: the user's data folder, made when missing
    // and given the shipped catalogue once; a store::StoreError names the folder and the cause
    // when it cannot be made or written.
    QString programFolder() const;
    QString sharedFolder() const;
    // The executable's folder when it is portable and can be written, else the user's cache.
    QString unpackFolder() const;

private:
    QString m_executableFolder;
    QString m_installedShare;
    // Parts.mdb or logo.jpg beside the executable, or no PREFIX/share/cogwright to use instead.
    bool m_portable;
};

// The title every message box of the program carries unless its purpose has its own caption.
inline const QString kProgramTitle = QStringLiteral("Quillmark Cogwright Database");
