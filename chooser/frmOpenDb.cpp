#include "frmOpenDb.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QHash>
#include <QHeaderView>
#include <QInputDialog>
#include <QProgressDialog>
#include <QPushButton>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTableView>
#include <QTreeWidget>
#include <atomic>
#include <cmath>
#include <thread>

#include "Control.h"
#include "CsvWindows.h"
#include "ErrorReport.h"
#include "JetConversion.h"
#include "JetHeader.h"
#include "JetImport.h"
#include "Pictures.h"
#include "Platform.h"
#include "Recordset.h"
#include "StoreError.h"
#include "TableCopy.h"
#include "WindowScale.h"
#include "dlgConnect.h"
#include "ui_frmOpenDb.h"

namespace {

const QString kTag = QStringLiteral("Table");
const QString kColumnTag = QStringLiteral("Column");
constexpr int kTagRole = Qt::UserRole;
constexpr int kTwipsPerPixel = 15;
constexpr int kGridPadding = 240;  // twips beyond the widest text of a column
constexpr long kLongFieldFlags = 200;
constexpr qint64 kUnpackChunk = 1000;

QString previewStatement(const store::Connection& cn, const QString& table) {
    return QStringLiteral("SELECT * FROM ") + cn.tableReference(table);
}

}  // namespace

int frmOpenDb::lLastRow = 0;

// A thread measuring the columns of a server's table (see showServerRows).
struct frmOpenDb::Measure {
    std::thread thread;
    std::shared_ptr<std::atomic<bool>> stop = std::make_shared<std::atomic<bool>>(false);
    std::shared_ptr<std::atomic<bool>> done = std::make_shared<std::atomic<bool>>(false);
};

frmOpenDb::frmOpenDb(const DatabaseChoice& current, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::frmOpenDb>()), m_current(current) {
    ui->setupUi(this);
    setFixedSize(size());  // the controls keep their places
    fitToFont(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    // While a table is copied to a server, the copy reads through this window's connection:
    // the window's own buttons (reachable behind the copy's dialogs) wait until it is done.
    auto on = [this](QAbstractButton* button, void (frmOpenDb::*handler)()) {
        connect(button, &QAbstractButton::clicked, this, [this, handler] {
            if (!m_copying) runGuarded(this, [this, handler] { (this->*handler)(); });
        });
    };
    on(ui->cmdBrowse, &frmOpenDb::cmdBrowse_Click);
    on(ui->cmdServer, &frmOpenDb::cmdServer_Click);
    on(ui->cmdCopy, &frmOpenDb::cmdCopy_Click);
    on(ui->cmdOK, &frmOpenDb::cmdOK_Click);
    on(ui->cmdCancel, &frmOpenDb::cmdCancel_Click);
    on(ui->cmdExportCsv, &frmOpenDb::cmdExportCsv_Click);
    on(ui->cmdImportCsv, &frmOpenDb::cmdImportCsv_Click);
    connect(&m_preview, &QAbstractItemModel::modelReset, this, &frmOpenDb::enableCsvButtons);
    connect(&m_preview, &QAbstractItemModel::dataChanged, this, &frmOpenDb::enableCsvButtons);
    auto node = [this](QTreeWidgetItem* item) {
        if (!m_copying) runGuarded(this, [this, item] { trvData_NodeClick(item); });
    };
    connect(ui->trvData, &QTreeWidget::itemClicked, this, node);
    connect(ui->trvData, &QTreeWidget::itemActivated, this, node);
    ui->MSFlexGrid1->setModel(&m_preview);
    // Tab leaves the preview; the arrows move between its cells.
    ui->MSFlexGrid1->setTabKeyNavigation(false);
    // Enter on a row acts as a click. A double-click is one click: the activation and the
    // second click that come with it on the same row are passed over.
    auto gridClick = [this](const QModelIndex& index) {
        if (m_copying) return;
        if (index.row() == m_doubleClickRow && m_doubleClickTime.isValid() &&
            m_doubleClickTime.elapsed() <= QApplication::doubleClickInterval())
            return;
        runGuarded(this, [this] { MSFlexGrid1_Click(); });
    };
    connect(ui->MSFlexGrid1, &QTableView::clicked, this, gridClick);
    connect(ui->MSFlexGrid1, &QTableView::activated, this, gridClick);
    connect(ui->MSFlexGrid1, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
        m_doubleClickRow = index.row();
        m_doubleClickTime.start();
    });
    ui->MSFlexGrid1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    ui->MSFlexGrid1->verticalHeader()->setDefaultSectionSize(18);
    // No default button: Enter in the tree or the preview must not accept the choice.
    for (QPushButton* button : findChildren<QPushButton*>()) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    Form_Load();
}

frmOpenDb::~frmOpenDb() {
    ui->MSFlexGrid1->setModel(nullptr);
    Form_Unload();
    for (const auto& m : m_measures) m->stop->store(true);
    for (const auto& m : m_measures) m->thread.join();
}

void frmOpenDb::Form_Load() {
    bHasImage = false;
    bDatabaseOpen = false;
    // Opens on the database the parts window works on.
    m_path = m_current.path;
    m_table = m_current.table;
    if (!m_path.isEmpty()) {
        // A path that no longer opens is reported; the window stays, with nothing to choose yet.
        try {
            Open_Database();
        } catch (const store::StoreError& e) {
            reportUnexpected(e.description());
        }
    } else {
        m_path = Control::sAppPath;
    }
}

void frmOpenDb::Form_Unload() {
    endPreview();
    if (bDatabaseOpen && cnDatabase) {
        try {
            cnDatabase->Close();
        } catch (...) {
        }
    }
    cnDatabase.reset();
    bDatabaseOpen = false;
    endJetPreview();
}

void frmOpenDb::reportUnexpected(const QString& description) {
    Platform::instance().warning(this, kProgramTitle, tr("Unexpected Error: ") + description);
}

void frmOpenDb::Open_Database() {
    ui->txtPath->setText(m_path);
    ui->Picture1->clear();
    // The new connection and its tree are built aside: if the file does not open, the window
    // keeps showing what it showed before.
    auto connection = std::make_unique<store::Connection>();
    connection->setConnectionString(
        QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") +
        store::Connection::quoteValue(m_path) + QStringLiteral(";Persist Security Info=False"));
    connection->Open(QString(), QString(), QString());
    std::swap(cnDatabase, connection);
    bDatabaseOpen = true;
    try {
        Fill_Tables();
        ui->trvData->setSortingEnabled(false);
        const int count = ui->trvData->topLevelItemCount();
        for (int i = 0; i < count; ++i) Fill_Columns(ui->trvData->topLevelItem(i));
    } catch (...) {
        std::swap(cnDatabase, connection);
        bDatabaseOpen = cnDatabase != nullptr;
        throw;
    }
    // A server's table previewed ends with the connection it came from, as a keyset does.
    stopMeasuring();
    m_serverRows.reset();
    if (connection) connection->Close();
}

void frmOpenDb::Fill_Tables() {
    // Read first, shown after: a failing schema query leaves the tree as it was.
    auto rs =
        cnDatabase->OpenSchema(store::adSchemaTables, {QString(), QString(), QString(), kTag});
    QStringList names;
    while (!rs->EOF_()) {
        names << rs->fields()["TABLE_NAME"].Value().toString();
        rs->MoveNext();
    }
    rs->Close();
    ui->trvData->clear();
    ui->trvData->setSortingEnabled(false);
    for (const QString& name : names) {
        auto* node = new QTreeWidgetItem(ui->trvData, QStringList{name});
        node->setData(0, kTagRole, kTag);
    }
}

void frmOpenDb::Fill_Columns(QTreeWidgetItem* node) {
    if (node->childCount() > 0) return;
    auto rs = cnDatabase->OpenSchema(store::adSchemaColumns,
                                     {QString(), QString(), node->text(0), QString()});
    while (!rs->EOF_()) {
        auto* child =
            new QTreeWidgetItem(node, QStringList{rs->fields()["Column_Name"].Value().toString()});
        child->setData(0, kTagRole, kColumnTag);
        rs->MoveNext();
    }
    rs->Close();
}

void frmOpenDb::trvData_NodeClick(QTreeWidgetItem* Node) {
    if (Node && Node->data(0, kTagRole).toString() == kTag) Show_Table(Node);
}

void frmOpenDb::endPreview() {
    stopMeasuring();
    m_serverRows.reset();
    m_previewRows.reset();
    m_previewAt = -1;
    m_previewTexts.clear();
}

QStringList frmOpenDb::previewRow(int row) {
    if (!m_previewTexts.empty()) return m_previewTexts.at(size_t(row - 1));
    QStringList texts;
    if (m_serverRows) {
        std::vector<QVariant> values;
        try {
            if (!m_serverRows->row(row - 1, values)) return texts;
        } catch (const store::StoreError&) {
            return texts;  // gone since the preview (a server that went away): shown blank
        }
        const auto& columns = m_serverRows->columns();
        for (size_t i = 0; i < values.size(); ++i)
            texts << (values[i].isNull() ? QStringLiteral(" ")
                      : columns[i].type == store::adLongVarBinary
                          ? store::binaryText(values[i].toLongLong())
                          : store::valueText(values[i]));
        return texts;
    }
    try {
        store::Recordset& rs = *m_previewRows;
        if (m_previewAt < 0) {
            rs.MoveFirst();
            m_previewAt = 0;
        }
        rs.Move(row - 1 - m_previewAt);
        m_previewAt = row - 1;
        const int k = rs.fields().Count();
        for (int i = 0; i < k; ++i) {
            const QVariant value = rs[i].Value();
            texts << (value.isNull() ? QStringLiteral(" ") : store::valueText(value));
        }
    } catch (const store::StoreError&) {
        // gone since the preview (a closed connection): shown blank
    }
    return texts;
}

void frmOpenDb::Show_Table(QTreeWidgetItem* node) {
    const QString table = node->text(0);
    auto fail = [this](const QString& description) {
        // Nothing previewed: the grid is blanked, so OK cannot take the table.
        endPreview();
        m_preview.blank();
        reportUnexpected(description);
    };
    std::unique_ptr<store::Recordset> rs;
    std::unique_ptr<store::TablePreview> served;
    try {
        if (!cnDatabase || !cnDatabase->isOpen())
            throw store::StoreError(store::errObjectClosed, tr("No database is open."));
        // A server's table is read a page at a time as the grid shows it.
        served = store::TablePreview::open(*cnDatabase, table);
        if (!served) rs = cnDatabase->Execute(previewStatement(*cnDatabase, table));
    } catch (const store::StoreError& e) {
        fail(e.description());
        return;
    }
    ui->lblCount->setText(tr("Records in Table: ") + table);
    m_table = table;
    ui->Picture1->clear();
    bHasImage = false;
    endPreview();
    if (served) {
        showServerRows(std::move(served));
        return;
    }

    // The grid shows rows from a keyset over the table, in the same order as the query; a
    // table whose rows have no keys is held as text instead.
    auto rows = std::make_unique<store::Recordset>();
    bool keyed = true;
    try {
        rows->Open(table, *cnDatabase, store::adOpenKeyset, store::adLockReadOnly,
                   store::adCmdTable);
    } catch (const store::StoreError&) {
        keyed = false;
    }

    std::vector<store::ColumnInfo> columns;
    for (int i = 0; i < rs->fields().Count(); ++i) {
        store::ColumnInfo c;
        c.name = rs->fields()[i].Name();
        c.type = rs->fields()[i].Type();
        columns.push_back(c);
    }
    const QStringList headers = previewHeaders(columns);
    // Each column as wide as its widest text, the field name included; long fields never widen.
    std::vector<float> width;
    long count = 0;
    try {
        width = widestTexts(table, *rs, keyed, count);
    } catch (const store::StoreError& e) {
        fail(e.description());
        return;
    }
    if (keyed && rows->RecordCount() != count) {
        fail(tr("The table '%1' changed while it was read.").arg(table));
        return;
    }
    if (keyed) m_previewRows = std::move(rows);
    ui->txtCount->setText(QString::number(count));
    m_preview.reset(headers, int(count), [this](int row) { return previewRow(row); });
    setColumnWidths(width);
}

QStringList frmOpenDb::previewHeaders(const std::vector<store::ColumnInfo>& columns) {
    QStringList headers;
    for (const store::ColumnInfo& c : columns) {
        headers << c.name;
        if (c.name.toUpper() == QLatin1String("IMAGE")) bHasImage = true;
    }
    // Old Jet tables keep their pictures in OLE Object columns of any name.
    m_pictureColumn = QStringLiteral("Image");
    for (size_t i = 0; i < columns.size() && !bHasImage && !m_jetFile.isEmpty(); ++i)
        if (columns[i].type == store::adLongVarBinary) {
            m_pictureColumn = columns[i].name;
            bHasImage = true;
        }
    return headers;
}

void frmOpenDb::setColumnWidths(const std::vector<float>& width) {
    QTableView* grid = ui->MSFlexGrid1;
    const int k = int(width.size());
    for (int i = 0; i < k; ++i) {
        // Half a twip goes to the even neighbour.
        const double twips = std::nearbyint(double(width[size_t(i)]) + kGridPadding);
        grid->setColumnWidth(i, int(std::lround(twips / kTwipsPerPixel)));
    }
}

// ---- The widest text of each column ----------------------------------------------------------
//
// Measuring every value of a large table takes seconds. Here a value is measured only when an
// upper bound of its width says that it could widen its column, whole numbers and dates are
// bounded by their kind without being written out, and SQLite itself passes over the values that
// cannot widen a column: the texts a sample of the table showed, and numbers of a range whose
// texts are no wider. The widths come out the same as when every value is measured; the long
// fields (pictures) are never read.

#include <QSet>
#include <array>
#include <bit>
#include <cmath>
#include <limits>
#include <optional>

namespace {

constexpr int kSampleRows = 256;  // read from each end of the table
constexpr int kMaxNamed = 2;      // texts of a column that SQLite is told to pass over
constexpr qsizetype kMaxSeen = 1 << 16;
constexpr size_t kMaxAsked =
    400;  // columns, within SQLite's limits on result columns and expression depth
constexpr qreal kNoBound = std::numeric_limits<qreal>::infinity();

// Upper bounds of QFontMetricsF::horizontalAdvance for texts of printable ASCII. A text's advance
// is the sum of its glyphs' advances and of a kerning adjustment between each two neighbours, so
// a character adds at most step(c) = the greatest of advance("c") and advance("cd") - advance("d")
// over every d, and the sum of the steps of a text's characters is at least its advance. Other
// characters have no bound (fallback fonts, marks, a tab's stops, U+009C that ends what is
// measured): a text holding one is measured.
class GlyphSteps {
public:
    explicit GlyphSteps(const QFontMetricsF& metrics) {
        std::array<qreal, 128> alone{};
        for (char16_t c = kFirst; c <= kLast; ++c)
            alone[c] = metrics.horizontalAdvance(QString(QChar(c)));
        for (char16_t c = kFirst; c <= kLast; ++c) {
            qreal step = alone[c];
            for (char16_t d = kFirst; d <= kLast; ++d) {
                const QChar pair[2] = {QChar(c), QChar(d)};
                step = std::max(step, metrics.horizontalAdvance(QString(pair, 2)) - alone[d]);
            }
            m_step[c] = step;
            if (c >= u'0' && c <= u'9') m_widestDigit = std::max(m_widestDigit, step);
        }
    }
    // In pixels. With anyDigits, the bound holds for every text that differs from this one only
    // in which digits it shows.
    qreal bound(QStringView text, bool anyDigits = false) const {
        qreal sum = 0;
        for (QChar ch : text) {
            const char16_t c = ch.unicode();
            if (c < kFirst || c > kLast) return kNoBound;
            sum += anyDigits && c >= u'0' && c <= u'9' ? m_widestDigit : m_step[c];
        }
        return sum;
    }

private:
    static constexpr char16_t kFirst = 0x20, kLast = 0x7e;
    std::array<qreal, 128> m_step{};
    qreal m_widestDigit = 0;
};

std::shared_ptr<const GlyphSteps> glyphSteps(const QFont& font, const QFontMetricsF& metrics) {
    // Thousands of pairs: measured once for each font (and screen) the grid shows.
    static QHash<QString, std::shared_ptr<const GlyphSteps>> steps;
    const QString key = font.key() + QLatin1Char('|') +
                        QString::number(metrics.horizontalAdvance(QStringLiteral("W@i")), 'g', 17);
    auto it = steps.constFind(key);
    if (it == steps.cend()) it = steps.insert(key, std::make_shared<const GlyphSteps>(metrics));
    return *it;
}

// Texts measured as the grid measures them, in twips.
class TextWidths {
public:
    TextWidths(const QFontMetricsF& metrics, const GlyphSteps& steps)
        : m_metrics(metrics), m_steps(steps) {}
    const GlyphSteps& steps() const { return m_steps; }

    float measure(const QString& text) {
        // Catalogues repeat their values (categories, makers, prices): each text is measured once.
        auto it = m_measured.constFind(text);
        if (it != m_measured.cend()) return *it;
        if (m_measured.size() >= kMaxSeen) m_measured.clear();  // a table of texts all different
        return *m_measured.insert(text, float(m_metrics.horizontalAdvance(text) * kTwipsPerPixel));
    }
    // A text of at most `bound` pixels is no wider than `widest` twips (the rounding to float keeps
    // the order).
    static bool within(qreal bound, float widest) {
        return float(bound * kTwipsPerPixel) <= widest;
    }
    void widen(float& widest, const QString& text) {
        if (!within(m_steps.bound(text), widest)) widest = std::max(widest, measure(text));
    }

private:
    const QFontMetricsF& m_metrics;
    const GlyphSteps& m_steps;
    QHash<QString, float> m_measured;
};

QString digitShape(QString text) {
    for (QChar& c : text)
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) c = QLatin1Char('0');
    return text;
}

qint64 tenTo(int power) {
    qint64 p = 1;
    while (power-- > 0) p *= 10;
    return p;
}

// The whole number a value holds, for the types the store reads stored whole numbers into.
std::optional<qint64> wholeNumber(const QVariant& value) {
    if (value.metaType() == QMetaType::fromType<store::Currency>())
        return value.value<store::Currency>().scaled;
    if (value.typeId() == QMetaType::Int || value.typeId() == QMetaType::LongLong)
        return value.toLongLong();
    return std::nullopt;
}

// Another whole number of the same type.
std::optional<QVariant> wholeAs(QMetaType type, qint64 n) {
    if (type == QMetaType::fromType<store::Currency>())
        return QVariant::fromValue(store::Currency{n});
    if (type.id() == QMetaType::LongLong) return QVariant(n);
    if (type.id() == QMetaType::Int && n >= std::numeric_limits<int>::min() &&
        n <= std::numeric_limits<int>::max())
        return QVariant(int(n));
    return std::nullopt;
}

// The widest text of one column, each value written out and measured only when it could be wider.
class ColumnWidth {
public:
    explicit ColumnWidth(float header) : widest(header) {}
    float widest;

    void add(const QVariant& value, TextWidths& texts) {
        if (const auto n = wholeNumber(value)) {
            if (TextWidths::within(wholeBound(*n, value, texts.steps()), widest)) return;
        } else if (value.typeId() == QMetaType::QDateTime) {
            if (TextWidths::within(dateBound(value.toDateTime(), texts.steps()), widest)) return;
        } else if (const auto key = seenKey(value)) {
            if (m_seen.contains(*key)) return;  // written out before
            if (m_seen.size() < kMaxSeen) m_seen.insert(*key);
        }
        texts.widen(widest, store::valueText(value));
    }

private:
    // A whole number's text differs from another's of the same sign, count of digits and count of
    // trailing zeros only in which digits it shows (checked on two of each kind), so the bound of
    // one with any digits is the bound of all of its kind.
    qreal wholeBound(qint64 n, const QVariant& value, const GlyphSteps& steps) {
        if (n == std::numeric_limits<qint64>::min()) return kNoBound;
        const qint64 size = n < 0 ? -n : n;
        int digits = 0, zeros = 0;
        for (qint64 m = size; m > 0; m /= 10) ++digits;
        for (qint64 m = size; m > 0 && m % 10 == 0; m /= 10) ++zeros;
        if (digits > 18) return kNoBound;
        const int kind = (n < 0 ? 1024 : 0) + digits * 32 + zeros;
        auto it = m_wholeBounds.constFind(kind);
        if (it != m_wholeBounds.cend()) return *it;
        if (m_wholeBounds.size() >= kMaxSeen) m_wholeBounds.clear();
        const QString text = store::valueText(value);
        qreal bound = kNoBound;
        if (digits == 0) {
            bound = steps.bound(text);  // zero is all of its kind
        } else {
            const qint64 least = tenTo(digits - 1) + (zeros < digits - 1 ? tenTo(zeros) : 0);
            const qint64 greatest = tenTo(digits) - tenTo(zeros);
            const auto other =
                wholeAs(value.metaType(), (n < 0 ? -1 : 1) * (size == least ? greatest : least));
            if (other && digitShape(store::valueText(*other)) == digitShape(text))
                bound = steps.bound(text, true);
        }
        m_wholeBounds.insert(kind, bound);
        return bound;
    }
    // Likewise a date's text differs from another's of the same day and hour, minutes and seconds
    // of as many digits, and as much of a second, only in which digits it shows.
    qreal dateBound(const QDateTime& dt, const GlyphSteps& steps) {
        if (!dt.isValid() || dt.timeSpec() != Qt::LocalTime) return kNoBound;
        const QDate day = dt.date();
        const QTime time = dt.time();
        const bool midnight = time == QTime(0, 0);  // shown without its time
        const qint64 kind =
            ((((day.toJulianDay() * 24 + time.hour()) * 2 + (time.minute() < 10)) * 2 +
              (time.second() < 10)) *
                 2 +
             midnight) *
                1000 +
            time.msec();
        auto it = m_dateBounds.constFind(kind);
        if (it != m_dateBounds.cend()) return *it;
        if (m_dateBounds.size() >= kMaxSeen) m_dateBounds.clear();
        const QString text = store::valueText(dt);
        qreal bound = steps.bound(text);  // midnight is all of its kind
        if (!midnight) {
            auto other = [](int n) { return n < 10 ? (n + 5) % 10 : 10 + (n + 15) % 50; };
            const QDateTime twin(
                day, QTime(time.hour(), other(time.minute()), other(time.second()), time.msec()));
            bound = digitShape(store::valueText(twin)) == digitShape(text) ? steps.bound(text, true)
                                                                           : kNoBound;
        }
        m_dateBounds.insert(kind, bound);
        return bound;
    }
    // Values that repeat are written out once: numbers with fractions, yes/no.
    static std::optional<std::pair<int, quint64>> seenKey(const QVariant& value) {
        switch (value.typeId()) {
            case QMetaType::Float:
                return std::pair{QMetaType::Float, std::bit_cast<quint64>(double(value.toFloat()))};
            case QMetaType::Double:
                return std::pair{QMetaType::Double, std::bit_cast<quint64>(value.toDouble())};
            case QMetaType::Bool:
                return std::pair{QMetaType::Bool, quint64(value.toBool())};
            default:
                return std::nullopt;
        }
    }

    QHash<int, qreal> m_wholeBounds;
    QHash<qint64, qreal> m_dateBounds;
    QSet<std::pair<int, quint64>> m_seen;
};

// The whole numbers whose texts are no wider than `widest`: on each side of zero, those with up
// to as many digits as all fit (see ColumnWidth::wholeBound).
std::optional<std::pair<qint64, qint64>> wholeRange(QMetaType type, float widest,
                                                    const GlyphSteps& steps) {
    auto fit = [&](qint64 a, qint64 b) {
        const auto va = wholeAs(type, a), vb = wholeAs(type, b);
        if (!va || !vb) return false;
        const QString ta = store::valueText(*va), tb = store::valueText(*vb);
        return digitShape(ta) == digitShape(tb) &&
               TextWidths::within(steps.bound(ta, true), widest);
    };
    int digits[2] = {0, 0};  // above and below zero
    for (int side = 0; side < 2; ++side) {
        const qint64 sign = side == 0 ? 1 : -1;
        // Far below 2^51: SQLite keeps every whole number of that size in a numeric column as an
        // integer.
        for (int d = 1; d <= 15; ++d) {
            bool fits = side == 1 || d > 1 || fit(0, 0);
            for (int zeros = 0; fits && zeros < d; ++zeros)
                fits = fit(sign * (tenTo(d - 1) + (zeros < d - 1 ? tenTo(zeros) : 0)),
                           sign * (tenTo(d) - tenTo(zeros)));
            if (!fits) break;
            digits[side] = d;
        }
    }
    const qint64 hi = digits[0] > 0 ? tenTo(digits[0]) - 1 : -1;
    const qint64 lo = digits[1] > 0 ? 1 - tenTo(digits[1]) : 0;
    if (lo > hi) return std::nullopt;
    return std::pair{lo, hi};
}

QString unquoted(QString literal) {
    return literal.mid(1, literal.size() - 2).replace(QStringLiteral("''"), QStringLiteral("'"));
}

// How SQLite is asked about one column: whether a row holds a value that the sample did not show
// and that could widen it. Each comparison keeps to one kind of value, so that no affinity turns
// a text into a number or the other way; texts are compared byte for byte whatever the collation.
struct ColumnPlan {
    enum class Ask { AnyValue, Texts, WholeRange, Grid, InFull };
    static constexpr int kMaxShift = 10;
    static constexpr double kGridLimit = 1 << 20;  // every number of the grid exact as a float
    static constexpr qint64 kMaxGrid = 4096;

    int ordinal = 0;
    QString name;  // as SQL
    bool numbersAlike =
        false;  // a single or double column: a stored whole number read as a fraction
    Ask ask = Ask::InFull;
    // What the sample showed: SQL literals of texts, and the kinds of values the store read.
    QSet<QString> texts;
    bool wholes = false, fractions = false, others = false;
    QMetaType wholeType, numberType;
    bool wholesAlike = true;  // every stored whole number n read as n in wholeType
    std::optional<std::pair<qint64, qint64>> range;
    // Every stored number x read as x in numberType (float or double), each a multiple of
    // 1 / 2^shift, from least to greatest.
    bool onGrid = true;
    int shift = 0;
    double least = kGridLimit, greatest = -kGridLimit;

    void note(const QVariant& value, const QString& storage, const QString& literal, qint64 check) {
        if (storage == QLatin1String("text")) {
            // A literal that a numeric affinity keeps as text, and that no NUL cut short.
            if (check == unquoted(literal).toUtf8().size())
                texts.insert(literal);
            else
                others = true;
            return;
        }
        const bool whole = storage == QLatin1String("integer");
        if (!whole &&
            (storage != QLatin1String("real") || check != 1)) {  // a real must read back the same
            others = true;
            return;
        }
        (whole ? wholes : fractions) = true;
        if (whole) {
            if (!wholeType.isValid()) wholeType = value.metaType();
            const auto same = wholeAs(wholeType, literal.toLongLong());
            if (value.metaType() != wholeType || !same ||
                store::valueText(*same) != store::valueText(value))
                wholesAlike = false;
        }
        const double x = whole ? double(literal.toLongLong()) : literal.toDouble();
        if (!numberType.isValid()) numberType = value.metaType();
        onGrid = onGrid && value.metaType() == numberType && std::fabs(x) < kGridLimit &&
                 ((numberType.id() == QMetaType::Float && value.toFloat() == float(x)) ||
                  (numberType.id() == QMetaType::Double && value.toDouble() == x));
        while (shift <= kMaxShift && std::ldexp(x, shift) != std::trunc(std::ldexp(x, shift)))
            ++shift;
        onGrid = onGrid && shift <= kMaxShift;
        least = std::min(least, x);
        greatest = std::max(greatest, x);
    }

    void choose(float widest, TextWidths& widths) {
        const bool numeric = wholes || fractions;
        if (others || (numeric && !texts.isEmpty())) {
            ask = Ask::InFull;
        } else if (!numeric) {
            ask = texts.isEmpty()             ? Ask::AnyValue
                  : texts.size() <= kMaxNamed ? Ask::Texts
                                              : Ask::InFull;
        } else if (!fractions && wholesAlike &&
                   (range = wholeRange(wholeType, widest, widths.steps()))) {
            ask = Ask::WholeRange;
        } else if (numbersAlike && onGrid && gridFits(widest, widths)) {
            ask = Ask::Grid;
        } else {
            ask = Ask::InFull;
        }
    }

    QString mayWiden() const {
        const QString& x = name;
        switch (ask) {
            case Ask::AnyValue:
                return x + QStringLiteral(" IS NOT NULL");
            case Ask::Texts:
                if (texts.size() == 1)
                    return x + QStringLiteral(" <> ") + *texts.begin() +
                           QStringLiteral(" COLLATE BINARY");
                return x + QStringLiteral(" COLLATE BINARY NOT IN (") +
                       QStringList(texts.begin(), texts.end()).join(QLatin1Char(',')) +
                       QLatin1Char(')');
            case Ask::WholeRange:  // a stored fraction is caught for all such columns at once
                return x + QStringLiteral(" NOT BETWEEN ") + QString::number(range->first) +
                       QStringLiteral(" AND ") + QString::number(range->second);
            case Ask::Grid: {
                // Scaling by a power of two is exact, so a whole product means a number of the
                // grid. A zero only as the sample wrote it: -0.0 equals 0 but is shown otherwise.
                const QString scale = QString::number(qint64(1) << shift),
                              scaled = x + QStringLiteral(" * ") + scale;
                return QLatin1Char('(') + x + QStringLiteral(" NOT BETWEEN ") +
                       QString::number(low()) + QStringLiteral(" / ") + scale +
                       QStringLiteral(".0 AND ") + QString::number(high()) + QStringLiteral(" / ") +
                       scale + QStringLiteral(".0 OR ") + scaled + QStringLiteral(" <> CAST(") +
                       scaled + QStringLiteral(" AS INTEGER) OR (") + x +
                       QStringLiteral(" = 0 AND quote(") + x +
                       QStringLiteral(") NOT IN ('0', '0.0')))");
            }
            case Ask::InFull:
                break;
        }
        return QStringLiteral("1");
    }

private:
    qint64 low() const { return qint64(std::ldexp(least, shift)); }
    qint64 high() const { return qint64(std::ldexp(greatest, shift)); }

    // Every number of the grid, as the store reads it, no wider than the column already is.
    bool gridFits(float widest, TextWidths& widths) const {
        if (greatest < least || high() - low() >= kMaxGrid) return false;
        if (numberType.id() != QMetaType::Float && numberType.id() != QMetaType::Double)
            return false;
        for (qint64 m = low(); m <= high(); ++m) {
            const double x = std::ldexp(double(m), -shift);
            const QString text = store::valueText(
                numberType.id() == QMetaType::Float ? QVariant(float(x)) : QVariant(x));
            if (!TextWidths::within(widths.steps().bound(text), widest) &&
                widths.measure(text) > widest)
                return false;
        }
        return true;
    }
};

// The widest texts of one table's columns: each column's width so far, how SQLite is asked about
// it, and the reads that ask.
class TableWidths {
public:
    TableWidths(const QFontMetricsF& metrics, const GlyphSteps& steps, store::Fields& fields)
        : m_texts(metrics, steps), m_fields(fields) {
        const int k = fields.Count();
        for (int i = 0; i < k; ++i) {
            m_columns.emplace_back(m_texts.measure(fields[i].Name()));
            if (fields[i].Attributes() >= kLongFieldFlags) continue;  // long fields never widen
            ColumnPlan plan;
            plan.ordinal = i;
            plan.name = store::quoteIdentifier(fields[i].Name());
            plan.numbersAlike =
                fields[i].Type() == store::adSingle || fields[i].Type() == store::adDouble;
            m_plans.push_back(plan);
        }
    }

    std::vector<float> widths() const {
        std::vector<float> width;
        for (const ColumnWidth& column : m_columns) width.push_back(column.widest);
        return width;
    }

    // Held as text for the grid, so every value is read anyway.
    void readHeld(store::Recordset& rs, std::vector<QStringList>& held, long& rows) {
        const int k = int(m_columns.size());
        while (!rs.EOF_()) {
            QStringList row;
            for (int i = 0; i < k; ++i) {
                const QVariant value = m_fields[i].Value();
                row << (value.isNull() ? QStringLiteral(" ") : store::valueText(value));
            }
            for (const ColumnPlan& plan : m_plans) {
                const QVariant value = m_fields[plan.ordinal].Value();
                if (!value.isNull()) m_columns[size_t(plan.ordinal)].add(value, m_texts);
            }
            held.push_back(row);
            rs.MoveNext();
            ++rows;
        }
        rs.Close();
    }

    // The table's rows read again through SQLite, which passes over what cannot widen a column.
    void readKeyed(store::Connection& cn, const QString& table, long& rows) {
        m_cn = &cn;
        m_from = QStringLiteral(" FROM ") + cn.tableReference(table);
        // A sample from each end, read and measured in full, tells what fills each column (a table
        // too wide for SQLite to be asked so much of at once is read in full).
        if (!m_plans.empty() && m_plans.size() <= kMaxAsked) readSample();
        readRest(rows);
    }

private:
    template <class Row>
    void read(const QStringList& what, const QString& rest, Row&& row) {
        auto q =
            m_cn->Execute(QStringLiteral("SELECT ") + what.join(QLatin1Char(',')) + m_from + rest);
        while (!q->EOF_()) {
            row(q->fields());
            q->MoveNext();
        }
        q->Close();
    }

    void add(store::Fields& f, int at, const ColumnPlan& plan) {
        const QVariant value = f[at].Value();
        if (!value.isNull()) m_columns[size_t(plan.ordinal)].add(value, m_texts);
    }

    void readSample() {
        constexpr int kPerColumn = 4;
        QStringList sample;
        for (const ColumnPlan& plan : m_plans) {
            const QString& x = plan.name;
            const QString storage = QStringLiteral("typeof(") + x + QLatin1Char(')');
            sample << x << storage
                   << QStringLiteral("CASE WHEN ") + storage +
                          QStringLiteral(" IN ('text','integer','real') THEN quote(") + x +
                          QStringLiteral(") END")
                   << QStringLiteral("CASE ") + storage +
                          QStringLiteral(" WHEN 'text' THEN CASE WHEN +") + x +
                          QStringLiteral(" = ") + x + QStringLiteral(" THEN length(CAST(") + x +
                          QStringLiteral(" AS BLOB)) ELSE -1 END WHEN 'real' THEN CAST(quote(") +
                          x + QStringLiteral(") AS REAL) = ") + x + QStringLiteral(" END");
        }
        const QString limit = QStringLiteral(" LIMIT ") + QString::number(kSampleRows);
        for (const QString& order : {QString(), QStringLiteral(" ORDER BY _rowid_ DESC")}) {
            read(sample, order + limit, [&](store::Fields& f) {
                for (size_t j = 0; j < m_plans.size(); ++j) {
                    const int at = int(j) * kPerColumn;
                    const QVariant value = f[at].Value();
                    if (value.isNull()) continue;
                    m_columns[size_t(m_plans[j].ordinal)].add(value, m_texts);
                    m_plans[j].note(value, f[at + 1].Value().toString(),
                                    f[at + 2].Value().toString(), f[at + 3].Value().toLongLong());
                }
            });
        }
        for (ColumnPlan& plan : m_plans)
            plan.choose(m_columns[size_t(plan.ordinal)].widest, m_texts);
    }

    // One pass reads the columns asked about in full, asks of the others whether any row holds a
    // value that could widen them, and counts the rows.
    void readRest(long& rows) {
        std::vector<const ColumnPlan*> inFull, asked;
        for (const ColumnPlan& plan : m_plans)
            (plan.ask == ColumnPlan::Ask::InFull ? inFull : asked).push_back(&plan);
        QStringList names, conditions, wholes;
        for (const ColumnPlan* plan : asked) {
            names << plan->name;
            conditions << plan->mayWiden();
            if (plan->ask == ColumnPlan::Ask::WholeRange)
                wholes << QStringLiteral("coalesce(") + plan->name + QStringLiteral(", 0)");
        }
        // A fraction among them makes their sum a fraction: one test a row instead of one a value.
        if (!wholes.isEmpty())
            conditions << QStringLiteral("typeof(") + wholes.join(QStringLiteral(" + ")) +
                              QStringLiteral(") = 'real'");
        const QString mayWiden = conditions.join(QStringLiteral(" OR "));
        const QString flag = conditions.isEmpty() ? QStringLiteral("0")
                                                  : QStringLiteral("CASE WHEN ") + mayWiden +
                                                        QStringLiteral(" THEN 1 ELSE 0 END");
        bool flagged = false;
        if (inFull.empty()) {
            read({QStringLiteral("count(*)"), QStringLiteral("max(") + flag + QLatin1Char(')')},
                 QString(), [&](store::Fields& f) {
                     rows = long(f[0].Value().toLongLong());
                     flagged = f[1].Value().toLongLong() != 0;
                 });
        } else {
            QStringList what;
            for (const ColumnPlan* plan : inFull) what << plan->name;
            read(what << flag, QString(), [&](store::Fields& f) {
                for (size_t j = 0; j < inFull.size(); ++j) add(f, int(j), *inFull[j]);
                flagged = flagged || f[int(inFull.size())].Value().toLongLong() != 0;
                ++rows;
            });
        }
        // The few rows with such values, read and measured.
        if (flagged)
            read(names, QStringLiteral(" WHERE ") + mayWiden, [&](store::Fields& f) {
                for (size_t j = 0; j < asked.size(); ++j) add(f, int(j), *asked[j]);
            });
    }

    TextWidths m_texts;
    store::Fields& m_fields;
    std::vector<ColumnWidth> m_columns;
    std::vector<ColumnPlan> m_plans;
    store::Connection* m_cn = nullptr;
    QString m_from;
};

}  // namespace

std::vector<float> frmOpenDb::widestTexts(const QString& table, store::Recordset& rs, bool keyed,
                                          long& rows) {
    const QFont font = ui->MSFlexGrid1->font();
    const QFontMetricsF metrics(font);
    const auto steps = glyphSteps(font, metrics);
    TableWidths columns(metrics, *steps, rs.fields());
    rows = 0;
    if (!keyed) {
        columns.readHeld(rs, m_previewTexts, rows);
        return columns.widths();
    }
    rs.Close();
    columns.readKeyed(*cnDatabase, table, rows);
    return columns.widths();
}

// ---- A server's table -------------------------------------------------------------------------
//
// Its count and its first rows are shown at once; its rows are read a page at a time as the grid
// shows them. The columns start as wide as their headers and the first rows' texts, and are
// measured over every row on a thread of their own, in the same snapshot of the table, on a
// connection of its own: the widths come out as when every value is measured before the grid is
// shown.

namespace {

// The columns of a server's table that the rows' texts widen (long fields never do).
std::vector<int> measuredColumns(const std::vector<store::ColumnInfo>& columns) {
    std::vector<int> measured;
    for (size_t i = 0; i < columns.size(); ++i) {
        store::ColumnInfo c = columns[i];
        c.updatable = false;  // as the fields of a read-only recordset say
        if (c.attributes() < kLongFieldFlags) measured.push_back(int(i));
    }
    return measured;
}

}  // namespace

void frmOpenDb::showServerRows(std::unique_ptr<store::TablePreview> rows) {
    m_serverRows = std::move(rows);
    const auto& columns = m_serverRows->columns();
    const QStringList headers = previewHeaders(columns);
    const qint64 count = m_serverRows->count();
    ui->txtCount->setText(QString::number(count));
    m_preview.reset(headers, int(count), [this](int row) { return previewRow(row); });

    // Until every row is measured: the headers and the rows the grid shows first.
    const QFont font = ui->MSFlexGrid1->font();
    const QFontMetricsF metrics(font);
    const std::shared_ptr<const GlyphSteps> steps = glyphSteps(font, metrics);
    TextWidths texts(metrics, *steps);
    std::vector<ColumnWidth> widths;
    for (const store::ColumnInfo& c : columns) widths.emplace_back(texts.measure(c.name));
    const std::vector<int> measured = measuredColumns(columns);
    std::vector<QVariant> values;
    const int shown = ui->MSFlexGrid1->viewport()->height() / 18 + 1;
    for (int row = 0; row < shown && row < count; ++row) {
        try {
            if (!m_serverRows->row(row, values)) break;
        } catch (const store::StoreError&) {
            break;
        }
        for (int i : measured)
            if (!values[size_t(i)].isNull()) widths[size_t(i)].add(values[size_t(i)], texts);
    }
    std::vector<float> width;
    for (const ColumnWidth& column : widths) width.push_back(column.widest);
    setColumnWidths(width);
    startMeasuring();
}

void frmOpenDb::startMeasuring() {
    stopMeasuring();
    // Measures that have ended are let go; one still stopping ends on its own.
    for (auto m = m_measures.begin(); m != m_measures.end();) {
        if ((*m)->done->load()) {
            (*m)->thread.join();
            m = m_measures.erase(m);
        } else {
            ++m;
        }
    }
    const auto& columns = m_serverRows->columns();
    const std::vector<int> measured = measuredColumns(columns);
    const QFont font = ui->MSFlexGrid1->font();
    const QFontMetricsF metrics(font);
    const std::shared_ptr<const GlyphSteps> steps = glyphSteps(font, metrics);
    TextWidths texts(metrics, *steps);
    std::vector<float> headers;
    for (const store::ColumnInfo& c : columns) headers.push_back(texts.measure(c.name));
    store::TablePreview::RowsOpener open;
    try {
        open = m_serverRows->rowsAgain(measured);
    } catch (const store::StoreError&) {
        return;
    }
    const unsigned generation = ++m_measureGeneration;
    m_measuring = true;
    auto measure = std::make_unique<Measure>();
    measure->thread = std::thread([this, open, font, steps, headers, measured, generation,
                                   stop = measure->stop, done = measure->done] {
        struct Done {
            std::atomic<bool>& flag;
            ~Done() { flag.store(true); }
        } mark{*done};
        std::vector<float> width;
        try {
            const QFontMetricsF metrics(font);
            TextWidths texts(metrics, *steps);
            std::vector<ColumnWidth> widths;
            for (float header : headers) widths.emplace_back(header);
            const std::unique_ptr<store::TableReader> rows = open();
            while (!stop->load() && rows->next())
                for (size_t j = 0; j < measured.size(); ++j) {
                    const QVariant value = rows->value(int(j));
                    if (!value.isNull()) widths[size_t(measured[j])].add(value, texts);
                }
            if (!stop->load())
                for (const ColumnWidth& column : widths) width.push_back(column.widest);
        } catch (...) {
            width.clear();  // the widths of the first rows stay
        }
        QMetaObject::invokeMethod(
            this,
            [this, generation, width] {
                if (generation != m_measureGeneration) return;
                m_measuring = false;
                if (!width.empty()) setColumnWidths(width);
            },
            Qt::QueuedConnection);
    });
    m_measures.push_back(std::move(measure));
}

void frmOpenDb::stopMeasuring() {
    for (const auto& m : m_measures) m->stop->store(true);
    ++m_measureGeneration;
    m_measuring = false;
}

void frmOpenDb::MSFlexGrid1_Click() {
    ui->Picture1->clear();
    const int row = ui->MSFlexGrid1->currentIndex().row();
    if (bHasImage && row != lLastRow) Show_Picture();
    lLastRow = row;
}

void frmOpenDb::Show_Picture() {
    // Never reported: any failure leaves the picture box empty.
    const int R = ui->MSFlexGrid1->currentIndex().row();
    try {
        if (R < 1 || !cnDatabase) return;
        if (m_serverRows) {
            // Read from the rows shown, by their place in the table.
            const QString name =
                m_pictureColumn.isEmpty() ? QStringLiteral("Image") : m_pictureColumn;
            const auto& columns = m_serverRows->columns();
            for (size_t i = 0; i < columns.size(); ++i) {
                if (columns[i].name.compare(name, Qt::CaseInsensitive) != 0) continue;
                const QVariant bytes = m_serverRows->picture(R - 1, int(i));
                if (bytes.isNull()) return;
                QString unpackFile = Control::sUnpackPath + QStringLiteral("/ok.jpg");
                const QImage picture = unpackPicture(bytes.toByteArray(), unpackFile, kUnpackChunk);
                if (!picture.isNull()) ui->Picture1->setPixmap(QPixmap::fromImage(picture));
                return;
            }
            return;
        }
        auto rs = cnDatabase->Execute(previewStatement(*cnDatabase, m_table));
        rs->Move(R - 1);
        if (rs->EOF_()) return;
        store::Field& image =
            rs->fields()[m_pictureColumn.isEmpty() ? QStringLiteral("Image") : m_pictureColumn];
        if (image.isNull()) return;
        QString unpackFile = Control::sUnpackPath + QStringLiteral("/ok.jpg");
        const QImage picture = unpackPicture(image, unpackFile, kUnpackChunk);
        if (!picture.isNull()) ui->Picture1->setPixmap(QPixmap::fromImage(picture));
    } catch (const store::StoreError&) {
        ui->Picture1->clear();
    }
}

void frmOpenDb::cmdBrowse_Click() {
    m_preview.blank();
    const QString oldPath = m_path;
    const QString file =
        Platform::instance().openFileName(this, tr("Locate New Information Database"), QString(),
                                          QStringLiteral("(*.MDB;*.ACCDB)|*.mdb;*.accdb"));
    if (file.isEmpty()) return;
    const bool jet = legacy::isJetFile(file);
    if (file.toUpper().right(4) != QLatin1String(".MDB") &&
        !(jet && file.toUpper().endsWith(QLatin1String(".ACCDB"))))
        return;
    if (file == (m_jetFile.isEmpty() ? oldPath : m_jetFile)) return;
    if (jet) {
        openJetPreview(file);
        return;
    }
    m_path = file;
    try {
        Open_Database();
        endJetPreview();
    } catch (const store::StoreError& e) {
        // The chooser stays open on what it showed before.
        m_path = oldPath;
        ui->txtPath->setText(oldPath);
        reportUnexpected(e.description());
    }
}

void frmOpenDb::enableCsvButtons() {
    const bool previewed = bDatabaseOpen && !m_table.isEmpty() && !m_preview.text(0, 0).isEmpty();
    ui->cmdExportCsv->setEnabled(previewed);
    // An import writes through a file's own transaction; a server table takes none.
    // Nor does a Jet file, which is shown from a temporary conversion until OK converts it.
    ui->cmdImportCsv->setEnabled(previewed && m_preview.text(0, 1) == QLatin1String("PartNumber") &&
                                 !store::Connection::isServerAddress(m_path) &&
                                 m_jetFile.isEmpty());
}

void frmOpenDb::cmdExportCsv_Click() {
    if (!cnDatabase || !ui->cmdExportCsv->isEnabled()) return;
    exportTableToCsv(this, *cnDatabase, m_table, ui->chkGuardFormulas->isChecked());
}

void frmOpenDb::cmdImportCsv_Click() {
    if (!cnDatabase || !ui->cmdImportCsv->isEnabled()) return;
    const QString table = m_table;
    const bool added = importCsvIntoTable(this, m_path, table);
    // The preview shows the rows added.
    const auto nodes = ui->trvData->findItems(table, Qt::MatchExactly);
    if (added && !nodes.isEmpty()) Show_Table(nodes.constFirst());
}

void frmOpenDb::cmdServer_Click() {
    m_preview.blank();
    // The dialog tries each address itself, so that it can ask for a password and stay open
    // until the server takes the login; the password stays in memory only.
    dlgConnect dialog(
        [](const QString& address, const QString& password) {
            store::Connection probe;
            probe.Open(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") +
                           store::Connection::quoteValue(address),
                       QString(), password);
            const QString shown = probe.dataSource();
            probe.Close();
            return shown;
        },
        this);
    if (store::Connection::isServerAddress(m_path)) dialog.setAddress(m_path);
    if (dialog.exec() != QDialog::Accepted) return;
    const QString oldPath = m_path;
    m_path = dialog.address();
    try {
        Open_Database();
    } catch (const store::StoreError& e) {
        m_path = oldPath;
        ui->txtPath->setText(m_jetFile.isEmpty() ? oldPath : m_jetFile);
        reportUnexpected(e.description());
        return;
    }
    endJetPreview();  // the server is what OK now takes
}

namespace {

QString serverConnectionString(const QString& address) {
    return QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") +
           store::Connection::quoteValue(address);
}

}  // namespace

// The table previewed from a file goes to a server under a new name, so that a team can start
// from one person's catalogue.
void frmOpenDb::cmdCopy_Click() {
    if (!cnDatabase || !cnDatabase->isOpen() || m_table.isEmpty() ||
        store::Connection::isServerAddress(m_path) || m_preview.text(0, 1).isEmpty()) {
        Platform::instance().information(
            this, kProgramTitle,
            tr("Preview a table of a catalogue file first: that table is "
               "the one copied to the server."));
        return;
    }
    m_copying = true;
    const auto done = qScopeGuard([this] { m_copying = false; });
    dlgConnect where(
        [](const QString& address, const QString& password) {
            store::Connection probe;
            probe.Open(serverConnectionString(address), QString(), password);
            const QString shown = probe.dataSource();
            probe.Close();
            return shown;
        },
        this);
    where.setWindowTitle(tr("Copy '%1' to a Server").arg(m_table));
    if (where.exec() != QDialog::Accepted) return;
    bool ok = false;
    const QString name = QInputDialog::getText(this, tr("Copy to Server"),
                                               tr("&Name of the new table on the server:"),
                                               QLineEdit::Normal, m_table, &ok)
                             .trimmed();
    if (!ok || name.isEmpty()) return;

    store::Connection server;
    server.Open(serverConnectionString(where.address()));
    QProgressDialog progress(tr("Copying '%1' to %2...").arg(m_table, where.address()),
                             tr("Cancel"), 0, 0, this);
    progress.setWindowTitle(tr("Copy to Server"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    qint64 copied = 0;
    try {
        store::copyTable(*cnDatabase, m_table, server, name, [&](qint64 done, qint64 total) {
            progress.setMaximum(int(std::min<qint64>(total, INT_MAX)));
            progress.setValue(int(std::min<qint64>(done, INT_MAX)));
            QApplication::processEvents();
            copied = done;
            return !progress.wasCanceled();
        });
    } catch (const store::StoreError& e) {
        progress.close();
        Platform::instance().warning(this, kProgramTitle, e.description());
        return;
    }
    progress.close();
    Platform::instance().information(this, kProgramTitle,
                                     tr("The table '%1' was copied to %2 as '%3' (%4 records).")
                                         .arg(m_table, where.address(), name)
                                         .arg(copied));
}

void frmOpenDb::cmdOK_Click() {
    const bool partsTable =
        !m_table.isEmpty() && m_preview.text(0, 1) == QLatin1String("PartNumber");
    if (!m_jetFile.isEmpty() && !m_path.isEmpty() && !m_preview.text(0, 0).isEmpty()) {
        // A Jet file is converted only for a table the parts window can open.
        if (!partsTable) {
            Platform::instance().information(
                this, kProgramTitle,
                tr("The table '%1' is not a parts table, so the parts window cannot "
                   "open it. Nothing was converted.")
                    .arg(m_table));
            return;
        }
        if (!convertJetOnOk()) return;
    }
    if (!m_path.isEmpty() && !partsTable) m_path.clear();
    finish(QDialog::Accepted);
}

// ---- Old Jet files --------------------------------------------------------------------------
//
// The Jet reader never runs in this process: the file is converted by the child process into a
// temporary catalogue in the user's cache folder, and that is what the tree and the preview show.

bool frmOpenDb::openJetPreview(const QString& file) {
    QString cache = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    if (cache.isEmpty() || !QDir().mkpath(cache)) cache = QDir::tempPath();
    auto preview = std::make_unique<QTemporaryDir>(cache + QStringLiteral("/jet-preview-XXXXXX"));
    if (!preview->isValid()) {
        reportUnexpected(tr("No temporary folder for the preview: %1").arg(preview->errorString()));
        return false;
    }
    const QString converted = preview->filePath(QStringLiteral("preview.mdb"));
    bool cancelled = false;
    const QString why = convertJetFile(this, file, converted, &cancelled);
    if (!why.isEmpty()) {
        if (!cancelled) reportUnexpected(why);
        return false;
    }
    const QString oldPath = m_path;
    m_path = converted;
    try {
        Open_Database();
    } catch (const store::StoreError& e) {
        m_path = oldPath;
        ui->txtPath->setText(m_jetFile.isEmpty() ? oldPath : m_jetFile);
        reportUnexpected(e.description());
        return false;
    }
    m_jetPreview = std::move(preview);  // the one shown before goes with its connection
    m_jetFile = file;
    ui->txtPath->setText(file);
    return true;
}

bool frmOpenDb::convertJetOnOk() {
    const QString target = legacy::convertedPath(m_jetFile);
    if (!askToConvertJet(this, m_jetFile,
                         tr("The new catalogue will be %1, and its table '%2' opens in the parts "
                            "window.")
                             .arg(QDir::toNativeSeparators(target), m_table)))
        return false;
    // The preview is that conversion already made; it is copied whole beside the original.
    QString why;
    if (!legacy::copyWhole(m_path, target, &why)) {
        reportUnexpected(why);
        return false;
    }
    m_path = target;
    return true;
}

void frmOpenDb::endJetPreview() {
    m_jetFile.clear();
    m_jetPreview.reset();
}

void frmOpenDb::cmdCancel_Click() {
    m_path.clear();
    finish(QDialog::Rejected);
}

void frmOpenDb::finish(int result) {
    m_finished = true;
    Form_Unload();
    done(result);
}

void frmOpenDb::reject() {
    if (!m_finished && !m_copying) cmdCancel_Click();
}

void frmOpenDb::closeEvent(QCloseEvent* event) {
    if (m_copying) {
        event->ignore();
        return;
    }
    if (!m_finished) cmdCancel_Click();
    event->accept();
}
