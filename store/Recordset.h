#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <memory>
#include <vector>

#include "Types.h"
#include "Value.h"

namespace store {

class Connection;
class Recordset;

// One column of a recordset's current row. Fields live as long as their recordset is open.
class Field {
public:
    QString Name() const;
    DataTypeEnum Type() const;
    long DefinedSize() const;
    long Attributes() const;
    // The current row's value, or the value assigned since; Null is an invalid QVariant.
    QVariant Value() const;
    void setValue(const QVariant& value);
    bool isNull() const { return Value().isNull(); }
    // What `value` becomes when assigned here, without assigning it; throws the conversion
    // error that an assignment would.
    QVariant Convert(const QVariant& value) const;
    // Length in bytes of a binary value (or of a text, as UTF-16); 0 for Null.
    qint64 ActualSize() const;
    // The next `length` bytes, continuing where the last GetChunk of this field on this row
    // stopped; empty past the end.
    QByteArray GetChunk(qint64 length);
    // The first append of an edit replaces the value; later ones add to it.
    void AppendChunk(const QByteArray& bytes);

private:
    friend class Recordset;
    Field(Recordset* rs, int ordinal) : m_rs(rs), m_ordinal(ordinal) {}
    Recordset* m_rs;
    int m_ordinal;
};

class Fields {
public:
    int Count() const { return int(m_fields.size()); }
    Field& Item(int ordinal);
    // Names are matched without regard to letter case.
    Field& Item(const QString& name);
    Field& operator[](int ordinal) { return Item(ordinal); }
    Field& operator[](const QString& name) { return Item(name); }

private:
    friend class Recordset;
    std::vector<Field> m_fields;
};

// A recordset in one of three shapes:
// - keyset over a table (Open with adOpenKeyset): keys read once in key order, the row read
//   when the cursor lands on it, updatable;
// - forward-only over a statement (Connection::Execute): read-only, steps forward;
// - static rows held in memory (Connection::OpenSchema): read-only.
class Recordset {
public:
    Recordset();
    ~Recordset();
    Recordset(const Recordset&) = delete;
    Recordset& operator=(const Recordset&) = delete;

    void Open(const QString& source, Connection& connection,
              CursorTypeEnum cursorType = adOpenKeyset, LockTypeEnum lockType = adLockPessimistic,
              CommandTypeEnum options = adCmdTable);
    // Discards a pending edit or new row.
    void Close();
    bool isOpen() const { return m_kind != Kind::Closed; }

    bool BOF() const;
    bool EOF_() const;  // EOF itself is a C macro
    // Stored rows of a keyset (a pending new row is not counted); -1 when not known.
    long RecordCount() const;

    // A move discards a pending edit or new row; past either end the cursor stands at
    // BOF or EOF without an error.
    void MoveFirst();
    void MoveLast();
    void MoveNext();
    void MovePrevious();
    void Move(long count);

    // A pending new row becomes current, its auto-increment key already assigned.
    void AddNew();
    // Writes the pending edit or new row in one transaction; on failure nothing is written
    // and the pending values stay, to be corrected and written again. An edit is written only
    // while the stored row is still as it was read: a row changed or deleted by another program
    // since fails with errRecordChanged or errRecordDeleted.
    void Update();
    // Reads the current row again from the file; a pending edit keeps its values, and the next
    // Update compares with the row as read now (so that it may replace another program's save).
    // Throws errNoCurrentRecord when the row is gone.
    void Resync();
    void CancelUpdate();
    // Deletes the current stored row at once (a pending new row is discarded instead);
    // the cursor stays on its place until moved.
    void Delete(AffectEnum affect = adAffectCurrent);

    // The current stored row's place, as a value that setBookmark takes back: on a keyset it
    // is the row's key, so it stays good in a keyset of the same table opened again later.
    // Null where there is no stored current row.
    QVariant Bookmark() const;
    // Moves to the row of a bookmark; if that row is gone, to the next one (or the last).
    void setBookmark(const QVariant& bookmark);
    // Restricts a keyset to the stored rows among `keys` (in key order), as if the others were
    // not there, and moves to the first; clearFilter() brings back every stored row, with the
    // cursor on the first. Either discards a pending edit or new row.
    void setFilter(const std::vector<qint64>& keys);
    void clearFilter();
    bool isFiltered() const;
    // The current stored row's place, from 1; -1 without one.
    long AbsolutePosition() const;

    Fields& fields();
    Field& operator[](int ordinal) { return fields().Item(ordinal); }
    Field& operator[](const QString& name) { return fields().Item(name); }

    bool isEditing() const { return m_edit != Edit::None; }

private:
    friend class Field;
    friend class Connection;
    enum class Kind { Closed, Keyset, Forward, Static };
    enum class Edit { None, Edit, AddNew };

    void openForward(Connection& connection, const QString& sql);
    void openStatic(Connection& connection, std::vector<ColumnInfo> columns,
                    std::vector<std::vector<QVariant>> rows);
    void buildFields();
    void requireOpen() const;
    void requireUpdatable() const;
    bool hasCurrentRow() const;
    void requireCurrentRow() const;
    void discardPending();
    void land();  // reads the row under the cursor
    // Makes the row at `target` of the keys current; with `newKeys`, those become the keys (and
    // `filtered` tells whether they are a filter's).
    void moveTo(qint64 target, std::vector<qint64>* newKeys = nullptr, bool filtered = false);
    // The row at `pos` of `keys` into `row` (all Null off the ends); false when it is gone.
    bool readAt(const std::vector<qint64>& keys, qint64 pos, std::vector<QVariant>& row) const;
    [[noreturn]] void rowGone() const;
    void stepForward(bool read = true);
    void beginEdit();
    void detachFromConnection();

    QVariant fieldValue(int ordinal) const;
    void assign(int ordinal, const QVariant& value);
    qint64 actualSize(int ordinal) const;
    QByteArray getChunk(int ordinal, qint64 length);
    void appendChunk(int ordinal, const QByteArray& bytes);

    struct Impl;
    std::unique_ptr<Impl> d;
    Kind m_kind = Kind::Closed;
    Edit m_edit = Edit::None;
    Fields m_fields;
};

}  // namespace store
