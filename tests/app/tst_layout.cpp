// Every window at the font and in the language it is run with (CTest runs this at the default
// font, at 1.5 and 2 times the font's size, under Qt's own scaling and in German): no caption
// is wider than its control, and no two controls of a window share an access key.
#include <QAbstractButton>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QRadioButton>
#include <QStyle>
#include <QTemporaryDir>

#include "Connection.h"
#include "CsvTransfer.h"
#include "CsvWindows.h"
#include "FindBar.h"
#include "Session.h"
#include "Translations.h"
#include "dlgConnect.h"
#include "dlgPaper.h"
#include "frmCreateDb.h"
#include "frmOpenDb.h"

namespace {

QString shown(QString text) {
    text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    text.remove(QLatin1Char('&'));
    return text.replace(QLatin1Char('\x01'), QLatin1Char('&'));
}

// Captions wider than the room their control gives them, as "control: text (need > have)".
QStringList cutCaptions(const QWidget* window) {
    QStringList cut;
    for (const QWidget* w : window->findChildren<QWidget*>()) {
        if (w->window() != window || !w->isVisibleTo(window)) continue;
        QString text;
        int room = w->width();
        const QStyle* style = w->style();
        if (auto* check = qobject_cast<const QCheckBox*>(w)) {
            text = check->text();
            room -= style->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, w) +
                    style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, w);
        } else if (auto* radio = qobject_cast<const QRadioButton*>(w)) {
            text = radio->text();
            room -= style->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, nullptr, w) +
                    style->pixelMetric(QStyle::PM_RadioButtonLabelSpacing, nullptr, w);
        } else if (auto* button = qobject_cast<const QAbstractButton*>(w)) {
            text = button->text();
            // A frame on either side, and the text must not touch it.
            room -= 2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, w) + 2;
        } else if (auto* label = qobject_cast<const QLabel*>(w)) {
            if (label->wordWrap() || !label->pixmap().isNull()) continue;
            text = label->text();
            room = label->contentsRect().width();
        } else if (auto* group = qobject_cast<const QGroupBox*>(w)) {
            text = group->title();
        }
        text = shown(text);
        if (text.isEmpty()) continue;
        const int need = w->fontMetrics().horizontalAdvance(text);
        if (need > room)
            cut << QStringLiteral("%1: \"%2\" (%3 > %4)")
                       .arg(w->objectName(), text)
                       .arg(need)
                       .arg(room);
    }
    return cut;
}

// Every button of the window that has a name: the scroll bars' and spin boxes' own have none.
QStringList keyClashes(const QWidget* window) {
    QStringList problems = accessKeyProblems(
        window, {QStringLiteral("cmd"), QStringLiteral("opt"), QStringLiteral("chk")});
    problems.removeIf([](const QString& p) { return p.endsWith(QStringLiteral("no access key")); });
    return problems;
}

}  // namespace

class LayoutTest : public QObject {
    Q_OBJECT

    // Checks a window as it is shown and says which.
    static void check(QWidget* window, const QString& which) {
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        const QStringList cut = cutCaptions(window);
        QVERIFY2(cut.isEmpty(),
                 qPrintable(which + QStringLiteral(": ") + cut.join(QStringLiteral("; "))));
        const QStringList clashes = keyClashes(window);
        QVERIFY2(clashes.isEmpty(),
                 qPrintable(which + QStringLiteral(": ") + clashes.join(QStringLiteral("; "))));
    }

private slots:
    void partsWindow() {
        auto s = shownSession(3);
        check(s->w.get(), QStringLiteral("browsing"));
        s->click("cmdAdd");
        check(s->w.get(), QStringLiteral("adding"));
        s->click("cmdDelete");
        // The find bar is a small window of its own over the parts window.
        QTest::keyClick(s->w.get(), Qt::Key_F, Qt::ControlModifier);
        auto* bar = s->w->findChild<FindBar*>();
        QVERIFY(bar);
        check(bar, QStringLiteral("find bar"));
        bar->setFilterOn(true);
        check(bar, QStringLiteral("find bar, filter on"));
    }

    void otherWindows() {
        auto s = shownSession(3);
        frmOpenDb chooser(DatabaseChoice{s->db(), QStringLiteral("Parts")});
        check(&chooser, QStringLiteral("chooser"));
        frmCreateDb creator;
        check(&creator, QStringLiteral("creator"));
        dlgConnect connect([](const QString& a, const QString&) { return a; });
        check(&connect, QStringLiteral("connect"));
        PaperSource source;
        source.connection = &s->w->recordSession().connection();
        source.table = QStringLiteral("Parts");
        source.columns = QStringList{QStringLiteral("PartNumber"), QStringLiteral("Location")};
        for (auto kind :
             {dlgPaper::Kind::Labels, dlgPaper::Kind::Catalogue, dlgPaper::Kind::ReorderList}) {
            dlgPaper paper(kind, source);
            check(&paper, paper.windowTitle());
        }
        // An import's refused rows, with every choice it can offer.
        QTemporaryDir dir;
        const QString csv = writeFile(dir.filePath(QStringLiteral("in.csv")),
                                      "PartID,PartNumber,Colour\n1,A-1,red\nx,A-2,blue\n");
        store::Connection& connection = *source.connection;
        connection.BeginTrans();
        exchange::CsvImport import(connection, QStringLiteral("Parts"), csv);
        import.run(false);
        connection.RollbackTrans();
        CsvRefusedRows refused(nullptr, import, csv, true, true);
        check(&refused, QStringLiteral("refused rows"));
    }
};

// The language comes from the environment, as the program takes it at start-up.
int main(int argc, char** argv) {
    QApplication app(argc, argv);
    translations::install(QStringLiteral(COGWRIGHT_QM_DIR));
    LayoutTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_layout.moc"
