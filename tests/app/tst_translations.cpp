#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QTest>
#include <QXmlStreamReader>

#include "ChooserSession.h"
#include "Fixture.h"
#include "Language.h"
#include "Session.h"
#include "Value.h"
#include "dlgConnect.h"
#include "frmCreateDb.h"

namespace {

// What the user reads on a control: a button's or label's text, a group's title, or the window's
// caption for no control.
QString shownText(const QWidget* window, const QString& control) {
    if (control.isEmpty()) return window->windowTitle();
    const QWidget* w = window->findChild<QWidget*>(control);
    if (!w) return QStringLiteral("<no control %1>").arg(control);
    if (auto* b = qobject_cast<const QAbstractButton*>(w)) return b->text();
    if (auto* l = qobject_cast<const QLabel*>(w)) return l->text();
    if (auto* g = qobject_cast<const QGroupBox*>(w)) return g->title();
    return w->accessibleName();
}

// The placeholders (%1, %n) and whether an access key (&) is marked, which a translation keeps.
QString shape(const QString& text) {
    QStringList marks;
    for (const auto& m : QRegularExpression(QStringLiteral("%[0-9n]")).globalMatch(text))
        marks << m.captured();
    marks.sort();
    const bool key = text.contains(QRegularExpression(QStringLiteral("&[^& ]")));
    return marks.join(QLatin1Char(' ')) + (key ? QStringLiteral(" &") : QString());
}

}  // namespace

class TranslationsTest : public QObject {
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    // The language is taken as gettext takes it: LANGUAGE (a list), then LC_ALL, LC_MESSAGES,
    // LANG; English, C and POSIX load nothing.
    void theLanguageComesFromTheEnvironment_data() {
        QTest::addColumn<QByteArray>("language");
        QTest::addColumn<QByteArray>("all");
        QTest::addColumn<QByteArray>("messages");
        QTest::addColumn<QByteArray>("lang");
        QTest::addColumn<QString>("loaded");
        const QByteArray none;
        QTest::newRow("nothing set") << none << none << none << none << "";
        QTest::newRow("LANGUAGE over a C locale")
            << QByteArray("de") << none << none << QByteArray("C.UTF-8") << "de";
        QTest::newRow("LANG with encoding")
            << none << none << none << QByteArray("de_DE.UTF-8") << "de_DE";
        QTest::newRow("LC_MESSAGES before LANG") << none << none << QByteArray("de_AT.UTF-8@euro")
                                                 << QByteArray("en_US.UTF-8") << "de_AT";
        QTest::newRow("LC_ALL before LC_MESSAGES")
            << none << QByteArray("C") << QByteArray("de_DE.UTF-8") << none << "";
        QTest::newRow("LANGUAGE before LANG")
            << QByteArray("en_GB:de") << none << none << QByteArray("de_DE.UTF-8") << "";
        QTest::newRow("down the LANGUAGE list")
            << QByteArray("fr:de") << none << none << none << "de";
        QTest::newRow("none of the LANGUAGE list")
            << QByteArray("fr:it") << none << none << QByteArray("de_DE.UTF-8") << "";
        QTest::newRow("POSIX") << none << none << none << QByteArray("POSIX") << "";
    }
    void theLanguageComesFromTheEnvironment() {
        QFETCH(QByteArray, language);
        QFETCH(QByteArray, all);
        QFETCH(QByteArray, messages);
        QFETCH(QByteArray, lang);
        QFETCH(QString, loaded);
        InLanguage in({language, all, messages, lang});
        QCOMPARE(in.loaded, loaded);
        // The store's messages, which the windows show as they are, follow.
        QCOMPARE(QCoreApplication::translate("store", "it needs a date"),
                 loaded.isEmpty() ? QStringLiteral("it needs a date")
                                  : QStringLiteral("dort gehört ein Datum hin"));
    }

    // Each window in German and in English: a caption, and no access key shared or missing.
    void theWindowsSpeakTheUsersLanguage_data() {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("text");
        const auto row = [](const char* language, const char* window, const char* control,
                            const QString& text) {
            QTest::addRow("%s %s %s", language, window, control)
                << QString::fromLatin1(language) << QString::fromLatin1(window)
                << QString::fromLatin1(control) << text;
        };
        row("en", "parts", "cmdFirst", "&First");
        row("de", "parts", "cmdFirst", "&Erster");
        row("en", "parts", "lblCount", " 3  Records Found");
        row("de", "parts", "lblCount", " 3  Datensätze gefunden");
        row("de", "parts", "Frame1", "Bedienung");
        row("en", "chooser", "cmdCancel", "&Cancel");
        row("de", "chooser", "cmdCancel", "&Abbrechen");
        row("de", "chooser", "cmdBrowse", "Datenbank &suchen");
        row("en", "creator", "cmdExit", "&EXIT");
        row("de", "creator", "cmdExit", "&ENDE");
        // The boxes name the columns they make: the columns keep their names in any language.
        row("de", "creator", "Check1", "Retail Price");
        row("en", "connect", "", "Connect to Server");
        row("de", "connect", "", "Mit Server verbinden");
        // Qt's own buttons come from Qt's translation.
        row("en", "connect", "cmdCancel", "Cancel");
        row("de", "connect", "cmdCancel", "Abbrechen");
    }
    void theWindowsSpeakTheUsersLanguage() {
        QFETCH(QString, language);
        QFETCH(QString, window);
        QFETCH(QString, control);
        QFETCH(QString, text);
        InLanguage in(language.toLatin1().constData());
        QCOMPARE(in.loaded, language == QLatin1String("en") ? QString() : language);
        if (window == QLatin1String("parts")) {
            Session s;
            s.folder.makeDatabase();
            addParts(s.db(), QStringLiteral("Parts"), 3);
            QVERIFY(s.start());
            s.w->show();
            QCOMPARE(shownText(s.w.get(), control), text);
            // Browsing, editing and adding show different buttons.
            QCOMPARE(accessKeyProblems(s.w.get(), {QStringLiteral("cmd")}), QStringList());
            s.click("cmdEdit");
            QCOMPARE(accessKeyProblems(s.w.get(), {QStringLiteral("cmd")}), QStringList());
            s.click("cmdSave");
            s.click("cmdAdd");
            QCOMPARE(accessKeyProblems(s.w.get(), {QStringLiteral("cmd")}), QStringList());
            QCOMPARE(s.child<QPushButton>("cmdDelete")->text(), language == QLatin1String("en")
                                                                    ? QStringLiteral("Cancel A&dd")
                                                                    : QStringLiteral("Ve&rwerfen"));
        } else if (window == QLatin1String("chooser")) {
            ChooserSession c;
            c.db = c.folder.makeDatabase();
            addParts(c.db, QStringLiteral("Parts"), 3);
            c.open(c.db);
            c.preview(QStringLiteral("Parts"));
            QCOMPARE(shownText(c.window.get(), control), text);
            QCOMPARE(
                accessKeyProblems(c.window.get(), {QStringLiteral("cmd"), QStringLiteral("chk")}),
                QStringList());
        } else if (window == QLatin1String("creator")) {
            ProgramFolder folder;
            ScriptedPlatform platform{folder.path()};
            Control::sAppPath = folder.path();
            frmCreateDb creator;
            creator.show();
            QCOMPARE(shownText(&creator, control), text);
            QCOMPARE(accessKeyProblems(&creator, {QStringLiteral("cmd"), QStringLiteral("Create")}),
                     QStringList());
        } else {
            dlgConnect connect([](const QString&, const QString&) { return QString(); });
            QCOMPARE(shownText(&connect, control), text);
            // The labels' access keys, which lead to the boxes.
            QSet<QChar> keys;
            for (auto* label : connect.findChildren<QLabel*>()) {
                const QKeySequence key = QKeySequence::mnemonic(label->text());
                if (key.isEmpty()) continue;
                const QChar letter = QKeySequence(key[0].key()).toString().at(0);
                QVERIFY2(!keys.contains(letter), qPrintable(label->text()));
                keys.insert(letter);
            }
            QCOMPARE(keys.size(), 5);
        }
    }

    // A message of the store reaches the user in their language; so do Qt's standard buttons.
    void messagesAndStandardButtons_data() {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("no");
        QTest::newRow("en") << "en"
                            << "The database is empty.\r\n\r\nPlease add a record."
                            << "&No";
        QTest::newRow("de") << "de"
                            << "Die Datenbank ist leer.\r\n\r\nBitte fügen Sie einen Datensatz "
                               "hinzu."
                            << "&Nein";
    }
    void messagesAndStandardButtons() {
        QFETCH(QString, language);
        QFETCH(QString, message);
        QFETCH(QString, no);
        InLanguage in(language.toLatin1().constData());
        Session s;
        s.folder.makeDatabase();
        QVERIFY(s.start());
        s.click("cmdPrint");
        QCOMPARE(s.platform.messages.back().text, message);
        // A value the store refuses, in the store's words, which the error report shows as is.
        QString description;
        const long number = errorOf(
            [] {
                store::ColumnInfo column;
                column.name = QStringLiteral("Qty In Stock");
                column.type = store::adInteger;
                store::convertForColumn(column, QStringLiteral("many"));
            },
            &description);
        QCOMPARE(number, long(store::errDataConversion));
        QVERIFY2(description.endsWith(language == QLatin1String("en")
                                          ? QStringLiteral("it needs a whole number.")
                                          : QStringLiteral("dort gehört eine ganze Zahl hin.")),
                 qPrintable(description));
        QMessageBox box(QMessageBox::Question, QString(), QString(),
                        QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(box.button(QMessageBox::No)->text(), no);
    }

    // Every message of every translation is finished and keeps the placeholders and the access
    // key of its English text.
    void everyTranslationIsWholeAndKeepsItsMarks() {
        const QStringList files = QDir(QStringLiteral(COGWRIGHT_SOURCE_DIR "/translations"))
                                      .entryList({QStringLiteral("*.ts")}, QDir::Files);
        QVERIFY(!files.isEmpty());
        for (const QString& name : files) {
            QFile file(QStringLiteral(COGWRIGHT_SOURCE_DIR "/translations/") + name);
            QVERIFY(file.open(QIODevice::ReadOnly));
            QXmlStreamReader xml(&file);
            QStringList problems;
            QString source;
            int messages = 0;
            while (!xml.atEnd()) {
                if (xml.readNext() != QXmlStreamReader::StartElement) continue;
                if (xml.name() == QLatin1String("source")) {
                    // <byte value="xd"/> stands for a carriage return inside a text.
                    source = xml.readElementText(QXmlStreamReader::IncludeChildElements);
                    ++messages;
                } else if (xml.name() == QLatin1String("translation")) {
                    const QString type = xml.attributes().value(QLatin1String("type")).toString();
                    if (!type.isEmpty()) problems << type + QStringLiteral(": ") + source;
                    // Plural messages keep their forms in <numerusform>s.
                    QStringList forms;
                    QString text;
                    while (xml.readNext() != QXmlStreamReader::EndElement ||
                           xml.name() != QLatin1String("translation")) {
                        if (xml.isCharacters()) text += xml.text();
                        if (xml.isStartElement() && xml.name() == QLatin1String("numerusform"))
                            forms << xml.readElementText(QXmlStreamReader::IncludeChildElements);
                    }
                    if (forms.isEmpty()) forms << text;
                    if (forms.join(QString()).trimmed().isEmpty())
                        problems << QStringLiteral("empty: ") + source;
                    for (const QString& t : forms)
                        if (shape(t) != shape(source))
                            problems << QStringLiteral("%1 -> %2").arg(source, t);
                }
            }
            QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
            QVERIFY2(messages > 300, qPrintable(name));
            QVERIFY2(problems.isEmpty(),
                     qPrintable(name + QLatin1Char('\n') + problems.join(QLatin1Char('\n'))));
        }
    }
};

QTEST_MAIN(TranslationsTest)
#include "tst_translations.moc"
