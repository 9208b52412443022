<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>BrowserWindow</name>
    <message>
        <source>The web browser window could not be opened: its library %1 could not be loaded.
%2</source>
        <translation>Das Browserfenster kann nicht geöffnet werden: Seine Bibliothek %1 lässt sich nicht laden.
%2</translation>
    </message>
</context>
<context>
    <name>CommandLine</name>
    <message>
        <source>Quillmark Cogwright Database: a catalogue of parts with their pictures.</source>
        <translation>Quillmark Cogwright Database: ein Teilekatalog mit Bildern.</translation>
    </message>
    <message>
        <source>Shows the program&apos;s version.</source>
        <translation>Zeigt die Version des Programms.</translation>
    </message>
    <message>
        <source>With DATABASE TABLE FILE: writes the table TABLE of DATABASE to FILE as CSV (its pictures beside it), without a window.</source>
        <translation>Mit DATABASE TABLE FILE: schreibt die Tabelle TABLE der Datenbank DATABASE als CSV in die Datei FILE (ihre Bilder daneben), ohne Fenster.</translation>
    </message>
    <message>
        <source>With DATABASE TABLE FILE: adds the rows of the CSV file FILE to the parts table TABLE of DATABASE, all or nothing, without a window. Exit status 1: not done, 3: rows refused.</source>
        <translation>Mit DATABASE TABLE FILE: fügt die Zeilen der CSV-Datei FILE der Teiletabelle TABLE der Datenbank DATABASE hinzu, alle oder keine, ohne Fenster. Rückgabewert 1: nicht ausgeführt, 3: Zeilen abgewiesen.</translation>
    </message>
    <message>
        <source>With --export-csv: writes texts that begin with = + - @ as they are, without the leading &apos; that keeps spreadsheets from running them as formulas.</source>
        <translation>Mit --export-csv: schreibt Texte, die mit = + - @ beginnen, unverändert, ohne das vorangestellte &apos;, das Tabellenkalkulationen davon abhält, sie als Formeln auszuführen.</translation>
    </message>
    <message>
        <source>With --import-csv: reads pictures from any folder, not only from the CSV file&apos;s folder and below it.</source>
        <translation>Mit --import-csv: liest Bilder aus jedem Ordner, nicht nur aus dem Ordner der CSV-Datei und seinen Unterordnern.</translation>
    </message>
    <message>
        <source>Converts the Jet file IN (.mdb, .accdb) into the new catalogue OUT, printing progress; IN is only read.</source>
        <translation>Wandelt die Jet-Datei IN (.mdb, .accdb) in den neuen Katalog OUT um und zeigt dabei den Fortschritt; IN wird nur gelesen.</translation>
    </message>
    <message>
        <source>With DATABASE TABLE OUT.pdf: prints a label with a barcode for every part of TABLE into OUT.pdf.</source>
        <translation>Mit DATABASE TABLE OUT.pdf: druckt für jedes Teil der Tabelle TABLE ein Etikett mit Barcode in OUT.pdf.</translation>
    </message>
    <message>
        <source>With DATABASE TABLE OUT.pdf: prints every part of TABLE as a list (or as cards with pictures) into OUT.pdf.</source>
        <translation>Mit DATABASE TABLE OUT.pdf: druckt alle Teile der Tabelle TABLE als Liste (oder als Karten mit Bildern) in OUT.pdf.</translation>
    </message>
    <message>
        <source>With DATABASE TABLE OUT.pdf or OUT.csv: lists the parts whose stock and what is on order are at or below their re-order level.</source>
        <translation>Mit DATABASE TABLE OUT.pdf oder OUT.csv: listet die Teile, deren Bestand zusammen mit der bestellten Menge den Mindestbestand erreicht oder unterschreitet.</translation>
    </message>
    <message>
        <source>With --print-labels: the label sheet or roll, one of %1. Default a4-3x7.</source>
        <translation>Mit --print-labels: der Etikettenbogen oder die Etikettenrolle, eines von %1. Vorgabe: a4-3x7.</translation>
    </message>
    <message>
        <source>With --print-labels: code128 (the default), qr or datamatrix.</source>
        <translation>Mit --print-labels: code128 (Vorgabe), qr oder datamatrix.</translation>
    </message>
    <message>
        <source>With --print-labels: the first free label of a partly used sheet, counted along the rows from 1.</source>
        <translation>Mit --print-labels: das erste freie Etikett eines angebrochenen Bogens, zeilenweise ab 1 gezählt.</translation>
    </message>
    <message>
        <source>With --print-labels: labels for each part (1 to 999).</source>
        <translation>Mit --print-labels: Anzahl der Etiketten je Teil (1 bis 999).</translation>
    </message>
    <message>
        <source>With --print-catalogue: a card with its picture for each part, six to a page, instead of a list.</source>
        <translation>Mit --print-catalogue: statt einer Liste eine Karte mit Bild für jedes Teil, sechs pro Seite.</translation>
    </message>
    <message>
        <source>With --print-catalogue: more columns for the list, their names separated by commas.</source>
        <translation>Mit --print-catalogue: weitere Spalten für die Liste, ihre Namen durch Kommas getrennt.</translation>
    </message>
    <message>
        <source>The catalogue to open instead of Parts.mdb in the program&apos;s folder: a file, or a server&apos;s postgresql://user@host:port/database.</source>
        <translation>Der Katalog, der statt Parts.mdb im Programmordner geöffnet wird: eine Datei oder die Adresse eines Servers, postgresql://benutzer@host:port/datenbank.</translation>
    </message>
    <message>
        <source>Try &apos;cogwright --help&apos;.</source>
        <translation>Mehr dazu mit &apos;cogwright --help&apos;.</translation>
    </message>
    <message>
        <source>--export-csv and --import-csv take DATABASE TABLE FILE.</source>
        <translation>--export-csv und --import-csv erwarten DATABASE TABLE FILE.</translation>
    </message>
    <message>
        <source>--print-labels, --print-catalogue and --reorder-list take DATABASE TABLE OUT.</source>
        <translation>--print-labels, --print-catalogue und --reorder-list erwarten DATABASE TABLE OUT.</translation>
    </message>
    <message>
        <source>--reorder-list writes OUT.pdf or OUT.csv.</source>
        <translation>--reorder-list schreibt OUT.pdf oder OUT.csv.</translation>
    </message>
    <message>
        <source>OUT must be a .pdf file.</source>
        <translation>OUT muss eine .pdf-Datei sein.</translation>
    </message>
    <message>
        <source>There is no label layout &apos;%1&apos;; the layouts are %2.</source>
        <translation>Es gibt kein Etikettenformat &apos;%1&apos;; die Formate sind %2.</translation>
    </message>
    <message>
        <source>--barcode is code128, qr or datamatrix.</source>
        <translation>--barcode ist code128, qr oder datamatrix.</translation>
    </message>
    <message>
        <source>--start is a label from 1 to %1 on this layout.</source>
        <translation>--start ist bei diesem Format ein Etikett von 1 bis %1.</translation>
    </message>
    <message>
        <source>--copies is a number from 1 to 999.</source>
        <translation>--copies ist eine Zahl von 1 bis 999.</translation>
    </message>
    <message>
        <source>--convert-jet needs the files IN and OUT.</source>
        <translation>--convert-jet braucht die Dateien IN und OUT.</translation>
    </message>
    <message>
        <source>Only one catalogue can be opened.</source>
        <translation>Es kann nur ein Katalog geöffnet werden.</translation>
    </message>
    <message>
        <source>Quillmark Cogwright Database (version %1.%2.%3)</source>
        <translation>Quillmark Cogwright Database (Version %1.%2.%3)</translation>
    </message>
</context>
<context>
    <name>Control</name>
    <message>
        <source>Are you  sure you want to Quit?</source>
        <translation>Wollen Sie das Programm wirklich beenden?</translation>
    </message>
</context>
<context>
    <name>CsvWindows</name>
    <message>
        <source>Export to CSV</source>
        <translation>Als CSV exportieren</translation>
    </message>
    <message>
        <source>Import from CSV</source>
        <translation>Aus CSV importieren</translation>
    </message>
    <message>
        <source>CSV Files (*.csv)|*.csv</source>
        <translation>CSV-Dateien (*.csv)|*.csv</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>&amp;Abbrechen</translation>
    </message>
    <message>
        <source>%1 %2 of %3%4 rows</source>
        <translation>%1 %2 von %3%4 Zeilen</translation>
    </message>
    <message>
        <source>about </source>
        <translation>etwa </translation>
    </message>
    <message>
        <source>%1 %2 rows</source>
        <translation>%1 %2 Zeilen</translation>
    </message>
    <message>
        <source>Exported</source>
        <translation>Exportiert</translation>
    </message>
    <message>
        <source>The export was cancelled; no file was written.</source>
        <translation>Der Export wurde abgebrochen; es wurde keine Datei geschrieben.</translation>
    </message>
    <message>
        <source>%1 rows of the table &apos;%2&apos; were written to &apos;%3&apos;.</source>
        <translation>%1 Zeilen der Tabelle &apos;%2&apos; wurden nach &apos;%3&apos; geschrieben.</translation>
    </message>
    <message>
        <source> Their %1 pictures are in &apos;%2&apos;.</source>
        <translation> Ihre %1 Bilder liegen in &apos;%2&apos;.</translation>
    </message>
    <message>
        <source>The file names columns that the table &apos;%1&apos; does not have:

%2

Import the other columns without them?</source>
        <translation>Die Datei nennt Spalten, die die Tabelle &apos;%1&apos; nicht hat:

%2

Die übrigen Spalten ohne sie importieren?</translation>
    </message>
    <message>
        <source>Read</source>
        <translation>Gelesen</translation>
    </message>
    <message>
        <source>The import was cancelled; the table is as it was.</source>
        <translation>Der Import wurde abgebrochen; die Tabelle ist unverändert.</translation>
    </message>
    <message>
        <source>Nothing was imported; the table is as it was.</source>
        <translation>Es wurde nichts importiert; die Tabelle ist unverändert.</translation>
    </message>
    <message>
        <source>%1 parts were imported from &apos;%2&apos; into the table &apos;%3&apos;.</source>
        <translation>%1 Teile wurden aus &apos;%2&apos; in die Tabelle &apos;%3&apos; importiert.</translation>
    </message>
    <message>
        <source>%1 of the %2 rows of &apos;%3&apos; cannot be imported. Nothing has been written yet.</source>
        <translation>%1 der %2 Zeilen von &apos;%3&apos; können nicht importiert werden. Es wurde noch nichts geschrieben.</translation>
    </message>
    <message>
        <source> The first %1 reasons are listed.</source>
        <translation> Die ersten %1 Gründe sind aufgeführt.</translation>
    </message>
    <message>
        <source>Refused Rows</source>
        <translation>Abgelehnte Zeilen</translation>
    </message>
    <message>
        <source>Line</source>
        <translation>Zeile</translation>
    </message>
    <message>
        <source>Column</source>
        <translation>Spalte</translation>
    </message>
    <message>
        <source>Value</source>
        <translation>Wert</translation>
    </message>
    <message>
        <source>Reason</source>
        <translation>Grund</translation>
    </message>
    <message>
        <source>Rows Refused</source>
        <translation>Abgelehnte Zeilen</translation>
    </message>
    <message>
        <source>&amp;Import the %1 Other Rows</source>
        <translation>Die übrigen %1 Zeilen &amp;importieren</translation>
    </message>
    <message>
        <source>Read Pictures from &amp;Other Folders</source>
        <translation>Bilder aus &amp;anderen Ordnern lesen</translation>
    </message>
    <message>
        <source>Import &amp;Nothing</source>
        <translation>Nichts i&amp;mportieren</translation>
    </message>
    <message>
        <source>Give Taken &amp;Keys New Keys</source>
        <translation>Vergebenen Schlüsseln &amp;neue Schlüssel geben</translation>
    </message>
</context>
<context>
    <name>ErrorReport</name>
    <message>
        <source>An unexpected error occurred.</source>
        <translation>Ein unerwarteter Fehler ist aufgetreten.</translation>
    </message>
</context>
<context>
    <name>FieldGrid</name>
    <message>
        <source>Column</source>
        <translation>Spalte</translation>
    </message>
    <message>
        <source>Value</source>
        <translation>Wert</translation>
    </message>
</context>
<context>
    <name>FindBar</name>
    <message>
        <source>Find a Part</source>
        <translation>Teil suchen</translation>
    </message>
    <message>
        <source>&amp;Find:</source>
        <translation>&amp;Suchen:</translation>
    </message>
    <message>
        <source>Find</source>
        <translation>Suchen</translation>
    </message>
    <message>
        <source>Find &amp;Next</source>
        <translation>&amp;Weitersuchen</translation>
    </message>
    <message>
        <source>Find &amp;Previous</source>
        <translation>&amp;Rückwärts suchen</translation>
    </message>
    <message>
        <source>Show &amp;Only Matches</source>
        <translation>Nur &amp;Treffer zeigen</translation>
    </message>
    <message>
        <source>Matches</source>
        <translation>Treffer</translation>
    </message>
    <message>
        <source>Find result</source>
        <translation>Suchergebnis</translation>
    </message>
    <message>
        <source>Show &amp;All</source>
        <translation>&amp;Alle zeigen</translation>
    </message>
    <message>
        <source>Show All</source>
        <translation>Alle zeigen</translation>
    </message>
    <message>
        <source>Show Only Matches</source>
        <translation>Nur Treffer zeigen</translation>
    </message>
</context>
<context>
    <name>JetImport</name>
    <message>
        <source>Converting %1</source>
        <translation>%1 wird umgewandelt</translation>
    </message>
    <message>
        <source>Conversion Progress</source>
        <translation>Fortschritt der Umwandlung</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>&amp;Abbrechen</translation>
    </message>
    <message>
        <source>Reading %1 ...</source>
        <translation>%1 wird gelesen ...</translation>
    </message>
    <message>
        <source>Table %1 of %2: %3</source>
        <translation>Tabelle %1 von %2: %3</translation>
    </message>
    <message>
        <source>Linked tables left out: %1
</source>
        <translation>Ausgelassene verknüpfte Tabellen: %1
</translation>
    </message>
    <message>
        <source>
0 of %1 rows</source>
        <translation>
0 von %1 Zeilen</translation>
    </message>
    <message>
        <source>
%1 of %2 rows</source>
        <translation>
%1 von %2 Zeilen</translation>
    </message>
    <message>
        <source>These linked tables live in other files and were not converted: %1.</source>
        <translation>Diese verknüpften Tabellen liegen in anderen Dateien und wurden nicht umgewandelt: %1.</translation>
    </message>
    <message>
        <source>%1 is in the old Jet format. Convert it to a new catalogue?

%2</source>
        <translation>%1 liegt im alten Jet-Format vor. In einen neuen Katalog umwandeln?

%2</translation>
    </message>
    <message>
        <source>The new catalogue takes the name %1; the original is kept, unchanged, as %2.</source>
        <translation>Der neue Katalog erhält den Namen %1; das Original bleibt unverändert als %2 erhalten.</translation>
    </message>
    <message>
        <source>The new catalogue will be %1.</source>
        <translation>Der neue Katalog wird %1.</translation>
    </message>
    <message>
        <source>%1 has no table &apos;Parts&apos;, so the parts window cannot open it. Nothing was changed: the Jet file is as it was, and no converted copy was kept.</source>
        <translation>%1 hat keine Tabelle &apos;Parts&apos;, daher kann das Teilefenster sie nicht öffnen. Nichts wurde geändert: Die Jet-Datei ist unverändert, und es wurde keine umgewandelte Kopie behalten.</translation>
    </message>
    <message>
        <source>The converted catalogue is %1, but %2</source>
        <translation>Der umgewandelte Katalog ist %1, aber %2</translation>
    </message>
</context>
<context>
    <name>Pictures</name>
    <message>
        <source>The file is empty.</source>
        <translation>Die Datei ist leer.</translation>
    </message>
    <message>
        <source>File does not appear to be a valid image file...<byte value="xd"/>
<byte value="xd"/>
</source>
        <translation>Die Datei scheint keine gültige Bilddatei zu sein ...<byte value="xd"/>
<byte value="xd"/>
</translation>
    </message>
    <message>
        <source>The picture is empty (0 bytes).</source>
        <translation>Das Bild ist leer (0 Byte).</translation>
    </message>
    <message>
        <source>The picture cannot be shown: the file &apos;%1&apos; cannot be written (%2).</source>
        <translation>Das Bild kann nicht angezeigt werden: Die Datei &apos;%1&apos; kann nicht geschrieben werden (%2).</translation>
    </message>
    <message>
        <source>The picture cannot be shown: the file &apos;%1&apos; could not be written whole (is the disk full?).</source>
        <translation>Das Bild kann nicht angezeigt werden: Die Datei &apos;%1&apos; konnte nicht vollständig geschrieben werden (ist der Datenträger voll?).</translation>
    </message>
</context>
<context>
    <name>Platform</name>
    <message>
        <source>Error number: %1</source>
        <translation>Fehlernummer: %1</translation>
    </message>
    <message>
        <source>Your data folder &apos;%1&apos; cannot be made: %2.</source>
        <translation>Ihr Datenordner &apos;%1&apos; kann nicht angelegt werden: %2.</translation>
    </message>
    <message>
        <source>HOME is not set</source>
        <translation>HOME ist nicht gesetzt</translation>
    </message>
    <message>
        <source>the home folder &apos;%1&apos; does not exist</source>
        <translation>der Persönliche Ordner &apos;%1&apos; existiert nicht</translation>
    </message>
    <message>
        <source>&apos;%1&apos; could not be made (%2)</source>
        <translation>&apos;%1&apos; konnte nicht angelegt werden (%2)</translation>
    </message>
    <message>
        <source>The catalogue new users start from, &apos;%1&apos;, cannot be read: %2.</source>
        <translation>Der Katalog, mit dem neue Benutzer beginnen, &apos;%1&apos;, kann nicht gelesen werden: %2.</translation>
    </message>
    <message>
        <source>Your data folder &apos;%1&apos; cannot be written: %2.</source>
        <translation>In Ihren Datenordner &apos;%1&apos; kann nicht geschrieben werden: %2.</translation>
    </message>
</context>
<context>
    <name>RecordSheet</name>
    <message>
        <source>DATABASE  NAME = </source>
        <translation>DATENBANK  NAME = </translation>
    </message>
    <message>
        <source>TABLE  NAME = </source>
        <translation>TABELLEN  NAME = </translation>
    </message>
    <message>
        <source>The record was not printed: no printer is set up as the default printer.</source>
        <translation>Der Datensatz wurde nicht gedruckt: Es ist kein Standarddrucker eingerichtet.</translation>
    </message>
    <message>
        <source>The record was not printed: the printer &apos;%1&apos; did not take the job.</source>
        <translation>Der Datensatz wurde nicht gedruckt: Der Drucker &apos;%1&apos; hat den Auftrag nicht angenommen.</translation>
    </message>
    <message>
        <source>The record may not have been printed: the printer &apos;%1&apos; reported a failure.</source>
        <translation>Der Datensatz wurde möglicherweise nicht gedruckt: Der Drucker &apos;%1&apos; hat einen Fehler gemeldet.</translation>
    </message>
</context>
<context>
    <name>dlgConnect</name>
    <message>
        <source>Connect to Server</source>
        <translation>Mit Server verbinden</translation>
    </message>
    <message>
        <source>Host</source>
        <translation>Host</translation>
    </message>
    <message>
        <source>Port</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>Database</source>
        <translation>Datenbank</translation>
    </message>
    <message>
        <source>User</source>
        <translation>Benutzer</translation>
    </message>
    <message>
        <source>Password</source>
        <translation>Passwort</translation>
    </message>
    <message>
        <source>&amp;Host:</source>
        <translation>&amp;Host:</translation>
    </message>
    <message>
        <source>&amp;Port:</source>
        <translation>&amp;Port:</translation>
    </message>
    <message>
        <source>&amp;Database:</source>
        <translation>&amp;Datenbank:</translation>
    </message>
    <message>
        <source>&amp;User:</source>
        <translation>&amp;Benutzer:</translation>
    </message>
    <message>
        <source>Pass&amp;word:</source>
        <translation>Pass&amp;wort:</translation>
    </message>
    <message>
        <source>Please fill in the %1.</source>
        <extracomment>%1 is one of &quot;host&quot;, &quot;port&quot;, &quot;database&quot; or &quot;user&quot;.</extracomment>
        <translation>Bitte %1 angeben.</translation>
    </message>
    <message>
        <source>host</source>
        <translation>den Host</translation>
    </message>
    <message>
        <source>port</source>
        <translation>den Port</translation>
    </message>
    <message>
        <source>database</source>
        <translation>die Datenbank</translation>
    </message>
    <message>
        <source>user</source>
        <translation>den Benutzer</translation>
    </message>
    <message>
        <source>Connecting...</source>
        <translation>Verbindung wird hergestellt ...</translation>
    </message>
</context>
<context>
    <name>dlgPaper</name>
    <message>
        <source>&amp;Cancel</source>
        <translation>&amp;Abbrechen</translation>
    </message>
    <message>
        <source>Printed %1 of %2 parts</source>
        <translation>%1 von %2 Teilen gedruckt</translation>
    </message>
    <message>
        <source>Print Labels</source>
        <translation>Etiketten drucken</translation>
    </message>
    <message>
        <source>Print Catalogue</source>
        <translation>Katalog drucken</translation>
    </message>
    <message>
        <source>Re-Order List</source>
        <translation>Nachbestellliste</translation>
    </message>
    <message>
        <source>The parts of the table &apos;%1&apos; whose stock and what is on order come to their re-order level or below.</source>
        <translation>Die Teile der Tabelle &apos;%1&apos;, deren Bestand zusammen mit der bestellten Menge den Mindestbestand erreicht oder unterschreitet.</translation>
    </message>
    <message>
        <source>Parts</source>
        <translation>Teile</translation>
    </message>
    <message>
        <source>The &amp;part on screen</source>
        <translation>Das &amp;Teil auf dem Bildschirm</translation>
    </message>
    <message>
        <source>The parts the &amp;find shows</source>
        <translation>Die Teile, die die &amp;Suche zeigt</translation>
    </message>
    <message>
        <source>The &amp;whole table</source>
        <translation>Die &amp;ganze Tabelle</translation>
    </message>
    <message>
        <source>&amp;Layout:</source>
        <translation>&amp;Layout:</translation>
    </message>
    <message>
        <source>&amp;Barcode:</source>
        <translation>&amp;Barcode:</translation>
    </message>
    <message>
        <source>&amp;Start at label:</source>
        <translation>Beginnen bei &amp;Etikett:</translation>
    </message>
    <message>
        <source>Cop&amp;ies of each:</source>
        <translation>&amp;Kopien je Teil:</translation>
    </message>
    <message>
        <source>Style</source>
        <translation>Darstellung</translation>
    </message>
    <message>
        <source>A &amp;list, a line for each part</source>
        <translation>Eine &amp;Liste, eine Zeile je Teil</translation>
    </message>
    <message>
        <source>More c&amp;olumns in the list:</source>
        <translation>Weitere Spalte&amp;n in der Liste:</translation>
    </message>
    <message>
        <source>Pre&amp;view...</source>
        <translation>&amp;Vorschau ...</translation>
    </message>
    <message>
        <source>Save as P&amp;DF...</source>
        <translation>Als P&amp;DF speichern ...</translation>
    </message>
    <message>
        <source>Save as &amp;CSV...</source>
        <translation>Als &amp;CSV speichern ...</translation>
    </message>
    <message>
        <source>Parts catalogue</source>
        <translation>Teilekatalog</translation>
    </message>
    <message>
        <source>Re-order list</source>
        <translation>Nachbestellliste</translation>
    </message>
    <message>
        <source>Save as PDF</source>
        <translation>Als PDF speichern</translation>
    </message>
    <message>
        <source>PDF files</source>
        <translation>PDF-Dateien</translation>
    </message>
    <message numerus="yes">
        <source>Printed %1 parts on %n page(s) to &apos;%2&apos;.</source>
        <translation>
            <numerusform>%1 Teile auf %n Seite nach &apos;%2&apos; gedruckt.</numerusform>
            <numerusform>%1 Teile auf %n Seiten nach &apos;%2&apos; gedruckt.</numerusform>
        </translation>
    </message>
    <message>
        <source>Save as CSV</source>
        <translation>Als CSV speichern</translation>
    </message>
    <message>
        <source>CSV files</source>
        <translation>CSV-Dateien</translation>
    </message>
    <message>
        <source>%1 parts are at or below their re-order level; the list is in &apos;%2&apos;.</source>
        <translation>%1 Teile haben ihren Mindestbestand erreicht oder unterschritten; die Liste steht in &apos;%2&apos;.</translation>
    </message>
    <message>
        <source>&amp;Cards with pictures, six to a page</source>
        <translation>&amp;Karten mit Bildern, sechs je Seite</translation>
    </message>
</context>
<context>
    <name>exchange</name>
    <message>
        <source>Exported %1 of %2 rows</source>
        <translation>%1 von %2 Zeilen exportiert</translation>
    </message>
    <message>
        <source>Exported %1 rows and %2 pictures of the table &apos;%3&apos; to &apos;%4&apos;.</source>
        <translation>%1 Zeilen und %2 Bilder der Tabelle &apos;%3&apos; nach &apos;%4&apos; exportiert.</translation>
    </message>
    <message>
        <source>There is not enough memory to export the table &apos;%1&apos;.</source>
        <translation>Für den Export der Tabelle &apos;%1&apos; reicht der Speicher nicht.</translation>
    </message>
    <message>
        <source>Importing into a table on a server is not possible; import into a catalogue file and copy its table to the server from the chooser. Nothing was imported.</source>
        <translation>In eine Tabelle auf einem Server kann nicht importiert werden; importieren Sie in eine Katalogdatei und kopieren Sie deren Tabelle im Auswahlfenster auf den Server. Es wurde nichts importiert.</translation>
    </message>
    <message>
        <source>The header row of &apos;%1&apos; names columns the table &apos;%2&apos; does not have: %3. Nothing was imported.</source>
        <translation>Die Kopfzeile von &apos;%1&apos; nennt Spalten, die die Tabelle &apos;%2&apos; nicht hat: %3. Es wurde nichts importiert.</translation>
    </message>
    <message>
        <source>Read %1 of %2 rows</source>
        <translation>%1 von %2 Zeilen gelesen</translation>
    </message>
    <message>
        <source>%1 of the %2 rows of &apos;%3&apos; were refused, so nothing was imported:</source>
        <translation>%1 der %2 Zeilen von &apos;%3&apos; wurden abgelehnt, deshalb wurde nichts importiert:</translation>
    </message>
    <message>
        <source>(only the first %1 are listed)</source>
        <translation>(nur die ersten %1 sind aufgeführt)</translation>
    </message>
    <message>
        <source>Imported %1 rows from &apos;%2&apos; into the table &apos;%3&apos;.</source>
        <translation>%1 Zeilen aus &apos;%2&apos; in die Tabelle &apos;%3&apos; importiert.</translation>
    </message>
    <message>
        <source>There is not enough memory to import &apos;%1&apos;. Nothing was imported.</source>
        <translation>Für den Import von &apos;%1&apos; reicht der Speicher nicht. Es wurde nichts importiert.</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is not an ordinary file (it is a folder, a pipe or a device), so it cannot be read as CSV.</source>
        <translation>&apos;%1&apos; ist keine gewöhnliche Datei (sondern ein Ordner, eine Pipe oder ein Gerät) und kann daher nicht als CSV gelesen werden.</translation>
    </message>
    <message>
        <source>The file &apos;%1&apos; cannot be read (%2).</source>
        <translation>Die Datei &apos;%1&apos; kann nicht gelesen werden (%2).</translation>
    </message>
    <message>
        <source>The file &apos;%1&apos; ends inside a quoted field that begins on line %2.</source>
        <translation>Die Datei &apos;%1&apos; endet innerhalb eines Feldes in Anführungszeichen, das in Zeile %2 beginnt.</translation>
    </message>
    <message>
        <source>The file &apos;%1&apos; is not a text file: it holds NUL bytes, so it cannot be CSV.</source>
        <translation>Die Datei &apos;%1&apos; ist keine Textdatei: Sie enthält NUL-Bytes und kann daher keine CSV-Datei sein.</translation>
    </message>
    <message>
        <source>The file &apos;%1&apos; is not CSV as a spreadsheet writes it: %2 on line %3 (a quote inside a field that does not begin with one?).</source>
        <translation>Die Datei &apos;%1&apos; ist kein CSV, wie es eine Tabellenkalkulation schreibt: %2 in Zeile %3 (ein Anführungszeichen in einem Feld, das nicht mit einem beginnt?).</translation>
    </message>
    <message>
        <source>The file &apos;%1&apos; has a row of more than %2 fields on line %3; no parts table has that many columns.</source>
        <translation>Die Datei &apos;%1&apos; hat in Zeile %3 mehr als %2 Felder; keine Teiletabelle hat so viele Spalten.</translation>
    </message>
    <message>
        <source>The row on line %1 of &apos;%2&apos; is longer than %3 MB, more than any parts table holds; the file was not read.</source>
        <translation>Der Datensatz in Zeile %1 von &apos;%2&apos; ist länger als %3 MB, mehr als eine Teiletabelle fasst; die Datei wurde nicht gelesen.</translation>
    </message>
    <message>
        <source>Field %1 on line %2 of &apos;%3&apos; is longer than %4 MB, more than any column holds; the file was not read.</source>
        <translation>Feld %1 in Zeile %2 von &apos;%3&apos; ist länger als %4 MB, mehr als eine Spalte fasst; die Datei wurde nicht gelesen.</translation>
    </message>
    <message>
        <source>The file &apos;%1&apos; cannot be written (%2).</source>
        <translation>Die Datei &apos;%1&apos; kann nicht geschrieben werden (%2).</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is a folder or a device that is not a file; the CSV cannot be written there.</source>
        <translation>&apos;%1&apos; ist ein Ordner oder ein Gerät, keine Datei; die CSV-Datei kann dort nicht geschrieben werden.</translation>
    </message>
    <message>
        <source>No program reads from the pipe &apos;%1&apos;.</source>
        <translation>Kein Programm liest aus der Pipe &apos;%1&apos;.</translation>
    </message>
    <message>
        <source>&apos;%1&apos; cannot be written (%2).</source>
        <translation>&apos;%1&apos; kann nicht geschrieben werden (%2).</translation>
    </message>
    <message>
        <source>The picture file &apos;%1&apos; cannot be made (%2).</source>
        <translation>Die Bilddatei &apos;%1&apos; kann nicht angelegt werden (%2).</translation>
    </message>
    <message>
        <source>The picture file &apos;%1&apos; cannot be written (%2).</source>
        <translation>Die Bilddatei &apos;%1&apos; kann nicht geschrieben werden (%2).</translation>
    </message>
    <message>
        <source>The folder &apos;%1&apos; cannot be made (%2).</source>
        <translation>Der Ordner &apos;%1&apos; kann nicht angelegt werden (%2).</translation>
    </message>
    <message>
        <source>The folder &apos;%1&apos; cannot be opened (%2).</source>
        <translation>Der Ordner &apos;%1&apos; kann nicht geöffnet werden (%2).</translation>
    </message>
    <message>
        <source>&apos;%1&apos; already exists and is not an empty folder. The pictures go into a new or empty folder, so that none of your files is replaced: choose another name for the CSV file, or move that folder away.</source>
        <translation>&apos;%1&apos; gibt es schon, und es ist kein leerer Ordner. Die Bilder kommen in einen neuen oder leeren Ordner, damit keine Ihrer Dateien ersetzt wird: Wählen Sie einen anderen Namen für die CSV-Datei, oder verschieben Sie diesen Ordner.</translation>
    </message>
    <message>
        <source>The CSV file &apos;%1&apos; would replace the database it is written from; choose another file.</source>
        <translation>Die CSV-Datei &apos;%1&apos; würde die Datenbank ersetzen, aus der sie geschrieben wird; wählen Sie eine andere Datei.</translation>
    </message>
    <message>
        <source>The table &apos;%1&apos; is not a parts table: only a parts table takes parts from a CSV file.</source>
        <translation>Die Tabelle &apos;%1&apos; ist keine Teiletabelle: Nur eine Teiletabelle nimmt Teile aus einer CSV-Datei auf.</translation>
    </message>
    <message>
        <source>The file &apos;%1&apos; is empty: it has no header row naming the columns.</source>
        <translation>Die Datei &apos;%1&apos; ist leer: Sie hat keine Kopfzeile, die die Spalten nennt.</translation>
    </message>
    <message>
        <source>The header row of &apos;%1&apos; is not UTF-8 text, so the file is not a CSV file the program reads.</source>
        <translation>Die Kopfzeile von &apos;%1&apos; ist kein UTF-8-Text; die Datei ist daher keine CSV-Datei, die das Programm liest.</translation>
    </message>
    <message>
        <source>The header row of &apos;%1&apos; names the column &quot;%2&quot; twice.</source>
        <translation>Die Kopfzeile von &apos;%1&apos; nennt die Spalte &quot;%2&quot; zweimal.</translation>
    </message>
    <message>
        <source>(a column without a name)</source>
        <translation>(eine Spalte ohne Namen)</translation>
    </message>
    <message>
        <source>The header row of &apos;%1&apos; names none of the columns of the table &apos;%2&apos;, so nothing can be imported from it.</source>
        <translation>Die Kopfzeile von &apos;%1&apos; nennt keine Spalte der Tabelle &apos;%2&apos;; daraus kann nichts importiert werden.</translation>
    </message>
    <message>
        <source>The row has %1 fields; the header row names %2 columns.</source>
        <translation>Die Zeile hat %1 Felder; die Kopfzeile nennt %2 Spalten.</translation>
    </message>
    <message>
        <source>The column takes whole numbers, and a dot is read as a decimal point in every column (write numbers without thousands separators).</source>
        <translation>Die Spalte nimmt ganze Zahlen auf, und ein Punkt gilt in jeder Spalte als Dezimalpunkt (schreiben Sie Zahlen ohne Tausendertrennzeichen).</translation>
    </message>
    <message>
        <source>A dot is read as the decimal point in every column, so it cannot group thousands (write 1234,5, not 1.234,5).</source>
        <translation>Ein Punkt gilt in jeder Spalte als Dezimalpunkt und kann daher keine Tausender trennen (schreiben Sie 1234,5, nicht 1.234,5).</translation>
    </message>
    <message>
        <source>The text is not UTF-8 (save the file as CSV UTF-8).</source>
        <translation>Der Text ist kein UTF-8 (speichern Sie die Datei als CSV UTF-8).</translation>
    </message>
    <message>
        <source>The key needs a whole number.</source>
        <translation>Der Schlüssel braucht eine ganze Zahl.</translation>
    </message>
    <message>
        <source>The key %1 is taken by another record.</source>
        <translation>Der Schlüssel %1 gehört schon einem anderen Datensatz.</translation>
    </message>
    <message>
        <source>The picture is outside the folder of the CSV file (&apos;%1&apos;); only pictures in that folder or below it are read unless others are allowed.</source>
        <translation>Das Bild liegt außerhalb des Ordners der CSV-Datei (&apos;%1&apos;); nur Bilder in diesem Ordner und darunter werden gelesen, wenn andere nicht erlaubt sind.</translation>
    </message>
    <message>
        <source>The file &apos;%1&apos; does not appear to be a picture (JPEG, BMP, GIF, PNG or icon).</source>
        <translation>Die Datei &apos;%1&apos; scheint kein Bild zu sein (JPEG, BMP, GIF, PNG oder Symbol).</translation>
    </message>
    <message>
        <source>line %1</source>
        <translation>Zeile %1</translation>
    </message>
    <message>
        <source>The file &apos;%1&apos; cannot be found.</source>
        <translation>Die Datei &apos;%1&apos; wurde nicht gefunden.</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is not an ordinary file, so it cannot be a picture.</source>
        <translation>&apos;%1&apos; ist keine gewöhnliche Datei und kann daher kein Bild sein.</translation>
    </message>
    <message>
        <source>The file &apos;%1&apos; is empty (0 bytes), so it cannot be a picture.</source>
        <translation>Die Datei &apos;%1&apos; ist leer (0 Byte) und kann daher kein Bild sein.</translation>
    </message>
    <message>
        <source>The file &apos;%1&apos; is larger than %2 MB, the largest picture taken.</source>
        <translation>Die Datei &apos;%1&apos; ist größer als %2 MB, das größte Bild, das aufgenommen wird.</translation>
    </message>
    <message>
        <source>%1 Nothing was imported.</source>
        <translation>%1 Es wurde nichts importiert.</translation>
    </message>
    <message>
        <source>(and %1 more)</source>
        <translation>(und %1 weitere)</translation>
    </message>
</context>
<context>
    <name>frmBrowser</name>
    <message>
        <source>Back</source>
        <translation>Zurück</translation>
    </message>
    <message>
        <source>Forward</source>
        <translation>Vorwärts</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Stopp</translation>
    </message>
    <message>
        <source>Refresh</source>
        <translation>Neu laden</translation>
    </message>
    <message>
        <source>Home</source>
        <translation>Startseite</translation>
    </message>
    <message>
        <source>Search</source>
        <translation>Suchen</translation>
    </message>
    <message>
        <source>&amp;Address:</source>
        <translation>&amp;Adresse:</translation>
    </message>
    <message>
        <source>Address</source>
        <translation>Adresse</translation>
    </message>
    <message>
        <source>Web Page</source>
        <translation>Webseite</translation>
    </message>
    <message>
        <source>Working...</source>
        <translation>Wird geladen ...</translation>
    </message>
</context>
<context>
    <name>frmCreateDb</name>
    <message>
        <source>Create New Parts Database</source>
        <translation>Neue Teiledatenbank anlegen</translation>
    </message>
    <message>
        <source>Enter - New Database Name</source>
        <translation>Eingabe - Name der neuen Datenbank</translation>
    </message>
    <message>
        <source>Enter - New  Data Table Name</source>
        <translation>Eingabe - Name der neuen  Datentabelle</translation>
    </message>
    <message>
        <source>Non Optional (Fixed) Data Table Field Names:</source>
        <translation>Feste (nicht wählbare) Feldnamen der Datentabelle:</translation>
    </message>
    <message>
        <source>Field  1:  Item Part Number - Required Field</source>
        <translation>Feld  1:  Teilenummer - Pflichtfeld</translation>
    </message>
    <message>
        <source>Field  2:  Item Part Name - Required Field</source>
        <translation>Feld  2:  Teilebezeichnung - Pflichtfeld</translation>
    </message>
    <message>
        <source>Field  3:  Item Category - Required Field</source>
        <translation>Feld  3:  Kategorie - Pflichtfeld</translation>
    </message>
    <message>
        <source>Field  4:  Item Description - Required Field</source>
        <translation>Feld  4:  Beschreibung - Pflichtfeld</translation>
    </message>
    <message>
        <source>Next to Last Field: = Item Data Creation Date</source>
        <translation>Vorletztes Feld: = Erstellungsdatum des Datensatzes</translation>
    </message>
    <message>
        <source>Last Field: Item Image = ( Picture in jpg, gif or bmp)</source>
        <translation>Letztes Feld: Teilebild = ( Bild als jpg, gif oder bmp)</translation>
    </message>
    <message>
        <source>&amp;Create Database</source>
        <translation>Datenbank &amp;anlegen</translation>
    </message>
    <message>
        <source>Select Optional Data Table Field Names from Below:</source>
        <translation>Wählen Sie unten weitere Feldnamen der Datentabelle:</translation>
    </message>
    <message>
        <source>Ca&amp;ncel</source>
        <translation>Abbre&amp;chen</translation>
    </message>
    <message>
        <source>&amp;EXIT</source>
        <translation>&amp;ENDE</translation>
    </message>
    <message>
        <source>The %1 can not contain invisible text direction controls</source>
        <translation>Der %1 darf keine unsichtbaren Steuerzeichen für die Schreibrichtung enthalten</translation>
    </message>
    <message>
        <source>The %1 can not contain invisible zero-width characters</source>
        <translation>Der %1 darf keine unsichtbaren Zeichen ohne Breite enthalten</translation>
    </message>
    <message>
        <source>The %1 can not contain line breaks</source>
        <translation>Der %1 darf keine Zeilenumbrüche enthalten</translation>
    </message>
    <message>
        <source>The Database Name can not contain / or \ : the database is always made in the program&apos;s folder</source>
        <translation>Der Datenbankname darf weder / noch \ enthalten: Die Datenbank wird immer im Programmordner angelegt</translation>
    </message>
    <message>
        <source>The Database Name can not be . or ..</source>
        <translation>Der Datenbankname darf nicht . oder .. sein</translation>
    </message>
    <message>
        <source>Database Name</source>
        <translation>Datenbankname</translation>
    </message>
    <message>
        <source>The Database Name can not contain control characters</source>
        <translation>Der Datenbankname darf keine Steuerzeichen enthalten</translation>
    </message>
    <message>
        <source>Table Name</source>
        <translation>Tabellenname</translation>
    </message>
    <message>
        <source>You Must Exit this Window Before Creating another Database</source>
        <translation>Schließen Sie dieses Fenster, bevor Sie eine weitere Datenbank anlegen</translation>
    </message>
    <message>
        <source>The Database a Needs a Name</source>
        <translation>Die Datenbank braucht einen Namen</translation>
    </message>
    <message>
        <source>The Database Table Needs a Name</source>
        <translation>Die Datentabelle braucht einen Namen</translation>
    </message>
    <message>
        <source>The Database Was Sucessfully Created</source>
        <translation>Die Datenbank wurde erfolgreich angelegt</translation>
    </message>
    <message>
        <source>Database Name already Used, Can NOT Replace</source>
        <translation>Datenbankname bereits vergeben, kann NICHT ersetzt werden</translation>
    </message>
</context>
<context>
    <name>frmMain</name>
    <message>
        <source>Quillmark Cogwright Database (free version)</source>
        <translation>Quillmark Cogwright Database (kostenlose Version)</translation>
    </message>
    <message>
        <source>Fixed Item Data</source>
        <translation>Feste Teiledaten</translation>
    </message>
    <message>
        <source>Database Name</source>
        <translation>Datenbankname</translation>
    </message>
    <message>
        <source>Table Name</source>
        <translation>Tabellenname</translation>
    </message>
    <message>
        <source>Part Number</source>
        <translation>Teilenummer</translation>
    </message>
    <message>
        <source>Part Name</source>
        <translation>Teilebezeichnung</translation>
    </message>
    <message>
        <source>Category</source>
        <translation>Kategorie</translation>
    </message>
    <message>
        <source>Description</source>
        <translation>Beschreibung</translation>
    </message>
    <message>
        <source>Item Picture</source>
        <translation>Teilebild</translation>
    </message>
    <message>
        <source>Add Pic&amp;ture</source>
        <translation>B&amp;ild einfügen</translation>
    </message>
    <message>
        <source>Optional Item Data</source>
        <translation>Weitere Teiledaten</translation>
    </message>
    <message>
        <source>Print &amp;More</source>
        <translation>&amp;Mehr drucken</translation>
    </message>
    <message>
        <source>Labels with barcodes, the printed catalogue and the re-order list</source>
        <translation>Etiketten mit Barcode, der gedruckte Katalog und die Nachbestellliste</translation>
    </message>
    <message>
        <source>Selected Field Name</source>
        <translation>Gewähltes Feld</translation>
    </message>
    <message>
        <source>Selected Field Data</source>
        <translation>Inhalt des gewählten Felds</translation>
    </message>
    <message>
        <source>Control Options</source>
        <translation>Bedienung</translation>
    </message>
    <message>
        <source>&amp;First</source>
        <translation>&amp;Erster</translation>
    </message>
    <message>
        <source>&amp;Previous</source>
        <translation>&amp;Vorheriger</translation>
    </message>
    <message>
        <source>&amp;Next</source>
        <translation>&amp;Nächster</translation>
    </message>
    <message>
        <source>&amp;Last</source>
        <translation>&amp;Letzter</translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation>&amp;Bearbeiten</translation>
    </message>
    <message>
        <source>&amp;Delete</source>
        <translation>Lö&amp;schen</translation>
    </message>
    <message>
        <source>&amp;Add</source>
        <translation>&amp;Hinzufügen</translation>
    </message>
    <message>
        <source>&amp;Save</source>
        <translation>S&amp;peichern</translation>
    </message>
    <message>
        <source>Select Data&amp;base</source>
        <translation>Datenbank &amp;wählen</translation>
    </message>
    <message>
        <source>Create Ne&amp;w Database</source>
        <translation>Neue &amp;Datenbank</translation>
    </message>
    <message>
        <source>P&amp;rint</source>
        <translation>Dr&amp;ucken</translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation>S&amp;chließen</translation>
    </message>
    <message>
        <source>Click here to  Vist the Quillmark Software, Inc. Website for Information on our other Database Products</source>
        <translation>Klicken Sie hier, um die Website von Quillmark Software, Inc. mit Informationen zu unseren weiteren Datenbankprodukten zu besuchen</translation>
    </message>
    <message>
        <source>Select picture for current record...</source>
        <translation>Bild für den aktuellen Datensatz wählen ...</translation>
    </message>
    <message>
        <source>Image Files (*.jpg, *.bmp, *.gif)</source>
        <translation>Bilddateien (*.jpg, *.bmp, *.gif)</translation>
    </message>
    <message>
        <source>%1  Records Found</source>
        <translation>%1  Datensätze gefunden</translation>
    </message>
    <message>
        <source>Print &amp;Labels...</source>
        <translation>&amp;Etiketten drucken ...</translation>
    </message>
    <message>
        <source>Print &amp;Catalogue...</source>
        <translation>&amp;Katalog drucken ...</translation>
    </message>
    <message>
        <source>&amp;Re-Order List...</source>
        <translation>&amp;Nachbestellliste ...</translation>
    </message>
    <message>
        <source>Cancel A&amp;dd</source>
        <translation>Ve&amp;rwerfen</translation>
    </message>
    <message>
        <source>Quillmark Cogwright Database (version %1.%2.%3)</source>
        <translation>Quillmark Cogwright Database (Version %1.%2.%3)</translation>
    </message>
    <message>
        <source>The record was not saved.<byte value="xd"/>
<byte value="xd"/>
Quit without saving it?</source>
        <translation>Der Datensatz wurde nicht gespeichert.<byte value="xd"/>
<byte value="xd"/>
Ohne Speichern beenden?</translation>
    </message>
    <message>
        <source>The database is empty.<byte value="xd"/>
<byte value="xd"/>
Please add a record.</source>
        <translation>Die Datenbank ist leer.<byte value="xd"/>
<byte value="xd"/>
Bitte fügen Sie einen Datensatz hinzu.</translation>
    </message>
</context>
<context>
    <name>frmOpenDb</name>
    <message>
        <source>Select Existing Parts Database</source>
        <translation>Vorhandene Teiledatenbank wählen</translation>
    </message>
    <message>
        <source>Database Path</source>
        <translation>Datenbankpfad</translation>
    </message>
    <message>
        <source>Tables and Columns</source>
        <translation>Tabellen und Spalten</translation>
    </message>
    <message>
        <source>&amp;Browse for Database</source>
        <translation>Datenbank &amp;suchen</translation>
    </message>
    <message>
        <source>Connect to &amp;Server...</source>
        <translation>Mit Se&amp;rver verbinden ...</translation>
    </message>
    <message>
        <source>Copy to Ser&amp;ver...</source>
        <translation>Auf Ser&amp;ver kopieren ...</translation>
    </message>
    <message>
        <source>Record Picture</source>
        <translation>Bild des Datensatzes</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>&amp;Abbrechen</translation>
    </message>
    <message>
        <source>&amp;OK</source>
        <translation>&amp;OK</translation>
    </message>
    <message>
        <source>Records in Table:</source>
        <translation>Datensätze in Tabelle:</translation>
    </message>
    <message>
        <source>Records in Table</source>
        <translation>Datensätze in Tabelle</translation>
    </message>
    <message>
        <source>Table Preview</source>
        <translation>Tabellenvorschau</translation>
    </message>
    <message>
        <source>E&amp;xport to CSV...</source>
        <translation>Als CSV e&amp;xportieren ...</translation>
    </message>
    <message>
        <source>&amp;Import from CSV...</source>
        <translation>Aus CSV &amp;importieren ...</translation>
    </message>
    <message>
        <source>Keep spreadsheets from running &amp;formulas</source>
        <translation>Tabellenkalkulation keine &amp;Formeln ausführen lassen</translation>
    </message>
    <message>
        <source>Exported texts that begin with = + - or @ get a leading &apos; so that a spreadsheet shows them as text; importing takes it off again.</source>
        <translation>Exportierte Texte, die mit = + - oder @ beginnen, erhalten ein vorangestelltes &apos;, damit eine Tabellenkalkulation sie als Text zeigt; beim Import wird es wieder entfernt.</translation>
    </message>
    <message>
        <source>Unexpected Error: </source>
        <translation>Unerwarteter Fehler: </translation>
    </message>
    <message>
        <source>No database is open.</source>
        <translation>Es ist keine Datenbank geöffnet.</translation>
    </message>
    <message>
        <source>Records in Table: </source>
        <translation>Datensätze in Tabelle: </translation>
    </message>
    <message>
        <source>The table &apos;%1&apos; changed while it was read.</source>
        <translation>Die Tabelle &apos;%1&apos; wurde während des Lesens geändert.</translation>
    </message>
    <message>
        <source>Locate New Information Database</source>
        <translation>Andere Datenbank suchen</translation>
    </message>
    <message>
        <source>Preview a table of a catalogue file first: that table is the one copied to the server.</source>
        <translation>Zeigen Sie zuerst eine Tabelle einer Katalogdatei in der Vorschau an: Diese Tabelle wird auf den Server kopiert.</translation>
    </message>
    <message>
        <source>Copy &apos;%1&apos; to a Server</source>
        <translation>&apos;%1&apos; auf einen Server kopieren</translation>
    </message>
    <message>
        <source>Copy to Server</source>
        <translation>Auf Server kopieren</translation>
    </message>
    <message>
        <source>&amp;Name of the new table on the server:</source>
        <translation>&amp;Name der neuen Tabelle auf dem Server:</translation>
    </message>
    <message>
        <source>Copying &apos;%1&apos; to %2...</source>
        <translation>&apos;%1&apos; wird nach %2 kopiert ...</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>The table &apos;%1&apos; was copied to %2 as &apos;%3&apos; (%4 records).</source>
        <translation>Die Tabelle &apos;%1&apos; wurde nach %2 als &apos;%3&apos; kopiert (%4 Datensätze).</translation>
    </message>
    <message>
        <source>The table &apos;%1&apos; is not a parts table, so the parts window cannot open it. Nothing was converted.</source>
        <translation>Die Tabelle &apos;%1&apos; ist keine Teiletabelle, daher kann das Teilefenster sie nicht öffnen. Es wurde nichts umgewandelt.</translation>
    </message>
    <message>
        <source>No temporary folder for the preview: %1</source>
        <translation>Kein temporärer Ordner für die Vorschau: %1</translation>
    </message>
    <message>
        <source>The new catalogue will be %1, and its table &apos;%2&apos; opens in the parts window.</source>
        <translation>Der neue Katalog wird %1, und seine Tabelle &apos;%2&apos; wird im Teilefenster geöffnet.</translation>
    </message>
</context>
<context>
    <name>legacy</name>
    <message>
        <source>The path &quot;%1&quot; is too long.</source>
        <translation>Der Pfad &quot;%1&quot; ist zu lang.</translation>
    </message>
    <message>
        <source>The file &quot;%1&quot; already exists; it was not replaced.</source>
        <translation>Die Datei &quot;%1&quot; existiert bereits; sie wurde nicht ersetzt.</translation>
    </message>
    <message>
        <source>The new catalogue &quot;%1&quot; cannot be written: %2.</source>
        <translation>Der neue Katalog &quot;%1&quot; kann nicht geschrieben werden: %2.</translation>
    </message>
    <message>
        <source>Row %1 of the table &quot;%2&quot; in &quot;%3&quot; cannot be converted: %4</source>
        <translation>Zeile %1 der Tabelle &quot;%2&quot; in &quot;%3&quot; kann nicht umgewandelt werden: %4</translation>
    </message>
    <message>
        <source>its type, %1, cannot be converted</source>
        <translation>ihr Typ, %1, kann nicht umgewandelt werden</translation>
    </message>
    <message>
        <source>The reader of Jet files failed on &quot;%1&quot;; the file is damaged. Nothing was written.</source>
        <translation>Das Lesen der Jet-Datei &quot;%1&quot; ist fehlgeschlagen; die Datei ist beschädigt. Es wurde nichts geschrieben.</translation>
    </message>
    <message>
        <source>Reading &quot;%1&quot; made no progress for 30 seconds and was stopped; the file is damaged. Nothing was written.</source>
        <translation>Das Lesen von &quot;%1&quot; kam 30 Sekunden lang nicht voran und wurde abgebrochen; die Datei ist beschädigt. Es wurde nichts geschrieben.</translation>
    </message>
    <message>
        <source>The conversion of &quot;%1&quot; was stopped; nothing was written.</source>
        <translation>Die Umwandlung von &quot;%1&quot; wurde abgebrochen; es wurde nichts geschrieben.</translation>
    </message>
    <message>
        <source>&quot;%1&quot; could not be converted: %2</source>
        <translation>&quot;%1&quot; konnte nicht umgewandelt werden: %2</translation>
    </message>
    <message>
        <source>%1 values in &quot;%2&quot; could not be read whole (the file is damaged); they were converted as empty (Null) and are listed above.</source>
        <translation>%1 Werte in &quot;%2&quot; konnten nicht vollständig gelesen werden (die Datei ist beschädigt); sie wurden als leer (Null) übernommen und sind oben aufgeführt.</translation>
    </message>
    <message>
        <source>Jet 3 (Access 97)</source>
        <translation>Jet 3 (Access 97)</translation>
    </message>
    <message>
        <source>Jet 4 (Access 2000-2003)</source>
        <translation>Jet 4 (Access 2000-2003)</translation>
    </message>
    <message>
        <source>ACE (Access 2007 or later)</source>
        <translation>ACE (Access 2007 oder neuer)</translation>
    </message>
    <message>
        <source>%1 does not exist.</source>
        <translation>%1 existiert nicht.</translation>
    </message>
    <message>
        <source>%1 is not a Jet or ACE database file.</source>
        <translation>%1 ist keine Jet- oder ACE-Datenbankdatei.</translation>
    </message>
    <message>
        <source>%1 is a Jet file of an unknown version (%2); it cannot be read.</source>
        <translation>%1 ist eine Jet-Datei unbekannter Version (%2); sie kann nicht gelesen werden.</translation>
    </message>
    <message>
        <source>%1 is protected by a database password. Remove the password in Access, then convert it again.</source>
        <translation>%1 ist durch ein Datenbankkennwort geschützt. Entfernen Sie das Kennwort in Access und wandeln Sie die Datei dann erneut um.</translation>
    </message>
    <message>
        <source>%1 is encrypted. Decrypt it in Access, then convert it again.</source>
        <translation>%1 ist verschlüsselt. Entschlüsseln Sie die Datei in Access und wandeln Sie sie dann erneut um.</translation>
    </message>
    <message>
        <source>%1 is cut short or damaged: its size (%2 bytes) is not a whole number of its %3-byte pages.</source>
        <translation>%1 ist unvollständig oder beschädigt: Ihre Größe (%2 Byte) ist kein ganzes Vielfaches ihrer Seitengröße von %3 Byte.</translation>
    </message>
    <message>
        <source>%1 cannot be read.</source>
        <translation>%1 kann nicht gelesen werden.</translation>
    </message>
    <message>
        <source>%1 is damaged: its table of contents is not where a Jet file keeps it.</source>
        <translation>%1 ist beschädigt: Ihr Inhaltsverzeichnis steht nicht dort, wo eine Jet-Datei es ablegt.</translation>
    </message>
    <message>
        <source>Yes/No</source>
        <translation>Ja/Nein</translation>
    </message>
    <message>
        <source>Byte</source>
        <translation>Byte</translation>
    </message>
    <message>
        <source>Integer</source>
        <translation>Integer</translation>
    </message>
    <message>
        <source>Long Integer</source>
        <translation>Long Integer</translation>
    </message>
    <message>
        <source>Currency</source>
        <translation>Währung</translation>
    </message>
    <message>
        <source>Single</source>
        <translation>Single</translation>
    </message>
    <message>
        <source>Double</source>
        <translation>Double</translation>
    </message>
    <message>
        <source>Date/Time</source>
        <translation>Datum/Uhrzeit</translation>
    </message>
    <message>
        <source>Binary</source>
        <translation>Binär</translation>
    </message>
    <message>
        <source>Short Text</source>
        <translation>Kurzer Text</translation>
    </message>
    <message>
        <source>OLE Object</source>
        <translation>OLE-Objekt</translation>
    </message>
    <message>
        <source>Long Text</source>
        <translation>Langer Text</translation>
    </message>
    <message>
        <source>Replication ID</source>
        <translation>Replikations-ID</translation>
    </message>
    <message>
        <source>Decimal</source>
        <translation>Dezimal</translation>
    </message>
    <message>
        <source>Attachment or multi-valued field</source>
        <translation>Anlage oder mehrwertiges Feld</translation>
    </message>
    <message>
        <source>Date/Time Extended</source>
        <translation>Datum/Uhrzeit erweitert</translation>
    </message>
    <message>
        <source>an unknown type (%1)</source>
        <translation>ein unbekannter Typ (%1)</translation>
    </message>
    <message>
        <source>&quot;%1&quot; cannot be opened as a Jet database.</source>
        <translation>&quot;%1&quot; kann nicht als Jet-Datenbank geöffnet werden.</translation>
    </message>
    <message>
        <source>The list of tables in &quot;%1&quot; cannot be read; the file is damaged.</source>
        <translation>Die Tabellenliste in &quot;%1&quot; kann nicht gelesen werden; die Datei ist beschädigt.</translation>
    </message>
    <message>
        <source>The definition of the table &quot;%1&quot; in &quot;%2&quot; cannot be read; the file is damaged.</source>
        <translation>Die Definition der Tabelle &quot;%1&quot; in &quot;%2&quot; kann nicht gelesen werden; die Datei ist beschädigt.</translation>
    </message>
    <message>
        <source>The list of tables in &quot;%1&quot; %2; the file is damaged.</source>
        <translation>Die Tabellenliste in &quot;%1&quot; %2; die Datei ist beschädigt.</translation>
    </message>
    <message>
        <source>cannot be read</source>
        <translation>kann nicht gelesen werden</translation>
    </message>
    <message>
        <source>cannot be read whole (%1 of its %2 entries)</source>
        <translation>kann nicht vollständig gelesen werden (%1 ihrer %2 Einträge)</translation>
    </message>
    <message>
        <source>names a table past the end of the file, which is cut short</source>
        <translation>nennt eine Tabelle hinter dem Ende der Datei, die unvollständig ist</translation>
    </message>
    <message>
        <source>The table &quot;%1&quot; in &quot;%2&quot; cannot be read.</source>
        <translation>Die Tabelle &quot;%1&quot; in &quot;%2&quot; kann nicht gelesen werden.</translation>
    </message>
    <message>
        <source>Row %1 of the table &quot;%2&quot; in &quot;%3&quot; cannot be read: %4.</source>
        <translation>Zeile %1 der Tabelle &quot;%2&quot; in &quot;%3&quot; kann nicht gelesen werden: %4.</translation>
    </message>
    <message>
        <source>it is not where its page says</source>
        <translation>sie steht nicht dort, wo ihre Seite es angibt</translation>
    </message>
    <message>
        <source>its values do not fit its columns</source>
        <translation>ihre Werte passen nicht zu ihren Spalten</translation>
    </message>
    <message>
        <source>it names a column the table lacks</source>
        <translation>sie nennt eine Spalte, die der Tabelle fehlt</translation>
    </message>
    <message>
        <source>the value of &quot;%1&quot; is cut short</source>
        <translation>der Wert von &quot;%1&quot; ist abgeschnitten</translation>
    </message>
    <message>
        <source>the date in &quot;%1&quot; is out of range</source>
        <translation>das Datum in &quot;%1&quot; liegt außerhalb des gültigen Bereichs</translation>
    </message>
    <message>
        <source>the text in &quot;%1&quot; is too long</source>
        <translation>der Text in &quot;%1&quot; ist zu lang</translation>
    </message>
    <message>
        <source>the column &quot;%1&quot; has a type this program cannot read</source>
        <translation>die Spalte &quot;%1&quot; hat einen Typ, den dieses Programm nicht lesen kann</translation>
    </message>
    <message>
        <source>The table &quot;%1&quot; in &quot;%2&quot; could not be read whole: %3 of its %4 rows were readable; the file is damaged.</source>
        <translation>Die Tabelle &quot;%1&quot; in &quot;%2&quot; konnte nicht vollständig gelesen werden: %3 ihrer %4 Zeilen waren lesbar; die Datei ist beschädigt.</translation>
    </message>
    <message>
        <source>The converter %1 could not be started: %2</source>
        <translation>Das Umwandlungsprogramm %1 konnte nicht gestartet werden: %2</translation>
    </message>
    <message>
        <source>The column &quot;%1&quot; of the table &quot;%2&quot; was left out: %3.</source>
        <translation>Die Spalte &quot;%1&quot; der Tabelle &quot;%2&quot; wurde ausgelassen: %3.</translation>
    </message>
    <message>
        <source>The value of &quot;%1&quot; in row %2%3 of the table &quot;%4&quot; could not be read whole; it was converted as empty (Null).</source>
        <translation>Der Wert von &quot;%1&quot; in Zeile %2%3 der Tabelle &quot;%4&quot; konnte nicht vollständig gelesen werden; er wurde als leer (Null) übernommen.</translation>
    </message>
    <message>
        <source>The table &quot;%1&quot; was left out: none of its columns can be converted.</source>
        <translation>Die Tabelle &quot;%1&quot; wurde ausgelassen: Keine ihrer Spalten lässt sich umwandeln.</translation>
    </message>
    <message>
        <source>The table &quot;%1&quot; holds %2 rows, all converted, though the file counted %3.</source>
        <translation>Die Tabelle &quot;%1&quot; enthält %2 Zeilen, alle umgewandelt, obwohl die Datei %3 angab.</translation>
    </message>
    <message>
        <source>%1 more values could not be read whole and were left empty.</source>
        <translation>%1 weitere Werte konnten nicht vollständig gelesen werden und blieben leer.</translation>
    </message>
    <message>
        <source>The conversion of %1 was cancelled; nothing was written.</source>
        <translation>Die Umwandlung von %1 wurde abgebrochen; es wurde nichts geschrieben.</translation>
    </message>
    <message>
        <source>Reading %1 made no progress for %2 seconds and was stopped; the file may be damaged. Nothing was written.</source>
        <translation>Das Lesen von %1 kam %2 Sekunden lang nicht voran und wurde abgebrochen; die Datei ist möglicherweise beschädigt. Es wurde nichts geschrieben.</translation>
    </message>
    <message>
        <source>The conversion of %1 failed (the converter ended with status %2); nothing was written.</source>
        <translation>Die Umwandlung von %1 ist fehlgeschlagen (das Umwandlungsprogramm endete mit Status %2); es wurde nichts geschrieben.</translation>
    </message>
    <message>
        <source>%1 already exists.</source>
        <translation>%1 existiert bereits.</translation>
    </message>
    <message>
        <source>%1 cannot be renamed to %2: %3.</source>
        <translation>%1 kann nicht in %2 umbenannt werden: %3.</translation>
    </message>
    <message>
        <source>%1 cannot be written: %2</source>
        <translation>%1 kann nicht geschrieben werden: %2</translation>
    </message>
    <message>
        <source>The date in &quot;%1&quot; in row %2%3 of the table &quot;%4&quot; lies outside the years 100 to 9999 that a catalogue holds; it was converted as empty (Null).</source>
        <translation>Das Datum in &quot;%1&quot; in Zeile %2%3 der Tabelle &quot;%4&quot; liegt außerhalb der Jahre 100 bis 9999, die ein Katalog fasst; es wurde als leer (Null) übernommen.</translation>
    </message>
    <message>
        <source>%1 more dates lie outside the years 100 to 9999 and were left empty.</source>
        <translation>%1 weitere Daten liegen außerhalb der Jahre 100 bis 9999 und blieben leer.</translation>
    </message>
    <message>
        <source>its definition, a Decimal of no possible precision and scale, is damaged</source>
        <translation>ihre Definition, eine Dezimalzahl ohne mögliche Genauigkeit und Dezimalstellen, ist beschädigt</translation>
    </message>
    <message>
        <source>%1 dates in &quot;%2&quot; lie outside the years 100 to 9999 that a catalogue holds; they were converted as empty (Null) and are listed above.</source>
        <translation>%1 Daten in &quot;%2&quot; liegen außerhalb der Jahre 100 bis 9999, die ein Katalog fasst; sie wurden als leer (Null) übernommen und sind oben aufgeführt.</translation>
    </message>
</context>
<context>
    <name>paper</name>
    <message>
        <source>Code 128</source>
        <translation>Code 128</translation>
    </message>
    <message>
        <source>QR code</source>
        <translation>QR-Code</translation>
    </message>
    <message>
        <source>Data Matrix</source>
        <translation>Data Matrix</translation>
    </message>
    <message>
        <source>The part number is empty.</source>
        <translation>Die Teilenummer ist leer.</translation>
    </message>
    <message>
        <source>There is not enough memory.</source>
        <translation>Es ist nicht genug Arbeitsspeicher vorhanden.</translation>
    </message>
    <message>
        <source>%1 cannot carry it (%2).</source>
        <translation>%1 kann sie nicht aufnehmen (%2).</translation>
    </message>
    <message>
        <source>Database: %1    Table: %2</source>
        <translation>Datenbank: %1    Tabelle: %2</translation>
    </message>
    <message>
        <source>Page %1 of %2</source>
        <translation>Seite %1 von %2</translation>
    </message>
    <message>
        <source>No picture</source>
        <translation>Kein Bild</translation>
    </message>
    <message>
        <source>The picture cannot be shown</source>
        <translation>Das Bild kann nicht angezeigt werden</translation>
    </message>
    <message>
        <source>No parts.</source>
        <translation>Keine Teile.</translation>
    </message>
    <message>
        <source>Part Number</source>
        <translation>Teilenummer</translation>
    </message>
    <message>
        <source>Part Name</source>
        <translation>Teilebezeichnung</translation>
    </message>
    <message>
        <source>Category</source>
        <translation>Kategorie</translation>
    </message>
    <message>
        <source>The table &apos;%1&apos; has no PartNumber column: it is not a table of parts.</source>
        <translation>Die Tabelle &apos;%1&apos; hat keine Spalte PartNumber: Sie ist keine Teiletabelle.</translation>
    </message>
    <message>
        <source>The table &apos;%1&apos; has no re-order list: it lacks the column(s) %2.</source>
        <translation>Die Tabelle &apos;%1&apos; hat keine Nachbestellliste: Ihr fehlen die Spalte(n) %2.</translation>
    </message>
    <message>
        <source>No part is at or below its re-order level.</source>
        <translation>Kein Teil hat seinen Mindestbestand erreicht oder unterschritten.</translation>
    </message>
    <message>
        <source>The file &apos;%1&apos; cannot be written (%2).</source>
        <translation>Die Datei &apos;%1&apos; kann nicht geschrieben werden (%2).</translation>
    </message>
    <message>
        <source>A4, 3 × 7 labels of 63.5 × 38.1 mm (L7160)</source>
        <translation>A4, 3 × 7 Etiketten zu 63,5 × 38,1 mm (L7160)</translation>
    </message>
    <message>
        <source>A4, 2 × 7 labels of 99.1 × 38.1 mm (L7163)</source>
        <translation>A4, 2 × 7 Etiketten zu 99,1 × 38,1 mm (L7163)</translation>
    </message>
    <message>
        <source>US Letter, 3 × 10 labels of 66.7 × 25.4 mm (5160)</source>
        <translation>US Letter, 3 × 10 Etiketten zu 66,7 × 25,4 mm (5160)</translation>
    </message>
    <message>
        <source>Roll 62 mm wide, labels 29 mm long</source>
        <translation>Rolle, 62 mm breit, Etiketten 29 mm lang</translation>
    </message>
    <message>
        <source>Roll, labels of 89 × 36 mm</source>
        <translation>Rolle, Etiketten zu 89 × 36 mm</translation>
    </message>
    <message>
        <source>The part number is too long for %1 on this label.</source>
        <translation>Die Teilenummer ist für %1 auf diesem Etikett zu lang.</translation>
    </message>
    <message>
        <source>No barcode: </source>
        <translation>Kein Barcode: </translation>
    </message>
    <message>
        <source>The table &apos;%1&apos; has no PartNumber column, so it has no labels to print.</source>
        <translation>Die Tabelle &apos;%1&apos; hat keine Spalte PartNumber, daher gibt es keine Etiketten zu drucken.</translation>
    </message>
    <message>
        <source>The table &apos;%1&apos; has no parts to label.</source>
        <translation>Die Tabelle &apos;%1&apos; hat keine Teile für Etiketten.</translation>
    </message>
    <message numerus="yes">
        <source>%n label(s) have no barcode, because %1 cannot carry the part number on this label: %2</source>
        <translation>
            <numerusform>%n Etikett hat keinen Barcode, weil %1 die Teilenummer auf diesem Etikett nicht aufnehmen kann: %2</numerusform>
            <numerusform>%n Etiketten haben keinen Barcode, weil %1 die Teilenummer auf diesem Etikett nicht aufnehmen kann: %2</numerusform>
        </translation>
    </message>
    <message>
        <source>Parts catalogue</source>
        <translation>Teilekatalog</translation>
    </message>
    <message>
        <source>Re-order list</source>
        <translation>Nachbestellliste</translation>
    </message>
    <message numerus="yes">
        <source>Printed the labels of %1 parts on %n page(s) to &apos;%2&apos;.</source>
        <translation>
            <numerusform>Die Etiketten von %1 Teilen auf %n Seite nach &apos;%2&apos; gedruckt.</numerusform>
            <numerusform>Die Etiketten von %1 Teilen auf %n Seiten nach &apos;%2&apos; gedruckt.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Printed %1 parts on %n page(s) to &apos;%2&apos;.</source>
        <translation>
            <numerusform>%1 Teile auf %n Seite nach &apos;%2&apos; gedruckt.</numerusform>
            <numerusform>%1 Teile auf %n Seiten nach &apos;%2&apos; gedruckt.</numerusform>
        </translation>
    </message>
    <message>
        <source>%1 parts are at or below their re-order level; the list is in &apos;%2&apos;.</source>
        <translation>%1 Teile haben ihren Mindestbestand erreicht oder unterschritten; die Liste steht in &apos;%2&apos;.</translation>
    </message>
    <message>
        <source>There is not enough memory to print the table &apos;%1&apos;.</source>
        <translation>Es ist nicht genug Arbeitsspeicher vorhanden, um die Tabelle &apos;%1&apos; zu drucken.</translation>
    </message>
    <message>
        <source>The table &apos;%1&apos; has no %2 column to choose its parts by.</source>
        <translation>Die Tabelle &apos;%1&apos; hat keine Spalte %2, nach der die Teile gewählt werden könnten.</translation>
    </message>
</context>
<context>
    <name>session::FindController</name>
    <message>
        <source>The search stopped: </source>
        <translation>Die Suche wurde abgebrochen: </translation>
    </message>
    <message>
        <source>No part matches.</source>
        <translation>Kein Teil passt.</translation>
    </message>
    <message>
        <source>1 part matches</source>
        <translation>1 Teil passt</translation>
    </message>
    <message>
        <source>%1 parts match</source>
        <translation>%1 Teile passen</translation>
    </message>
    <message>
        <source>Passed the end; continued from the start.</source>
        <translation>Ende erreicht; Suche am Anfang fortgesetzt.</translation>
    </message>
    <message>
        <source>Passed the start; continued from the end.</source>
        <translation>Anfang erreicht; Suche am Ende fortgesetzt.</translation>
    </message>
    <message>
        <source>Filter on: First, Previous, Next and Last show only the matching parts.</source>
        <translation>Filter an: Erster, Vorheriger, Nächster und Letzter zeigen nur die passenden Teile.</translation>
    </message>
</context>
<context>
    <name>session::RecordSession</name>
    <message>
        <source>Save the changes to this part?</source>
        <translation>Die Änderungen an diesem Teil speichern?</translation>
    </message>
    <message>
        <source><byte value="xd"/>
<byte value="xd"/>
The next record is shown.</source>
        <translation><byte value="xd"/>
<byte value="xd"/>
Der nächste Datensatz wird angezeigt.</translation>
    </message>
    <message>
        <source>The new part is no longer there to save. Click Add to start it again.</source>
        <translation>Das neue Teil ist zum Speichern nicht mehr vorhanden. Klicken Sie auf Hinzufügen, um es neu zu beginnen.</translation>
    </message>
    <message>
        <source>Please enter the Part Number before saving the record.</source>
        <translation>Bitte geben Sie vor dem Speichern die Teilenummer ein.</translation>
    </message>
    <message>
        <source>Please enter the Part Name before saving the record.</source>
        <translation>Bitte geben Sie vor dem Speichern die Teilebezeichnung ein.</translation>
    </message>
    <message>
        <source><byte value="xd"/>
<byte value="xd"/>
Show the other version instead of your changes?<byte value="xd"/>
(No keeps your changes on screen; saving them again then replaces the other version.)</source>
        <translation><byte value="xd"/>
<byte value="xd"/>
Die andere Fassung statt Ihrer Änderungen anzeigen?<byte value="xd"/>
(Nein behält Ihre Änderungen auf dem Bildschirm; erneutes Speichern ersetzt dann die andere Fassung.)</translation>
    </message>
    <message>
        <source><byte value="xd"/>
<byte value="xd"/>
Save what is on screen as a new record?</source>
        <translation><byte value="xd"/>
<byte value="xd"/>
Das Angezeigte als neuen Datensatz speichern?</translation>
    </message>
    <message>
        <source>The database is empty.<byte value="xd"/>
<byte value="xd"/>
Please add a record.</source>
        <translation>Die Datenbank ist leer.<byte value="xd"/>
<byte value="xd"/>
Bitte fügen Sie einen Datensatz hinzu.</translation>
    </message>
    <message>
        <source>Delete part %1, %2?</source>
        <translation>Teil %1, %2 löschen?</translation>
    </message>
    <message>
        <source><byte value="xd"/>
<byte value="xd"/>
Delete it all the same?</source>
        <translation><byte value="xd"/>
<byte value="xd"/>
Trotzdem löschen?</translation>
    </message>
</context>
<context>
    <name>store</name>
    <message>
        <source>The property &apos;%1&apos; of the column &apos;%2&apos; can only be set once the column belongs to a catalogue.</source>
        <translation>Die Eigenschaft &apos;%1&apos; der Spalte &apos;%2&apos; kann erst gesetzt werden, wenn die Spalte zu einem Katalog gehört.</translation>
    </message>
    <message>
        <source>The column has no property &apos;%1&apos;.</source>
        <translation>Die Spalte hat keine Eigenschaft &apos;%1&apos;.</translation>
    </message>
    <message>
        <source>Columns cannot be added to the table &apos;%1&apos; once it exists.</source>
        <translation>Der Tabelle &apos;%1&apos; können keine Spalten mehr hinzugefügt werden, sobald sie existiert.</translation>
    </message>
    <message>
        <source>The table already has a column named &apos;%1&apos;.</source>
        <translation>Die Tabelle hat bereits eine Spalte namens &apos;%1&apos;.</translation>
    </message>
    <message>
        <source>A column needs a name.</source>
        <translation>Eine Spalte braucht einen Namen.</translation>
    </message>
    <message>
        <source>The index &apos;%1&apos; has no column.</source>
        <translation>Der Index &apos;%1&apos; hat keine Spalte.</translation>
    </message>
    <message>
        <source>A table needs a name.</source>
        <translation>Eine Tabelle braucht einen Namen.</translation>
    </message>
    <message>
        <source>The table &apos;%1&apos; has no column.</source>
        <translation>Die Tabelle &apos;%1&apos; hat keine Spalte.</translation>
    </message>
    <message>
        <source>The database already has a table named &apos;%1&apos;.</source>
        <translation>Die Datenbank hat bereits eine Tabelle namens &apos;%1&apos;.</translation>
    </message>
    <message>
        <source>The table &apos;%1&apos; has no column &apos;%2&apos; to index.</source>
        <translation>Die Tabelle &apos;%1&apos; hat keine Spalte &apos;%2&apos; für den Index.</translation>
    </message>
    <message>
        <source>The table &apos;%1&apos; already has a primary key.</source>
        <translation>Die Tabelle &apos;%1&apos; hat bereits einen Primärschlüssel.</translation>
    </message>
    <message>
        <source>Operation is not allowed when the object is open.</source>
        <translation>Der Vorgang ist nicht zulässig, solange das Objekt geöffnet ist.</translation>
    </message>
    <message>
        <source>Operation is not allowed when the object is closed.</source>
        <translation>Der Vorgang ist nicht zulässig, solange das Objekt geschlossen ist.</translation>
    </message>
    <message>
        <source>This operation works on database files only.</source>
        <translation>Dieser Vorgang ist nur mit Datenbankdateien möglich.</translation>
    </message>
    <message>
        <source>A transaction is already open on this connection.</source>
        <translation>Auf dieser Verbindung ist bereits eine Transaktion offen.</translation>
    </message>
    <message>
        <source>No transaction is open on this connection.</source>
        <translation>Auf dieser Verbindung ist keine Transaktion offen.</translation>
    </message>
    <message>
        <source>The schema query %1 is not supported.</source>
        <translation>Die Schemaabfrage %1 wird nicht unterstützt.</translation>
    </message>
    <message>
        <source>There is no optional column number %1.</source>
        <translation>Es gibt keine wählbare Spalte Nummer %1.</translation>
    </message>
    <message>
        <source>Either BOF or EOF is True, or the current record has been deleted. Requested operation requires a current record.</source>
        <translation>BOF oder EOF ist True, oder der aktuelle Datensatz wurde gelöscht. Der angeforderte Vorgang erfordert einen aktuellen Datensatz.</translation>
    </message>
    <message>
        <source>There is no field number %1 (the record has %2 fields).</source>
        <translation>Es gibt kein Feld Nummer %1 (der Datensatz hat %2 Felder).</translation>
    </message>
    <message>
        <source>The field &apos;%1&apos; cannot be found in the record.</source>
        <translation>Das Feld &apos;%1&apos; ist im Datensatz nicht vorhanden.</translation>
    </message>
    <message>
        <source>This recordset is read-only; it cannot be changed.</source>
        <translation>Dieses Recordset ist schreibgeschützt; es kann nicht geändert werden.</translation>
    </message>
    <message>
        <source>The record has been deleted from the table &apos;%1&apos; by another program.</source>
        <translation>Der Datensatz wurde von einem anderen Programm aus der Tabelle &apos;%1&apos; gelöscht.</translation>
    </message>
    <message>
        <source>A forward-only recordset cannot move backward.</source>
        <translation>Ein Nur-Vorwärts-Recordset kann nicht rückwärts gehen.</translation>
    </message>
    <message>
        <source>Only a table&apos;s recordset keeps bookmarks.</source>
        <translation>Nur das Recordset einer Tabelle führt Lesezeichen.</translation>
    </message>
    <message>
        <source>Only a recordset over a table can be filtered.</source>
        <translation>Nur ein Recordset über einer Tabelle kann gefiltert werden.</translation>
    </message>
    <message>
        <source>Binary data can only be appended to a long binary field, not to &apos;%1&apos;.</source>
        <translation>Binärdaten können nur an ein langes Binärfeld angehängt werden, nicht an &apos;%1&apos;.</translation>
    </message>
    <message>
        <source>unknown error</source>
        <translation>unbekannter Fehler</translation>
    </message>
    <message>
        <source>the database file is in use by another program</source>
        <translation>die Datenbankdatei wird von einem anderen Programm verwendet</translation>
    </message>
    <message>
        <source>the database file cannot be written (it is read-only)</source>
        <translation>die Datenbankdatei kann nicht geschrieben werden (sie ist schreibgeschützt)</translation>
    </message>
    <message>
        <source>the disk is full</source>
        <translation>der Datenträger ist voll</translation>
    </message>
    <message>
        <source>the database file is damaged or is not a database</source>
        <translation>die Datenbankdatei ist beschädigt oder keine Datenbank</translation>
    </message>
    <message>
        <source>The statement could not be prepared</source>
        <translation>Die Anweisung konnte nicht vorbereitet werden</translation>
    </message>
    <message>
        <source>Only one statement can be run at a time.</source>
        <translation>Es kann nur eine Anweisung auf einmal ausgeführt werden.</translation>
    </message>
    <message>
        <source>The database could not carry out the operation</source>
        <translation>Die Datenbank konnte den Vorgang nicht ausführen</translation>
    </message>
    <message>
        <source>The file &apos;%1&apos; cannot be opened as a parts database: %2.</source>
        <translation>Die Datei &apos;%1&apos; kann nicht als Teiledatenbank geöffnet werden: %2.</translation>
    </message>
    <message>
        <source>The file &apos;%1&apos; cannot be read: %2.</source>
        <translation>Die Datei &apos;%1&apos; kann nicht gelesen werden: %2.</translation>
    </message>
    <message>
        <source>it is not a database file</source>
        <translation>sie ist keine Datenbankdatei</translation>
    </message>
    <message>
        <source>the file is damaged</source>
        <translation>die Datei ist beschädigt</translation>
    </message>
    <message>
        <source>the file is damaged (it is shorter than it should be)</source>
        <translation>die Datei ist beschädigt (sie ist kürzer, als sie sein müsste)</translation>
    </message>
    <message>
        <source>The column &apos;%1&apos; cannot count up by itself: only whole-number columns can.</source>
        <translation>Die Spalte &apos;%1&apos; kann nicht selbst hochzählen: Das können nur Spalten mit ganzen Zahlen.</translation>
    </message>
    <message>
        <source>A table can have only one counting column.</source>
        <translation>Eine Tabelle kann nur eine hochzählende Spalte haben.</translation>
    </message>
    <message>
        <source>The primary key of &apos;%1&apos; must be its counting column.</source>
        <translation>Der Primärschlüssel von &apos;%1&apos; muss ihre hochzählende Spalte sein.</translation>
    </message>
    <message>
        <source>The table &apos;%1&apos; cannot be opened for editing: its rows have no keys.</source>
        <translation>Die Tabelle &apos;%1&apos; kann nicht zum Bearbeiten geöffnet werden: Ihre Zeilen haben keine Schlüssel.</translation>
    </message>
    <message>
        <source>The record was deleted from the table &apos;%1&apos; by another program since it was shown; %2.</source>
        <translation>Der Datensatz wurde, seit er angezeigt wurde, von einem anderen Programm aus der Tabelle &apos;%1&apos; gelöscht; %2.</translation>
    </message>
    <message>
        <source>The record was changed in the table &apos;%1&apos; by another program since it was shown; %2.</source>
        <translation>Der Datensatz wurde, seit er angezeigt wurde, von einem anderen Programm in der Tabelle &apos;%1&apos; geändert; %2.</translation>
    </message>
    <message>
        <source>nothing was saved</source>
        <translation>es wurde nichts gespeichert</translation>
    </message>
    <message>
        <source>nothing was deleted</source>
        <translation>es wurde nichts gelöscht</translation>
    </message>
    <message>
        <source>No database file was named in the connection.</source>
        <translation>In der Verbindung wurde keine Datenbankdatei angegeben.</translation>
    </message>
    <message>
        <source>Could not find file &apos;%1&apos;.</source>
        <translation>Die Datei &apos;%1&apos; wurde nicht gefunden.</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is a folder, not a database file.</source>
        <translation>&apos;%1&apos; ist ein Ordner, keine Datenbankdatei.</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is not an ordinary file (it is a pipe, a socket or a device), so it cannot be a database file.</source>
        <translation>&apos;%1&apos; ist keine gewöhnliche Datei (sondern eine Pipe, ein Socket oder ein Gerät) und kann daher keine Datenbankdatei sein.</translation>
    </message>
    <message>
        <source>out of memory</source>
        <translation>zu wenig Arbeitsspeicher</translation>
    </message>
    <message>
        <source>The file &apos;%1&apos; cannot be opened: %2.</source>
        <translation>Die Datei &apos;%1&apos; kann nicht geöffnet werden: %2.</translation>
    </message>
    <message>
        <source>The file &apos;%1&apos; is locked by another program.</source>
        <translation>Die Datei &apos;%1&apos; ist von einem anderen Programm gesperrt.</translation>
    </message>
    <message>
        <source>The file &apos;%1&apos; has a save left unfinished by a program that stopped, and it can be put right only where the file and its folder can be written. Open it once with write access.</source>
        <translation>Die Datei &apos;%1&apos; enthält einen unvollendeten Speichervorgang eines abgebrochenen Programms, und sie lässt sich nur dort reparieren, wo die Datei und ihr Ordner beschreibbar sind. Öffnen Sie sie einmal mit Schreibzugriff.</translation>
    </message>
    <message>
        <source>it is damaged or not a database</source>
        <translation>sie ist beschädigt oder keine Datenbank</translation>
    </message>
    <message>
        <source>No database file was named for the new database.</source>
        <translation>Für die neue Datenbank wurde keine Datenbankdatei angegeben.</translation>
    </message>
    <message>
        <source>The file &apos;%1&apos; already exists; a new database never replaces it.</source>
        <translation>Die Datei &apos;%1&apos; existiert bereits; eine neue Datenbank ersetzt sie nie.</translation>
    </message>
    <message>
        <source>The database file &apos;%1&apos; cannot be created: %2.</source>
        <translation>Die Datenbankdatei &apos;%1&apos; kann nicht angelegt werden: %2.</translation>
    </message>
    <message>
        <source>The file &apos;%1%2&apos; already exists; a new database never replaces it.</source>
        <translation>Die Datei &apos;%1%2&apos; existiert bereits; eine neue Datenbank ersetzt sie nie.</translation>
    </message>
    <message>
        <source>The database file &apos;%1&apos; cannot be created</source>
        <translation>Die Datenbankdatei &apos;%1&apos; kann nicht angelegt werden</translation>
    </message>
    <message>
        <source>The table &apos;%1&apos; cannot be found in the database &apos;%2&apos;.</source>
        <translation>Die Tabelle &apos;%1&apos; ist in der Datenbank &apos;%2&apos; nicht vorhanden.</translation>
    </message>
    <message>
        <source>Table names starting with &apos;sqlite_&apos; are reserved: &apos;%1&apos;.</source>
        <translation>Tabellennamen, die mit &apos;sqlite_&apos; beginnen, sind reserviert: &apos;%1&apos;.</translation>
    </message>
    <message>
        <source>The copy was cancelled; nothing was written.</source>
        <translation>Das Kopieren wurde abgebrochen; es wurde nichts geschrieben.</translation>
    </message>
    <message>
        <source>A row of %1 values cannot be added to a table of %2 columns.</source>
        <translation>Eine Zeile mit %1 Werten kann nicht zu einer Tabelle mit %2 Spalten hinzugefügt werden.</translation>
    </message>
    <message>
        <source>a block of %1 bytes</source>
        <translation>ein Block von %1 Byte</translation>
    </message>
    <message>
        <source>The value %1 cannot be stored in the column &quot;%2&quot;: %3.</source>
        <translation>Der Wert %1 kann nicht in der Spalte &quot;%2&quot; gespeichert werden: %3.</translation>
    </message>
    <message>
        <source>The data type %1 is not supported.</source>
        <translation>Der Datentyp %1 wird nicht unterstützt.</translation>
    </message>
    <message>
        <source>it needs a whole number</source>
        <translation>dort gehört eine ganze Zahl hin</translation>
    </message>
    <message>
        <source>it needs a whole number from %1 to %2</source>
        <translation>dort gehört eine ganze Zahl von %1 bis %2 hin</translation>
    </message>
    <message>
        <source>it needs a number</source>
        <translation>dort gehört eine Zahl hin</translation>
    </message>
    <message>
        <source>the number is too large</source>
        <translation>die Zahl ist zu groß</translation>
    </message>
    <message>
        <source>it needs an amount such as 12.50</source>
        <translation>dort gehört ein Betrag wie 12,50 hin</translation>
    </message>
    <message>
        <source>it needs a date</source>
        <translation>dort gehört ein Datum hin</translation>
    </message>
    <message>
        <source>it needs True or False</source>
        <translation>dort gehört True oder False hin</translation>
    </message>
    <message>
        <source>it needs binary data such as a picture</source>
        <translation>dort gehören Binärdaten wie ein Bild hin</translation>
    </message>
    <message>
        <source>it needs text</source>
        <translation>dort gehört Text hin</translation>
    </message>
    <message>
        <source>The text for the column &quot;%1&quot; is %2 characters long; at most %3 fit.</source>
        <translation>Der Text für die Spalte &quot;%1&quot; ist %2 Zeichen lang; höchstens %3 passen.</translation>
    </message>
    <message>
        <source>The table &apos;%1&apos; does not exist.</source>
        <translation>Die Tabelle &apos;%1&apos; gibt es nicht.</translation>
    </message>
    <message>
        <source>The table &apos;%1&apos; has no column &apos;%2&apos;.</source>
        <translation>Die Tabelle &apos;%1&apos; hat keine Spalte &apos;%2&apos;.</translation>
    </message>
    <message>
        <source>A row needs %1 values.</source>
        <translation>Eine Zeile braucht %1 Werte.</translation>
    </message>
    <message>
        <source>The new database file could not be written to the disk</source>
        <translation>Die neue Datenbankdatei konnte nicht auf den Datenträger geschrieben werden</translation>
    </message>
    <message>
        <source>The search could not be prepared</source>
        <translation>Die Suche konnte nicht vorbereitet werden</translation>
    </message>
    <message>
        <source>The PostgreSQL client library (libpq.so.5, in Debian&apos;s package libpq5) could not be loaded: %1.</source>
        <translation>Die PostgreSQL-Clientbibliothek (libpq.so.5, im Debian-Paket libpq5) konnte nicht geladen werden: %1.</translation>
    </message>
    <message>
        <source>The PostgreSQL client library has no function %1.</source>
        <translation>Die PostgreSQL-Clientbibliothek hat keine Funktion %1.</translation>
    </message>
    <message>
        <source>The server at %1 asks for a password.</source>
        <translation>Der Server unter %1 verlangt ein Kennwort.</translation>
    </message>
    <message>
        <source>The server at %1 did not accept the user name and password.</source>
        <translation>Der Server unter %1 hat Benutzername und Kennwort nicht angenommen.</translation>
    </message>
    <message>
        <source>Cannot connect to the server at %1: %2</source>
        <translation>Keine Verbindung zum Server unter %1: %2</translation>
    </message>
    <message>
        <source>The server at %1 cannot be reached: %2 Nothing was read or saved; try again when the server is back.</source>
        <translation>Der Server unter %1 ist nicht erreichbar: %2 Es wurde nichts gelesen oder gespeichert; versuchen Sie es wieder, wenn der Server erreichbar ist.</translation>
    </message>
    <message>
        <source>Whether this action&apos;s change was saved is not known: look at the record again before you save it again.</source>
        <translation>Ob die Änderung dieser Aktion gespeichert wurde, ist nicht bekannt: Sehen Sie sich den Datensatz erneut an, bevor Sie ihn wieder speichern.</translation>
    </message>
    <message>
        <source>Nothing was saved by this action.</source>
        <translation>Durch diese Aktion wurde nichts gespeichert.</translation>
    </message>
    <message>
        <source>The server at %1 did not answer within %2 seconds. %3 The next action connects again.</source>
        <translation>Der Server unter %1 hat nicht innerhalb von %2 Sekunden geantwortet. %3 Die nächste Aktion verbindet sich neu.</translation>
    </message>
    <message>
        <source>The connection to the server at %1 was lost (%2). %3 The next action connects again.</source>
        <translation>Die Verbindung zum Server unter %1 ist abgebrochen (%2). %3 Die nächste Aktion verbindet sich neu.</translation>
    </message>
    <message>
        <source>The server did not finish within %1 seconds: %2.</source>
        <translation>Der Server ist nicht innerhalb von %1 Sekunden fertig geworden: %2.</translation>
    </message>
    <message>
        <source>The server says: %1.</source>
        <translation>Der Server meldet: %1.</translation>
    </message>
    <message>
        <source>The server does not allow this: %1.</source>
        <translation>Der Server erlaubt das nicht: %1.</translation>
    </message>
    <message>
        <source>The server refused a value: %1.</source>
        <translation>Der Server hat einen Wert abgelehnt: %1.</translation>
    </message>
    <message>
        <source>The server could not carry out the operation: %1.</source>
        <translation>Der Server konnte den Vorgang nicht ausführen: %1.</translation>
    </message>
    <message>
        <source>The table &apos;%1&apos; cannot be found in the database %2.</source>
        <translation>Die Tabelle &apos;%1&apos; ist in der Datenbank %2 nicht zu finden.</translation>
    </message>
    <message>
        <source>The table &apos;%1&apos; cannot be opened for editing: it has no whole-number key.</source>
        <translation>Die Tabelle &apos;%1&apos; kann nicht zum Bearbeiten geöffnet werden: Sie hat keinen ganzzahligen Schlüssel.</translation>
    </message>
    <message>
        <source>The record was deleted from the table &apos;%1&apos; by another user since it was shown; %2.</source>
        <translation>Der Datensatz wurde, seit er angezeigt wurde, von einem anderen Benutzer aus der Tabelle &apos;%1&apos; gelöscht; %2.</translation>
    </message>
    <message>
        <source>The record was changed in the table &apos;%1&apos; by another user since it was shown; %2.</source>
        <translation>Der Datensatz wurde, seit er angezeigt wurde, in der Tabelle &apos;%1&apos; von einem anderen Benutzer geändert; %2.</translation>
    </message>
    <message>
        <source>These rows are read once only.</source>
        <translation>Diese Zeilen werden nur einmal gelesen.</translation>
    </message>
    <message>
        <source>The server sent a row that cannot be read.</source>
        <translation>Der Server hat eine Zeile gesendet, die nicht gelesen werden kann.</translation>
    </message>
    <message>
        <source>The database %1 already has a table named &apos;%2&apos;; a copy never replaces a table.</source>
        <translation>Die Datenbank %1 hat schon eine Tabelle namens &apos;%2&apos;; eine Kopie ersetzt nie eine Tabelle.</translation>
    </message>
    <message>
        <source>(picture, %1 bytes)</source>
        <translation>(Bild, %1 Byte)</translation>
    </message>
</context>
</TS>
