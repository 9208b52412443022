#include "JetConverter.h"

#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QUrl>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "BulkInsert.h"
#include "Catalog.h"
#include "JetHeader.h"
#include "JetReader.h"
#include "OlePicture.h"
#include "PartsLayout.h"
#include "StoreError.h"

namespace legacy {

namespace {

constexpr long kProgressEvery = 500;    // rows between progress lines, or
constexpr qint64 kProgressMs = 1000;    // this long, for rows of large pictures
constexpr unsigned kStallSeconds = 30;  // the reader gives up when no row comes for this long
constexpr rlim_t kAddressSpace = rlim_t(2) << 30;  // the converting child's memory, at most

QByteArray encoded(const QString& name) {
    return QUrl::toPercentEncoding(name);
}

store::DataTypeEnum ourType(JetType type) {
    switch (type) {
        case JetType::Boolean:
            return store::adBoolean;
        case JetType::Byte:
        case JetType::Integer:
        case JetType::LongInteger:
            return store::adInteger;
        case JetType::Currency:
            return store::adCurrency;
        case JetType::Single:
            return store::adSingle;
        case JetType::Double:
            return store::adDouble;
        case JetType::DateTime:
        case JetType::DateTimeExtended:
            return store::adDate;
        // The store has no decimal type: a Decimal keeps every digit as text.
        case JetType::Text:
        case JetType::ReplicationId:
        case JetType::Decimal:
            return store::adVarWChar;
        case JetType::Memo:
            return store::adLongVarWChar;
        case JetType::Binary:
        case JetType::Ole:
            return store::adLongVarBinary;
        default:
            return store::adEmpty;
    }
}

// The table's definition in our terms: its own columns, an AutoNumber as the counting key.
store::Table ownTable(store::Catalog& catalog, const JetTable& jet) {
    store::Table table(jet.name);
    const JetColumn* counter = nullptr;
    for (const JetColumn& c : jet.columns) {
        const long size = c.type == JetType::Text            ? (c.size > 0 ? c.size : 255)
                          : c.type == JetType::ReplicationId ? 38
                          : c.type == JetType::Decimal       ? c.precision + 3  // sign, 0, point
                                                             : 0;
        store::Column column(c.name, ourType(c.type), size);
        if (c.autoNumber && !counter) {
            counter = &c;
            column.ParentCatalog = &catalog;
            column.setProperty(QStringLiteral("AutoIncrement"), true);
        }
        table.appendColumn(column);
    }
    if (counter) {
        store::Index key;
        key.Name = QStringLiteral("PrimaryKey");
        key.Unique = key.PrimaryKey = true;
        key.appendColumn(counter->name, store::adInteger);
        table.Indexes.push_back(key);
    }
    return table;
}

// Values that could not be read whole, and dates the catalogue cannot hold, converted as Null.
long g_unreadable = 0;
long g_outOfRange = 0;

// The half-made file, removed however the child ends.
char g_partPath[4096];
char g_partJournal[4096];
char g_crashMessage[3 * 4096];  // a crash, a stall, a stop

void removePart() {
    if (g_partPath[0]) ::unlink(g_partPath);
    if (g_partJournal[0]) ::unlink(g_partJournal);
}

extern "C" void onFatalSignal(int sig) {
    removePart();
    const char* text = g_crashMessage;
    if (sig == SIGALRM) text = g_crashMessage + 4096;
    if (sig == SIGTERM) text = g_crashMessage + 8192;
    ssize_t ignored = ::write(STDERR_FILENO, text, std::strlen(text));
    (void)ignored;
    ::_exit(sig == SIGALRM ? 4 : sig == SIGTERM ? 5 : 6);
}

void setPart(const QString& path) {
    const QByteArray native = QFile::encodeName(path);
    const QByteArray journal = native + "-journal";
    if (size_t(journal.size()) >= sizeof g_partJournal)
        throw store::StoreError(store::errInvalidArgument,
                                Text::tr("The path \"%1\" is too long.").arg(path));
    std::memcpy(g_partPath, native.constData(), size_t(native.size()) + 1);
    std::memcpy(g_partJournal, journal.constData(), size_t(journal.size()) + 1);
}

void clearPart() {
    g_partPath[0] = g_partJournal[0] = '\0';
}

// Puts the complete file under its name, never over a file that appeared there meanwhile.
void placeFile(const QString& part, const QString& out) {
    const QByteArray from = QFile::encodeName(part), to = QFile::encodeName(out);
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return;
    int error = errno;
    if (error == EINVAL ||
        error == ENOSYS) {  // a file system without it: a link cannot replace either
        if (::link(from.constData(), to.constData()) == 0) {
            ::unlink(from.constData());
            return;
        }
        error = errno;
    }
    if (error == EEXIST)
        throw store::StoreError(
            store::errFileExists,
            Text::tr("The file \"%1\" already exists; it was not replaced.").arg(out));
    throw store::StoreError(store::errFileNotFound,
                            Text::tr("The new catalogue \"%1\" cannot be written: %2.")
                                .arg(out, QString::fromLocal8Bit(std::strerror(error))));
}

void syncFolder(const QString& folder) {
    const int fd =
        ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

}  // namespace

bool partsShape(const JetTable& table, std::vector<int>* boxes) {
    namespace parts = store::parts;
    // Every value has to fit the layout's column as it is, or the table keeps its own columns.
    auto fits = [](const JetColumn& c, store::DataTypeEnum type, long size) {
        switch (type) {
            case store::adInteger:
                return c.type == JetType::Byte || c.type == JetType::Integer ||
                       c.type == JetType::LongInteger;
            case store::adCurrency:
                return c.type == JetType::Currency;
            case store::adSingle:
                return c.type == JetType::Single;
            case store::adDate:
                return c.type == JetType::DateTime || c.type == JetType::DateTimeExtended;
            case store::adLongVarBinary:
                return c.type == JetType::Ole || c.type == JetType::Binary;
            case store::adVarWChar:
                return c.type == JetType::Text && c.size > 0 && c.size <= size;
            default:
                return false;
        }
    };
    int fixed = 0;
    std::vector<int> found;
    for (const JetColumn& c : table.columns) {
        bool matched = false;
        for (const auto* group : {&parts::kLeadingColumns[0], &parts::kTrailingColumns[0]}) {
            const size_t n = group == &parts::kLeadingColumns[0] ? parts::kLeadingColumns.size()
                                                                 : parts::kTrailingColumns.size();
            for (size_t i = 0; i < n; ++i)
                if (c.name.compare(QLatin1String(group[i].name), Qt::CaseInsensitive) == 0) {
                    if (!fits(c, group[i].type, group[i].definedSize)) return false;
                    matched = true;
                }
        }
        if (matched) {
            ++fixed;
            continue;
        }
        int box = 0;
        for (int b = 1; b <= parts::kOptionalCount && !box; ++b)
            if (parts::optionalName(b).compare(c.name, Qt::CaseInsensitive) == 0) box = b;
        if (!box || !fits(c, parts::optionalType(box), parts::optionalSize(box))) return false;
        found.push_back(box);
    }
    if (fixed != int(parts::kLeadingColumns.size() + parts::kTrailingColumns.size())) return false;
    if (boxes) *boxes = found;
    return true;
}

namespace {

// One table into the new catalogue, its convertible columns only; returns the rows read, or -1
// when no column of it can be converted and it was left out.
long convertTable(JetDatabase& jet, const JetTable& t, store::Catalog& catalog,
                  store::Connection& cn, const QString& in, const ProgressLine& progress) {
    JetTable kept = t;
    std::vector<size_t> from;
    kept.columns.clear();
    for (size_t i = 0; i < t.columns.size(); ++i)
        if (t.columns[i].type != JetType::Unsupported) {
            kept.columns.push_back(t.columns[i]);
            from.push_back(i);
        }
    if (kept.columns.empty()) {
        progress("tableleftout\t" + encoded(t.name));
        return -1;
    }
    std::vector<int> boxes;
    if (partsShape(kept, &boxes))
        store::parts::createPartsTable(catalog, t.name, boxes);
    else
        catalog.appendTable(ownTable(catalog, kept));
    QStringList names;
    for (const JetColumn& c : kept.columns) names << c.name;
    store::BulkInsert insert(cn, t.name, names);
    QElapsedTimer sinceProgress;
    sinceProgress.start();
    std::vector<QVariant> values(kept.columns.size());
    // Columns of the row being read that came out Null, and why.
    std::vector<std::pair<size_t, JetDatabase::Lost>> damaged;
    const auto lost = [&](long, size_t column, JetDatabase::Lost why) {
        damaged.emplace_back(column, why);
    };
    const long read = jet.readRows(
        t,
        [&](long row, std::vector<QVariant>& all) {
            for (const auto& [column, why] : damaged) {
                const bool range = why == JetDatabase::Lost::OutOfRange;
                progress((range ? "outofrange\t" : "unreadable\t") + encoded(t.name) + '\t' +
                         QByteArray::number(qlonglong(row)) + '\t' +
                         encoded(all.empty() ? QString() : all[0].toString()) + '\t' +
                         encoded(t.columns[column].name));
                ++(range ? g_outOfRange : g_unreadable);
            }
            damaged.clear();
            for (size_t i = 0; i < from.size(); ++i) {
                values[i] = std::move(all[from[i]]);
                if (kept.columns[i].type == JetType::Ole && !values[i].isNull())
                    values[i] = unwrapOlePicture(values[i].toByteArray());
            }
            try {
                insert.add(values);
            } catch (const store::StoreError& e) {
                throw JetError(Text::tr("Row %1 of the table \"%2\" in \"%3\" cannot be "
                                        "converted: %4")
                                   .arg(row)
                                   .arg(t.name, in, e.description()));
            }
            ::alarm(kStallSeconds);
            if (row % kProgressEvery == 0 || sinceProgress.elapsed() >= kProgressMs) {
                progress("rows\t" + QByteArray::number(qlonglong(row)) + '\t' +
                         QByteArray::number(qlonglong(std::max(t.rowCount, row))));
                sinceProgress.start();
            }
        },
        lost);
    insert.finish();
    return read;
}

}  // namespace

void convertJet(const QString& inPath, const QString& outPath, const ProgressLine& progress) {
    const QString in = QFileInfo(inPath).absoluteFilePath();
    const QFileInfo outInfo(outPath);
    const QString out = outInfo.absoluteFilePath();
    if (const QString problem = jetFileProblem(in); !problem.isEmpty()) throw JetError(problem);
    if (outInfo.exists() || outInfo.isSymLink())
        throw store::StoreError(
            store::errFileExists,
            Text::tr("The file \"%1\" already exists; it was not replaced.").arg(out));

    JetDatabase jet(in);
    progress("tables\t" + QByteArray::number(qulonglong(jet.tables().size())));
    for (const QString& linked : jet.linkedTables()) progress("linked\t" + encoded(linked));
    // A column of a type that cannot be converted is left out and named; the rest of its table
    // and of the file is converted.
    for (const JetTable& t : jet.tables())
        for (const JetColumn& c : t.columns)
            if (c.type == JetType::Unsupported)
                progress("leftout\t" + encoded(t.name) + '\t' + encoded(c.name) + '\t' +
                         encoded(c.leftOut));

    const QString part = outInfo.absolutePath() + QStringLiteral("/.") + outInfo.fileName() +
                         QStringLiteral(".part-") + QString::number(::getpid());
    setPart(part);
    try {
        store::Catalog catalog;
        store::Connection& cn =
            catalog.Create(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") +
                           store::Connection::quoteValue(part));
        store::startFilling(cn);
        long total = 0;
        int index = 0;
        for (const JetTable& t : jet.tables()) {
            ++index;
            progress("table\t" + QByteArray::number(index) + '\t' + encoded(t.name) + '\t' +
                     QByteArray::number(qlonglong(t.rowCount)));
            ::alarm(kStallSeconds);
            const long read = convertTable(jet, t, catalog, cn, in, progress);
            if (read < 0) continue;
            if (read != t.rowCount)
                progress("count\t" + encoded(t.name) + '\t' +
                         QByteArray::number(qlonglong(t.rowCount)) + '\t' +
                         QByteArray::number(qlonglong(read)));
            total += read;
            progress("rows\t" + QByteArray::number(qlonglong(read)) + '\t' +
                     QByteArray::number(qlonglong(read)));
        }
        // Every row is read: writing the new file out may take long on a slow disk, and is not
        // a stalled reader.
        ::alarm(0);
        progress("finishing");
        store::finishFilling(cn);
        cn.Close();
        placeFile(part, out);
        clearPart();
        syncFolder(outInfo.absolutePath());
        progress("done\t" + QByteArray::number(index) + '\t' +
                 QByteArray::number(qlonglong(total)));
    } catch (...) {
        removePart();
        clearPart();
        throw;
    }
}

int runConvertJet(const QString& in, const QString& out) {
    const QString shownIn = QFileInfo(in).absoluteFilePath();
    // Made here, before any signal: the handler can only write what is ready.
    const auto line = [](const QString& text) {
        return QByteArray("cogwright: ") + text.toLocal8Bit() + '\n';
    };
    const QByteArray crash =
        line(Text::tr("The reader of Jet files failed on \"%1\"; the file is damaged. Nothing was "
                      "written.")
                 .arg(shownIn));
    const QByteArray stall =
        line(Text::tr("Reading \"%1\" made no progress for 30 seconds and was stopped; the file "
                      "is damaged. Nothing was written.")
                 .arg(shownIn));
    const QByteArray stopped =
        line(Text::tr("The conversion of \"%1\" was stopped; nothing was written.").arg(shownIn));
    std::snprintf(g_crashMessage, 4096, "%s", crash.constData());
    std::snprintf(g_crashMessage + 4096, 4096, "%s", stall.constData());
    std::snprintf(g_crashMessage + 8192, 4096, "%s", stopped.constData());
    const QString notConverted = Text::tr("\"%1\" could not be converted: %2");
    const auto say = [&line](const QString& text) { std::fputs(line(text).constData(), stderr); };
    for (int sig : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGALRM, SIGTERM})
        ::signal(sig, onFatalSignal);
    // A window that ends without waiting for its conversion takes it along.
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    ::alarm(kStallSeconds);
    // Damage that makes the reader allocate without end ends it, not the machine's memory.
    const rlimit space{kAddressSpace, kAddressSpace};
    ::setrlimit(RLIMIT_AS, &space);
    try {
        convertJet(in, out, [](const QByteArray& line) {
            std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
            std::fputc('\n', stdout);
            std::fflush(stdout);
        });
        ::alarm(0);
        if (g_unreadable == 0 && g_outOfRange == 0) return 0;
        if (g_unreadable > 0)
            say(Text::tr("%1 values in \"%2\" could not be read whole (the file is damaged); they "
                         "were converted as empty (Null) and are listed above.")
                    .arg(g_unreadable)
                    .arg(shownIn));
        if (g_outOfRange > 0)
            say(Text::tr("%1 dates in \"%2\" lie outside the years 100 to 9999 that a catalogue "
                         "holds; they were converted as empty (Null) and are listed above.")
                    .arg(g_outOfRange)
                    .arg(shownIn));
        return 3;
    } catch (const JetError& e) {
        say(e.text);
    } catch (const store::StoreError& e) {
        say(notConverted.arg(shownIn, e.description()));
    } catch (const std::exception& e) {
        say(notConverted.arg(shownIn, QString::fromLocal8Bit(e.what())));
    }
    ::alarm(0);
    return 1;
}

}  // namespace legacy
