#include "JetConversion.h"

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUrl>
#include <cerrno>
#include <cstring>

#include "JetHeader.h"

namespace legacy {

namespace {

QString g_program;
int g_stallMs = 40000;  // past the child's own 30 s, whose message says more
constexpr int kStopGraceMs = 3000;
constexpr qsizetype kErrorsKept = 64 * 1024;
constexpr int kUnreadableListed = 20;

QString shown(const QString& path) {
    return QStringLiteral("\"%1\"").arg(QDir::toNativeSeparators(path));
}

}  // namespace

QString JetConversion::program() {
    return g_program.isEmpty() ? QCoreApplication::applicationFilePath() : g_program;
}
void JetConversion::setProgram(const QString& path) {
    g_program = path;
}
int JetConversion::stallTimeoutMs() {
    return g_stallMs;
}
void JetConversion::setStallTimeoutMs(int ms) {
    g_stallMs = ms;
}

JetConversion::JetConversion(QObject* parent) : QObject(parent) {
    m_stall.setSingleShot(true);
    connect(&m_stall, &QTimer::timeout, this, [this] {
        m_stalled = true;
        m_process.kill();
    });
    connect(&m_process, &QProcess::readyReadStandardOutput, this, &JetConversion::readProgress);
    connect(&m_process, &QProcess::readyReadStandardError, this, &JetConversion::readErrors);
    connect(&m_process, &QProcess::finished, this, &JetConversion::ended);
    connect(&m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            fail(Text::tr("The converter %1 could not be started: %2")
                     .arg(shown(program()), m_process.errorString()));
    });
}

JetConversion::~JetConversion() {
    if (running()) {
        m_process.kill();
        m_process.waitForFinished(kStopGraceMs);
        removePart();
    }
}

void JetConversion::start(const QString& in, const QString& out) {
    m_in = QFileInfo(in).absoluteFilePath();
    m_out = QFileInfo(out).absoluteFilePath();
    m_error.clear();
    m_linked.clear();
    m_notes.clear();
    m_unreadable = m_outOfRange = 0;
    m_pending.clear();
    m_errors.clear();
    m_tables = 0;
    m_cancelled = m_stalled = m_done = m_finishing = false;
    m_pid = 0;
    // The child's messages are read whole at its end; its progress as it comes.
    m_process.setProcessChannelMode(QProcess::SeparateChannels);
    m_process.start(program(), {QStringLiteral("--convert-jet"), m_in, m_out}, QIODevice::ReadOnly);
    m_pid = m_process.processId();
    m_stall.start(g_stallMs);
}

void JetConversion::cancel() {
    if (!running()) return;
    m_cancelled = true;
    // Asked first, so that it removes its own part; ended at once if it does not listen.
    m_process.terminate();
    QTimer::singleShot(kStopGraceMs, &m_process, [this] {
        if (running()) m_process.kill();
    });
}

void JetConversion::readProgress() {
    m_pending += m_process.readAllStandardOutput();
    qsizetype end;
    while ((end = m_pending.indexOf('\n')) >= 0) {
        const QByteArray line = m_pending.left(end);
        m_pending.remove(0, end + 1);
        if (!m_finishing) m_stall.start(g_stallMs);
        const QList<QByteArray> f = line.split('\t');
        const QString kind = QString::fromLatin1(f.value(0));
        if (kind == QLatin1String("tables") && f.size() >= 2) {
            m_tables = f[1].toInt();
        } else if (kind == QLatin1String("table") && f.size() >= 4) {
            emit tableStarted(f[1].toInt(), m_tables, QUrl::fromPercentEncoding(f[2]),
                              f[3].toLongLong());
        } else if (kind == QLatin1String("rows") && f.size() >= 3) {
            emit rowsDone(f[1].toLongLong(), f[2].toLongLong());
        } else if (kind == QLatin1String("linked") && f.size() >= 2) {
            m_linked << QUrl::fromPercentEncoding(f[1]);
        } else if (kind == QLatin1String("leftout") && f.size() >= 4) {
            m_notes << Text::tr("The column \"%1\" of the table \"%2\" was left out: %3.")
                           .arg(QUrl::fromPercentEncoding(f[2]), QUrl::fromPercentEncoding(f[1]),
                                QUrl::fromPercentEncoding(f[3]));
        } else if (kind == QLatin1String("unreadable") && f.size() >= 5) {
            if (++m_unreadable <= kUnreadableListed) {
                const QString key = QUrl::fromPercentEncoding(f[3]);
                m_notes << Text::tr(
                               "The value of \"%1\" in row %2%3 of the table \"%4\" "
                               "could not be read whole; it was converted as empty "
                               "(Null).")
                               .arg(
                                   QUrl::fromPercentEncoding(f[4]), QString::fromLatin1(f[2]),
                                   key.isEmpty() ? QString() : QStringLiteral(" (\"%1\")").arg(key),
                                   QUrl::fromPercentEncoding(f[1]));
            }
        } else if (kind == QLatin1String("outofrange") && f.size() >= 5) {
            if (++m_outOfRange <= kUnreadableListed) {
                const QString key = QUrl::fromPercentEncoding(f[3]);
                m_notes << Text::tr(
                               "The date in \"%1\" in row %2%3 of the table \"%4\" lies "
                               "outside the years 100 to 9999 that a catalogue holds; it was "
                               "converted as empty (Null).")
                               .arg(
                                   QUrl::fromPercentEncoding(f[4]), QString::fromLatin1(f[2]),
                                   key.isEmpty() ? QString() : QStringLiteral(" (\"%1\")").arg(key),
                                   QUrl::fromPercentEncoding(f[1]));
            }
        } else if (kind == QLatin1String("tableleftout") && f.size() >= 2) {
            m_notes << Text::tr(
                           "The table \"%1\" was left out: none of its columns can be "
                           "converted.")
                           .arg(QUrl::fromPercentEncoding(f[1]));
        } else if (kind == QLatin1String("finishing")) {
            // Every row is read; writing the file out is no stall.
            m_stall.stop();
            m_finishing = true;
        } else if (kind == QLatin1String("count") && f.size() >= 4) {
            m_notes << Text::tr(
                           "The table \"%1\" holds %2 rows, all converted, though the "
                           "file counted %3.")
                           .arg(QUrl::fromPercentEncoding(f[1]), QString::fromLatin1(f[3]),
                                QString::fromLatin1(f[2]));
        } else if (kind == QLatin1String("done")) {
            m_done = true;
        }
    }
}

void JetConversion::readErrors() {
    // The reader's library may write warnings without end: only the last of them are kept,
    // which hold the child's own message.
    m_errors += m_process.readAllStandardError();
    if (m_errors.size() > kErrorsKept) m_errors.remove(0, m_errors.size() - kErrorsKept);
}

void JetConversion::removePart() {
    // The child's own name for its unfinished file, in case it could not remove it.
    if (m_pid <= 0 || m_out.isEmpty()) return;
    const QFileInfo out(m_out);
    const QString part = out.absolutePath() + QStringLiteral("/.") + out.fileName() +
                         QStringLiteral(".part-") + QString::number(m_pid);
    QFile::remove(part);
    QFile::remove(part + QStringLiteral("-journal"));
}

void JetConversion::fail(const QString& why) {
    m_stall.stop();
    if (m_error.isEmpty()) m_error = why;
    emit finished(false);
}

void JetConversion::ended(int exitCode, QProcess::ExitStatus status) {
    m_stall.stop();
    readProgress();
    readErrors();
    QString message;
    for (const QString& line : QString::fromLocal8Bit(m_errors).split(QLatin1Char('\n')))
        if (line.startsWith(QLatin1String("cogwright: "))) message = line.mid(11);
    // 3: converted, with damaged values left empty and listed.
    const bool ok = status == QProcess::NormalExit && (exitCode == 0 || exitCode == 3) && m_done &&
                    QFileInfo(m_out).isFile();
    if (ok) {
        if (m_unreadable > kUnreadableListed)
            m_notes << Text::tr("%1 more values could not be read whole and were left empty.")
                           .arg(m_unreadable - kUnreadableListed);
        if (m_outOfRange > kUnreadableListed)
            m_notes << Text::tr(
                           "%1 more dates lie outside the years 100 to 9999 and were left "
                           "empty.")
                           .arg(m_outOfRange - kUnreadableListed);
        emit finished(true);
        return;
    }
    removePart();
    if (m_cancelled)
        m_error =
            Text::tr("The conversion of %1 was cancelled; nothing was written.").arg(shown(m_in));
    else if (m_stalled)
        m_error = Text::tr(
                      "Reading %1 made no progress for %2 seconds and was stopped; the file may "
                      "be damaged. Nothing was written.")
                      .arg(shown(m_in))
                      .arg(g_stallMs / 1000);
    else if (!message.isEmpty())
        m_error = message;
    else
        m_error =
            Text::tr(
                "The conversion of %1 failed (the converter ended with status %2); nothing was "
                "written.")
                .arg(shown(m_in))
                .arg(status == QProcess::NormalExit ? exitCode : -1);
    emit finished(false);
}

QString freeName(const QString& folder, const QString& base, const QString& suffix) {
    const QDir dir(folder);
    QString candidate = dir.filePath(base + suffix);
    for (int n = 2; QFileInfo(candidate).exists() || QFileInfo(candidate).isSymLink(); ++n)
        candidate = dir.filePath(base + QLatin1Char(' ') + QString::number(n) + suffix);
    return candidate;
}

QString convertedPath(const QString& original) {
    const QFileInfo info(original);
    QString folder = info.absolutePath();
    if (!QFileInfo(folder).isWritable() ||
        ::access(QFile::encodeName(folder).constData(), W_OK) != 0) {
        folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        if (folder.isEmpty()) folder = QDir::homePath();
        QDir().mkpath(folder);
    }
    return freeName(folder, info.completeBaseName() + QStringLiteral(" (converted)"),
                    QStringLiteral(".mdb"));
}

bool renameNoReplace(const QString& from, const QString& to, QString* error) {
    const QByteArray a = QFile::encodeName(from), b = QFile::encodeName(to);
    if (::renameat2(AT_FDCWD, a.constData(), AT_FDCWD, b.constData(), RENAME_NOREPLACE) == 0)
        return true;
    int e = errno;
    if ((e == EINVAL || e == ENOSYS) && ::link(a.constData(), b.constData()) == 0) {
        ::unlink(a.constData());
        return true;
    }
    if (e == EINVAL || e == ENOSYS) e = errno;
    if (error)
        *error = e == EEXIST
                     ? Text::tr("%1 already exists.").arg(shown(to))
                     : Text::tr("%1 cannot be renamed to %2: %3.")
                           .arg(shown(from), shown(to), QString::fromLocal8Bit(std::strerror(e)));
    return false;
}

bool copyWhole(const QString& source, const QString& target, QString* error) {
    const QFileInfo t(target);
    const QString part = t.absolutePath() + QStringLiteral("/.") + t.fileName() +
                         QStringLiteral(".part-") + QString::number(::getpid());
    auto failed = [&](const QString& why) {
        QFile::remove(part);
        if (error) *error = Text::tr("%1 cannot be written: %2").arg(shown(target), why);
        return false;
    };
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) return failed(in.errorString());
    const int fd = ::open(QFile::encodeName(part).constData(),
                          O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) return failed(QString::fromLocal8Bit(std::strerror(errno)));
    bool ok = true;
    while (ok && !in.atEnd()) {
        const QByteArray block = in.read(1 << 20);
        if (block.isEmpty() && in.error() != QFile::NoError) ok = false;
        for (qsizetype at = 0; ok && at < block.size();) {
            const ssize_t n = ::write(fd, block.constData() + at, size_t(block.size() - at));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0)
                ok = false;
            else
                at += n;
        }
    }
    const QString why = QString::fromLocal8Bit(std::strerror(errno));
    if (ok) ok = ::fsync(fd) == 0;
    ::close(fd);
    if (!ok) return failed(why);
    QString renameError;
    if (!renameNoReplace(part, target, &renameError)) {
        QFile::remove(part);
        if (error) *error = renameError;
        return false;
    }
    return true;
}

}  // namespace legacy
