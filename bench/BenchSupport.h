#pragma once

// What the benchmarks share: a platform that answers for the user, memory peaks, and a large
// catalogue made straight through SQLite.

#include <sqlite3.h>

#include <QByteArray>
#include <QFile>
#include <QString>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "Catalog.h"
#include "ChildRun.h"
#include "PartsLayout.h"
#include "Platform.h"

class BenchPlatform : public Platform {
public:
    explicit BenchPlatform(QString folder) : m_folder(std::move(folder)) {}
    QString programFolder() override { return m_folder; }
    QString sharedFolder() override { return m_folder; }
    QString unpackFolder() override { return m_folder; }
    QString openFileName(QWidget*, const QString&, const QString&, const QString&) override {
        return choice;
    }
    QString choice;
    void errorReport(QWidget*, long number, const QString& description) override {
        std::fprintf(stderr, "error %ld: %s\n", number, qPrintable(description));
        std::exit(1);
    }

private:
    QString m_folder;
};

inline long peakKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
    return -1;
}

inline void resetPeak() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

// Puts pictures[row % count] into the Image column of every row of a bench catalogue.
inline void fillPictures(const QString& path, const std::vector<QByteArray>& pictures) {
    sqlite3* db = nullptr;
    sqlite3_open(path.toUtf8().constData(), &db);
    sqlite3_exec(db, "PRAGMA synchronous=OFF; BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "UPDATE Parts SET Image = ?1 WHERE PartID % ?2 = ?3", -1, &st, nullptr);
    const int count = int(pictures.size());
    for (int i = 0; i < count; ++i) {
        const QByteArray& bytes = pictures[size_t(i)];
        sqlite3_bind_blob(st, 1, bytes.constData(), int(bytes.size()), SQLITE_STATIC);
        sqlite3_bind_int(st, 2, count);
        sqlite3_bind_int(st, 3, i);
        sqlite3_step(st);
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

inline void makeCatalogue(const QString& path, int rows) {
    const QString temp = path + QStringLiteral(".part");
    QFile::remove(temp);
    {
        store::Catalog cat;
        cat.Create(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;User ID=Admin;Data Source=") +
                   temp);
        std::vector<int> all;
        for (int b = 1; b <= store::parts::kOptionalCount; ++b) all.push_back(b);
        store::parts::createPartsTable(cat, QStringLiteral("Parts"), all);
        cat.ActiveConnection().Close();
    }
    // Bulk rows straight through SQLite: the store's per-row path is not what is measured here.
    sqlite3* db = nullptr;
    sqlite3_open(temp.toUtf8().constData(), &db);
    sqlite3_exec(db, "PRAGMA synchronous=OFF; BEGIN", nullptr, nullptr, nullptr);
    std::string sql = "INSERT INTO Parts VALUES (?";
    for (int i = 1; i < 32; ++i) sql += ",?";
    sql += ")";
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr);
    for (int r = 1; r <= rows; ++r) {
        sqlite3_bind_int(st, 1, r);
        const std::string number = "P-" + std::to_string(r);
        sqlite3_bind_text(st, 2, number.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 3, "Hex Bolt M8 x 40, Grade 8.8", -1, SQLITE_STATIC);
        sqlite3_bind_text(st, 4, "Fasteners", -1, SQLITE_STATIC);
        sqlite3_bind_text(st, 5, "Zinc-plated hexagon head bolt, part thread.", -1, SQLITE_STATIC);
        for (int box = 1; box <= 25; ++box) {
            const int col = 5 + box;
            switch (store::parts::optionalType(box)) {
                case store::adCurrency:
                    sqlite3_bind_int64(st, col, 12345 + r);
                    break;
                case store::adInteger:
                    sqlite3_bind_int(st, col, r % 1000);
                    break;
                case store::adSingle:
                    sqlite3_bind_double(st, col, 0.25 * (r % 100));
                    break;
                default:
                    sqlite3_bind_text(st, col, "Norrland Fasteners", -1, SQLITE_STATIC);
                    break;
            }
        }
        sqlite3_bind_text(st, 31, "2026-03-02 09:15:00", -1, SQLITE_STATIC);
        sqlite3_bind_null(st, 32);
        sqlite3_step(st);
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    QFile::rename(temp, path);
}
