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
    // Where the catalogue, new databases and the unpack file live: the program's own folder
    // when it can be written (a build or a portable copy); for an installed program, the
    // user's data folder, given a copy of the shipped catalogue on the first start.
    virtual QString programFolder();
    // Where the logo and the maker's pages are read: the program's own folder when it can be
    // written, else PREFIX/share/cogwright beside an installed program.
    virtual QString sharedFolder();
    // Where a stored picture is unpacked for a moment: the program's own folder when it can be
    // written, else the user's cache folder.
    virtual QString unpackFolder();
    virtual QVersionNumber programVersion();
    // Ends the program at once: no further window events.
    virtual void endProgram(int exitCode);

    // "Description|*.a;*.b" to the form Qt's dialogs take.
    static QString qtFilter(const QString& filter);
};

// The title every message box of the program carries unless its purpose has its own caption.
inline const QString kProgramTitle = QStringLiteral("Quillmark Cogwright Database");
