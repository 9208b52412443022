#pragma once

#include <QMetaType>
#include <QString>
#include <QtGlobal>

namespace store {

// ADO data type codes; they are what the windows test columns against.
enum DataTypeEnum : int {
    adEmpty = 0,
    adSmallInt = 2,
    adInteger = 3,
    adSingle = 4,
    adDouble = 5,
    adCurrency = 6,
    adDate = 7,
    adBoolean = 11,
    adBigInt = 20,
    adVarWChar = 202,
    adLongVarWChar = 203,
    adLongVarBinary = 205,
};

enum CursorTypeEnum : int {
    adOpenForwardOnly = 0,
    adOpenKeyset = 1,
    adOpenDynamic = 2,
    adOpenStatic = 3
};
enum LockTypeEnum : int { adLockReadOnly = 1, adLockPessimistic = 2, adLockOptimistic = 3 };
enum CommandTypeEnum : int { adCmdText = 1, adCmdTable = 2 };
enum SchemaEnum : int { adSchemaColumns = 4, adSchemaTables = 20 };
enum AffectEnum : int { adAffectCurrent = 1 };
enum SortOrderEnum : int { adSortAscending = 1, adSortDescending = 2 };

// Field attribute flags, read as one integer by the grids (200 or more means a long field).
enum FieldAttributeEnum : long {
    adFldUpdatable = 0x4,
    adFldUnknownUpdatable = 0x8,
    adFldFixed = 0x10,
    adFldIsNullable = 0x20,
    adFldMayBeNull = 0x40,
    adFldLong = 0x80,
};

// Money: a 64-bit count of ten-thousandths, never a binary float.
struct Currency {
    qint64 scaled = 0;
    static constexpr qint64 kScale = 10000;

    friend bool operator==(Currency a, Currency b) { return a.scaled == b.scaled; }
    friend bool operator!=(Currency a, Currency b) { return a.scaled != b.scaled; }
    friend bool operator<(Currency a, Currency b) { return a.scaled < b.scaled; }
    double toDouble() const { return double(scaled) / kScale; }
    // Plain form with a '.' point and 2 to 4 decimals: "12.50", "-0.0001".
    QString toPlainString() const;
};

bool isLongType(DataTypeEnum type);

}  // namespace store

Q_DECLARE_METATYPE(store::Currency)
