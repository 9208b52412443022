#include "RecordSession.h"

#include <QDateTime>

#include "PartsLayout.h"
#include "StoreError.h"

namespace session {

namespace {

const QString kProvider = QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;");

bool sameName(const QString& a, const char* b) {
    return a.compare(QLatin1String(b), Qt::CaseInsensitive) == 0;
}

const store::parts::RecordText* recordText(const QString& column) {
    for (const auto& t : store::parts::kRecordTexts)
        if (sameName(column, t.column)) return &t;
    return nullptr;
}

// Only blanks are trimmed: a description's line breaks are the user's own.
QString trimmedCut(const QString& text, int limit) {
    qsizetype from = 0, to = text.size();
    auto blank = [](QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); };
    while (from < to && blank(text.at(from))) ++from;
    while (to > from && blank(text.at(to - 1))) --to;
    return text.mid(from, to - from).left(limit);
}

bool isTextType(store::DataTypeEnum type) {
    return type == store::adVarWChar || type == store::adLongVarWChar;
}

}  // namespace

const QString RecordSession::kMessageCaption = QStringLiteral("Quillmark Parts Database");

Outcome Outcome::refused(const QString& caption, const QString& message, const QString& focus) {
    Outcome o;
    o.kind = Kind::Refused;
    o.caption = caption;
    o.message = message;
    o.focusColumn = focus;
    return o;
}

Outcome Outcome::storeError(long number, const QString& description) {
    Outcome o = refused(QString(), description);
    o.errorNumber = number;
    return o;
}

Outcome Outcome::ask(Question question) {
    Outcome o;
    o.kind = Kind::Ask;
    o.question = std::move(question);
    return o;
}

RecordSession::RecordSession(QObject* parent)
    : QObject(parent),
      m_connection(std::make_unique<store::Connection>()),
      m_recordset(std::make_unique<store::Recordset>()) {}

RecordSession::~RecordSession() {
    try {
        m_recordset->Close();
        m_connection->Close();
    } catch (...) {
    }
}

// ---- the catalogue ---------------------------------------------------------------------------

void RecordSession::open(const QString& path, const QString& table) {
    closeCatalogue();
    try {
        m_connection->setConnectionString(kProvider + QStringLiteral("Data Source=") +
                                          store::Connection::quoteValue(path));
        m_connection->Open(QString(), QString(), QString());
        m_recordset->Open(table, *m_connection, store::adOpenKeyset, store::adLockPessimistic,
                          store::adCmdTable);
    } catch (...) {
        closeCatalogue();
        throw;
    }
    // A server is named by its address as the connection made it, never with a password.
    m_path = store::Connection::isServerAddress(path) ? m_connection->dataSource() : path;
    m_table = table;
    m_backOn = m_forwardOn = m_editOn = true;
    if (m_recordset->BOF() && m_recordset->EOF_())
        startNewRecord();
    else
        browse();
    announce();
}

void RecordSession::closeCatalogue() {
    // Each step on its own: a failing close must not keep the next one from running.
    try {
        m_recordset->Close();
    } catch (...) {
    }
    try {
        m_connection->Close();
    } catch (...) {
    }
    m_recordset = std::make_unique<store::Recordset>();
    m_connection = std::make_unique<store::Connection>();
    clearDraft();
    m_question = {};
    m_pending = Pending::None;
    if (m_mode != Mode::Closed) setMode(Mode::Empty);
}

void RecordSession::end() {
    closeCatalogue();
    setMode(Mode::Closed);
}

long RecordSession::recordCount() const {
    if (!m_recordset->isOpen()) return 0;
    try {
        return m_recordset->RecordCount();
    } catch (const store::StoreError&) {
        return 0;
    }
}

bool RecordSession::onStoredRecord() const {
    return m_recordset->isOpen() && m_mode != Mode::Adding && !m_recordset->BOF() &&
           !m_recordset->EOF_();
}

void RecordSession::setMode(Mode mode) {
    m_mode = mode;
}

void RecordSession::announce() {
    emit recordChanged();
    emit stateChanged();
}

void RecordSession::clearDraft() {
    m_texts.clear();
    m_picture.clear();
    m_pictureChosen = false;
}

// A new record, current at once, with its key and creation date.
void RecordSession::startNewRecord() {
    int candidate = 1;  // stands in for a store that assigns no key
    try {
        if (onStoredRecord()) candidate = (*m_recordset)[0].Value().toInt() + 1;
    } catch (const store::StoreError&) {
    }
    clearDraft();
    m_recordset->AddNew();
    if ((*m_recordset)[0].isNull()) (*m_recordset)[0].setValue(candidate);
    store::Field& created = (*m_recordset)[QLatin1String(store::parts::kCreationDateColumn)];
    if (created.isNull()) created.setValue(QDateTime::currentDateTime());
    setMode(Mode::Adding);
}

void RecordSession::browse() {
    clearDraft();
    setMode(Mode::Browsing);
}

// ---- the draft -------------------------------------------------------------------------------

Outcome RecordSession::setText(const QString& column, const QString& text) {
    if (!isEditable()) return Outcome::refused(QString(), QString());
    store::Field& field = (*m_recordset)[column];
    if (!recordText(column) && !text.isEmpty()) {
        try {
            field.Convert(text);
        } catch (const store::StoreError& e) {
            return Outcome::storeError(e.number(), e.description());
        }
    }
    m_texts.insert(field.Name(), text);
    emit stateChanged();
    return Outcome::ok();
}

QString RecordSession::text(const QString& column) const {
    store::Field& field = (*m_recordset)[column];
    const auto it = m_texts.constFind(field.Name());
    if (it != m_texts.cend()) return *it;
    return store::valueText(field.Value());
}

bool RecordSession::isChanged(const QString& column) const {
    if (!m_recordset->isOpen()) return false;
    return m_texts.contains((*m_recordset)[column].Name());
}

void RecordSession::choosePicture(const QByteArray& bytes) {
    if (!isEditable()) return;
    m_picture = bytes;
    m_pictureChosen = true;
    emit stateChanged();
}

// ---- commands --------------------------------------------------------------------------------

Outcome RecordSession::guarded(const std::function<Outcome()>& work) {
    try {
        return work();
    } catch (const store::StoreError& e) {
        settleAfterFailure();
        emit stateChanged();
        return Outcome::storeError(e.number(), e.description());
    }
}

// A command that failed after giving up a new record (the cursor back on the one before it)
// leaves nothing being added: what was typed must never land on that other record.
void RecordSession::settleAfterFailure() {
    if (m_mode != Mode::Adding || !m_recordset->isOpen() || m_recordset->isEditing()) return;
    browse();
    emit recordChanged();
}

Outcome RecordSession::ask(Question::Kind kind, const QString& text, bool defaultYes) {
    m_question = {kind, kMessageCaption, text, defaultYes};
    return Outcome::ask(m_question);
}

Outcome RecordSession::saveBeforeLeaving() {
    if (!isOpen()) return Outcome::ok();
    if (!hasChanges()) {
        if (m_mode == Mode::Editing) setMode(Mode::Browsing);
        emit stateChanged();
        return Outcome::ok();
    }
    // A command that saves first (a move, Add) goes on after the save, even one that asked.
    const bool leaving = m_pending == Pending::None;
    if (leaving) m_pending = Pending::Leave;
    const Outcome saved = doSave();
    if (!saved.asks() && (leaving || !saved.done())) m_pending = Pending::None;
    return saved;
}

Outcome RecordSession::confirmLeaving() {
    if (!isOpen() || !hasChanges()) return Outcome::ok();
    m_pending = Pending::Leave;
    return ask(Question::Kind::SaveChanges, tr("Save the changes to this part?"), true);
}

void RecordSession::discard() {
    if (m_mode == Mode::Adding) {
        // The new record is given up; the one shown before it comes back.
        try {
            m_recordset->CancelUpdate();
        } catch (const store::StoreError&) {
        }
        if (m_recordset->BOF() && m_recordset->EOF_()) {
            startNewRecord();
        } else {
            browse();
        }
        announce();
        return;
    }
    if (m_recordset->isOpen() && m_recordset->isEditing()) m_recordset->CancelUpdate();
    const bool had = hasChanges();
    if (m_mode == Mode::Editing) browse();
    clearDraft();
    if (had)
        announce();
    else
        emit stateChanged();
}

Outcome RecordSession::move(Move move) {
    if (!isOpen() || m_mode == Mode::Adding) return Outcome::ok();
    m_pending = Pending::Move;
    m_pendingMove = move;
    const Outcome saved = saveBeforeLeaving();
    if (!saved.done()) return saved;
    return continuePending();
}

Outcome RecordSession::doMove(Move move) {
    store::Recordset& rs = *m_recordset;
    if (rs.BOF() && rs.EOF_()) return Outcome::ok();
    return guarded([&] {
        try {
            switch (move) {
                case Move::First:
                    rs.MoveFirst();
                    m_backOn = false;
                    m_forwardOn = true;
                    break;
                case Move::Previous:
                    // A single step onto the first row leaves the pair on; only passing the end
                    // turns it off.
                    rs.MovePrevious();
                    if (rs.BOF()) {
                        rs.MoveFirst();
                        m_backOn = false;
                    }
                    m_forwardOn = true;
                    break;
                case Move::Next:
                    rs.MoveNext();
                    if (rs.EOF_()) {
                        rs.MoveLast();
                        m_forwardOn = false;
                    }
                    m_backOn = true;
                    break;
                case Move::Last:
                    rs.MoveLast();
                    m_forwardOn = false;
                    m_backOn = true;
                    break;
            }
        } catch (const store::StoreError& e) {
            if (e.number() != store::errNoCurrentRecord) throw;
            // Deleted by another program: said so, and the table read again from there.
            reload();
            return Outcome::refused(kMessageCaption,
                                    e.description() + tr("\r\n\r\nThe next record is shown."));
        }
        m_editOn = true;
        browse();
        announce();
        return Outcome::ok();
    });
}

Outcome RecordSession::add() {
    if (!isOpen() || m_mode == Mode::Adding) return Outcome::ok();
    m_pending = Pending::Add;
    const Outcome saved = saveBeforeLeaving();
    if (!saved.done()) return saved;
    return continuePending();
}

Outcome RecordSession::edit() {
    if (m_mode != Mode::Browsing || !onStoredRecord()) return Outcome::ok();
    setMode(Mode::Editing);
    emit stateChanged();
    return Outcome::ok();
}

Outcome RecordSession::save() {
    if (!isEditable()) return Outcome::ok();
    m_pending = Pending::None;
    const Outcome saved = doSave();
    // As after a delete: Edit waits for a move.
    if (saved.done()) {
        m_editOn = false;
        emit stateChanged();
    }
    return saved;
}

// The draft is checked, written and read back; the mode is browsing after a save.
Outcome RecordSession::doSave() {
    const Outcome written = guarded([this] { return writeDraft(); });
    if (written.done()) {
        m_backOn = !m_recordset->BOF();
        m_forwardOn = !m_recordset->EOF_();
        const QVariant key = m_recordset->Bookmark();
        browse();
        announce();
        emit recordSaved(key);
    }
    return written;
}

Outcome RecordSession::writeDraft() {
    const bool adding = m_mode == Mode::Adding;
    if (adding && !m_recordset->isEditing())
        return Outcome::refused(kMessageCaption,
                                tr("The new part is no longer there to save. Click Add to start it "
                                   "again."));
    const QHash<QString, QString> texts = recordTexts(adding);
    if (const Outcome missing = checkRequired(texts); !missing.done()) return missing;
    assignDraft(texts, adding);
    return update();
}

// The four record texts as they will be stored: those the user changed, all four for a new one.
QHash<QString, QString> RecordSession::recordTexts(bool adding) const {
    QHash<QString, QString> texts;
    for (const auto& t : store::parts::kRecordTexts) {
        const QString column = (*m_recordset)[QLatin1String(t.column)].Name();
        if (adding || m_texts.contains(column))
            texts.insert(column, trimmedCut(text(column), t.saveLimit));
    }
    return texts;
}

Outcome RecordSession::checkRequired(const QHash<QString, QString>& texts) const {
    auto effective = [&](const char* column) {
        const QString name = (*m_recordset)[QLatin1String(column)].Name();
        return texts.contains(name) ? texts.value(name) : text(name).trimmed();
    };
    if (effective("PartNumber").isEmpty())
        return Outcome::refused(kMessageCaption,
                                tr("Please enter the Part Number before saving the record."),
                                QStringLiteral("PartNumber"));
    if (effective("PartName").isEmpty())
        return Outcome::refused(kMessageCaption,
                                tr("Please enter the Part Name before saving the record."),
                                QStringLiteral("PartName"));
    return Outcome::ok();
}

// The draft into the row: the record texts, every other column the user changed, an optional
// column left empty as an empty text or 0, and a chosen picture.
void RecordSession::assignDraft(const QHash<QString, QString>& texts, bool adding) {
    store::Recordset& rs = *m_recordset;
    for (auto it = texts.cbegin(); it != texts.cend(); ++it) rs[it.key()].setValue(*it);
    const int n = rs.fields().Count();
    for (int i = 0; i < n; ++i) {
        store::Field& field = rs[i];
        const QString name = field.Name();
        if (recordText(name) || sameName(name, store::parts::kKeyColumn) ||
            sameName(name, store::parts::kImageColumn))
            continue;
        const bool changed = m_texts.contains(name);
        const bool blankOptional = !store::parts::isFixedColumn(name) && field.isNull();
        if (!changed && !blankOptional) continue;
        const QString typed = m_texts.value(name);
        if (!typed.isEmpty())
            field.setValue(typed);
        else if (isTextType(field.Type()))
            field.setValue(QString());
        else if (!sameName(name, store::parts::kCreationDateColumn))  // never emptied
            field.setValue(qint16(0));
    }
    if (m_pictureChosen) rs[QLatin1String(store::parts::kImageColumn)].setValue(m_picture);
}

// The row written; another program's save or delete since it was read becomes a question.
Outcome RecordSession::update() {
    try {
        m_recordset->Update();
    } catch (const store::StoreError& e) {
        if (e.number() == store::errRecordChanged)
            return ask(
                Question::Kind::ShowOtherVersion,
                e.description() + tr("\r\n\r\nShow the other version instead of your changes?"
                                     "\r\n(No keeps your changes on screen; saving them again then "
                                     "replaces the other version.)"),
                false);
        if (e.number() == store::errRecordDeleted)
            return ask(Question::Kind::SaveAsNew,
                       e.description() + tr("\r\n\r\nSave what is on screen as a new record?"),
                       true);
        throw;
    }
    return Outcome::ok();
}

// The record was deleted by another program: what the user has on screen is kept as a new one.
Outcome RecordSession::saveAsNew() {
    store::Recordset& rs = *m_recordset;
    const int n = rs.fields().Count();
    std::vector<QVariant> values(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) values[size_t(i)] = rs[i].Value();
    rs.CancelUpdate();
    rs.AddNew();
    for (int i = 0; i < n; ++i) {
        store::Field& field = rs[i];
        if (values[size_t(i)].isNull() || sameName(field.Name(), store::parts::kKeyColumn))
            continue;
        field.setValue(values[size_t(i)]);
    }
    setMode(Mode::Adding);
    return doSave();
}

Outcome RecordSession::remove() {
    if (!isOpen()) return Outcome::ok();
    m_pending = Pending::None;
    return guarded([this]() -> Outcome {
        if (m_mode == Mode::Adding) {
            if (recordCount() == 0) {
                // Still empty: the new record stays, emptied.
                clearDraft();
                announce();
                return Outcome::refused(kMessageCaption,
                                        tr("The database is empty.\r\n\r\nPlease add a record."));
            }
            // Cancel Add: the new record is given up and the next one shown.
            m_recordset->CancelUpdate();
            clearDraft();
            m_recordset->MoveNext();
            if (m_recordset->EOF_()) m_recordset->MoveLast();
            m_backOn = !m_recordset->BOF();
            m_forwardOn = !m_recordset->EOF_();
            m_editOn = false;
            browse();
            announce();
            return Outcome::ok();
        }
        if (!onStoredRecord()) return Outcome::ok();
        const QString number =
            store::valueText((*m_recordset)[QStringLiteral("PartNumber")].Value());
        const QString name = store::valueText((*m_recordset)[QStringLiteral("PartName")].Value());
        return ask(Question::Kind::ConfirmDelete, tr("Delete part %1, %2?").arg(number, name),
                   false);
    });
}

Outcome RecordSession::doDelete(bool checked) {
    store::Recordset& rs = *m_recordset;
    const QVariant gone = rs.Bookmark();
    if (rs.isEditing()) rs.CancelUpdate();
    try {
        if (!checked) rs.Resync();
        rs.Delete(store::adAffectCurrent);
    } catch (const store::StoreError& e) {
        if (e.number() == store::errRecordChanged)
            return ask(Question::Kind::DeleteChanged,
                       e.description() + tr("\r\n\r\nDelete it all the same?"), false);
        if (e.number() == store::errRecordDeleted) {
            reload();
            return Outcome::refused(kMessageCaption, e.description());
        }
        throw;
    }
    browse();
    m_editOn = false;
    emit recordDeleted(gone);
    try {
        return showAfterDelete();
    } catch (const store::StoreError& e) {
        if (e.number() != store::errNoCurrentRecord) throw;
        // The next record went too, deleted by another program: the table read again.
        return reload();
    }
}

Outcome RecordSession::showAfterDelete() {
    store::Recordset& rs = *m_recordset;
    bool filterEmptied = false;
    if (rs.isFiltered() && rs.RecordCount() == 0) {
        // The last match is gone: the whole table again, from its first record.
        rs.clearFilter();
        filterEmptied = true;
        emit filterCleared();
    }
    if (rs.BOF() && rs.EOF_()) {
        startNewRecord();
        announce();
        return Outcome::ok();
    }
    if (!filterEmptied) {
        rs.MoveNext();
        if (rs.EOF_()) rs.MoveLast();
    }
    if (rs.BOF() && rs.EOF_()) {
        startNewRecord();
        announce();
        return Outcome::ok();
    }
    m_backOn = !rs.BOF();
    m_forwardOn = !rs.EOF_();
    announce();
    return Outcome::ok();
}

Outcome RecordSession::reload(const std::vector<qint64>* filter) {
    if (!isOpen()) return Outcome::ok();
    return guarded([&] {
        if (m_recordset->isEditing()) m_recordset->CancelUpdate();
        const QVariant mark = m_recordset->Bookmark();
        auto fresh = std::make_unique<store::Recordset>();
        fresh->Open(m_table, *m_connection, store::adOpenKeyset, store::adLockPessimistic,
                    store::adCmdTable);
        if (filter) {
            fresh->setFilter(*filter);
            if (fresh->RecordCount() == 0) {
                fresh->clearFilter();
                emit filterCleared();
            }
        }
        m_recordset->Close();
        m_recordset = std::move(fresh);
        m_backOn = m_forwardOn = m_editOn = true;
        if (m_recordset->BOF() && m_recordset->EOF_()) {
            startNewRecord();
        } else {
            if (mark.isValid()) m_recordset->setBookmark(mark);
            browse();
        }
        announce();
        return Outcome::ok();
    });
}

Outcome RecordSession::goTo(qint64 key, bool* found) {
    if (found) *found = false;
    if (!isOpen() || hasChanges()) return Outcome::ok();
    return guarded([&] {
        if (m_recordset->isEditing()) m_recordset->CancelUpdate();
        const QVariant before = m_recordset->Bookmark();
        m_recordset->setBookmark(key);
        if (m_recordset->Bookmark() != QVariant::fromValue(key)) {
            if (before.isValid()) m_recordset->setBookmark(before);
            if (m_mode == Mode::Adding && before.isValid()) browse();
            announce();
            return Outcome::ok();
        }
        if (found) *found = true;
        m_backOn = m_forwardOn = m_editOn = true;
        browse();
        announce();
        return Outcome::ok();
    });
}

void RecordSession::landed() {
    store::Recordset& rs = *m_recordset;
    if (!rs.isOpen()) return;
    if (m_mode == Mode::Adding && !rs.isEditing()) {
        if (rs.BOF() && rs.EOF_()) {
            startNewRecord();
            announce();
            return;
        }
        browse();
    } else if (m_mode != Mode::Editing) {
        browse();
    }
    const long at = rs.AbsolutePosition();
    const long count = rs.RecordCount();
    m_backOn = at > 1;
    m_forwardOn = at >= 1 && at < count;
    m_editOn = true;
    announce();
}

Outcome RecordSession::answer(Answer answer) {
    const Question q = std::exchange(m_question, {});
    const bool yes = answer == Answer::Yes;
    return guarded([&]() -> Outcome {
        switch (q.kind) {
            case Question::Kind::None:
                return Outcome::ok();
            case Question::Kind::ShowOtherVersion:
                // Either way the command stops here; the draft is kept unless the user takes
                // the other version, and the next save writes over that version.
                m_pending = Pending::None;
                m_recordset->CancelUpdate();
                m_recordset->Resync();
                if (yes) clearDraft();
                emit recordChanged();
                emit stateChanged();
                return Outcome::refused(QString(), QString());
            case Question::Kind::SaveAsNew: {
                if (!yes) {
                    m_pending = Pending::None;
                    return Outcome::refused(QString(), QString());
                }
                const Outcome saved = saveAsNew();
                if (saved.done()) return continuePending();
                if (!saved.asks()) m_pending = Pending::None;
                return saved;
            }
            case Question::Kind::ConfirmDelete:
                if (!yes) return Outcome::refused(QString(), QString());
                return doDelete(true);
            case Question::Kind::DeleteChanged:
                if (yes) return doDelete(false);
                // Their version is shown; an edit in progress stays, to be saved or not.
                m_recordset->Resync();
                if (m_mode != Mode::Editing) browse();
                announce();
                return Outcome::refused(QString(), QString());
            case Question::Kind::SaveChanges:
                if (answer == Answer::Cancel) {
                    m_pending = Pending::None;
                    return Outcome::refused(QString(), QString());
                }
                if (answer == Answer::Discard || answer == Answer::No) {
                    discard();
                    return continuePending();
                }
                {
                    const Outcome saved = doSave();
                    if (!saved.done()) return saved;
                }
                return continuePending();
        }
        return Outcome::ok();
    });
}

Outcome RecordSession::continuePending() {
    const Pending pending = std::exchange(m_pending, Pending::None);
    switch (pending) {
        case Pending::Move:
            return doMove(m_pendingMove);
        case Pending::Add:
            return guarded([this] {
                startNewRecord();
                announce();
                return Outcome::ok();
            });
        case Pending::None:
        case Pending::Leave:
            break;
    }
    return Outcome::ok();
}

}  // namespace session
