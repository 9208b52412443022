#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTimer>

// The window's side of a conversion: the same program started as a child process
// (`cogwright --convert-jet IN OUT`), so that the Jet reader never runs in the window's process.
namespace legacy {

class JetConversion : public QObject {
    Q_OBJECT

public:
    explicit JetConversion(QObject* parent = nullptr);
    ~JetConversion() override;

    // The program started as the child: this program unless set (tests start the real one).
    static QString program();
    static void setProgram(const QString& path);
    // The child is stopped when it reports nothing for this long.
    static int stallTimeoutMs();
    static void setStallTimeoutMs(int ms);

    // Starts converting `in` into the new file `out`; finished() follows.
    void start(const QString& in, const QString& out);
    // Stops the child; nothing of `out` is left.
    void cancel();
    bool running() const { return m_process.state() != QProcess::NotRunning; }

    // After finished(false): why, naming `in`.
    QString errorText() const { return m_error; }
    bool cancelled() const { return m_cancelled; }
    // Linked tables, which live in other files and were not converted.
    QStringList linkedTables() const { return m_linked; }
    // What was converted otherwise than it stood: columns left out, row counts that differed,
    // damaged values and dates beyond the catalogue's years left empty.
    QStringList notes() const { return m_notes; }
    int tableCount() const { return m_tables; }

signals:
    void tableStarted(int index, int count, const QString& name, qint64 rows);
    void rowsDone(qint64 done, qint64 rows);
    void finished(bool ok);

private:
    void readProgress();
    void readErrors();
    void ended(int exitCode, QProcess::ExitStatus status);
    void fail(const QString& why);
    void removePart();

    QProcess m_process;
    QTimer m_stall;
    QByteArray m_pending;
    QByteArray m_errors;  // the end of the child's error output
    QString m_in, m_out;
    QString m_error;
    QStringList m_linked;
    QStringList m_notes;
    int m_unreadable = 0;
    int m_outOfRange = 0;
    int m_tables = 0;
    bool m_cancelled = false;
    bool m_stalled = false;
    bool m_done = false;
    bool m_finishing = false;  // every row read, the file being written out
    qint64 m_pid = 0;
};

// "<name> (converted).mdb" beside the original, or in the user's documents folder when that
// folder cannot be written; " 2", " 3" ... added while the name is taken.
QString convertedPath(const QString& original);
// A free name "<base><suffix>" in `folder`, " 2", " 3" ... added to base while taken.
QString freeName(const QString& folder, const QString& base, const QString& suffix);
// Renames, never over an existing file; false with `error` set when it cannot.
bool renameNoReplace(const QString& from, const QString& to, QString* error);
// Copies `source` to the new file `target` whole (synced) or not at all.
bool copyWhole(const QString& source, const QString& target, QString* error);

}  // namespace legacy
