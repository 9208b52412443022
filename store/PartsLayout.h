#pragma once

#include <QString>
#include <array>
#include <vector>

#include "Catalog.h"
#include "Types.h"

// The layout of a parts table: five leading fixed columns, any of 25 optional columns in box
// order, then CreationDate and Image. The new database window and the seed tool both build
// tables from here; the windows find columns by these names and positions.
namespace store::parts {

struct ColumnDef {
    const char* name;
    DataTypeEnum type;
    long definedSize;  // text columns only
};

inline constexpr std::array<ColumnDef, 5> kLeadingColumns{{
    {"PartID", adInteger, 0},
    {"PartNumber", adVarWChar, 50},
    {"PartName", adVarWChar, 80},
    {"Category", adVarWChar, 50},
    {"Description", adVarWChar, 255},
}};

inline constexpr std::array<ColumnDef, 2> kTrailingColumns{{
    {"CreationDate", adDate, 0},
    {"Image", adLongVarBinary, 0},
}};

inline constexpr int kOptionalCount = 25;

// The caption of box n (1 to 25), which is also its column's name.
QString optionalName(int box);
// The type rule by box number: 1, 2, 3, 17, 21, 25 currency; 4 to 6 integer; 7 to 10 single;
// every other box text of 50 characters.
DataTypeEnum optionalType(int box);
long optionalSize(int box);

// Position of the first optional column; in a table made here CreationDate and Image are the
// last two. Tables from elsewhere may add columns anywhere, so the windows find the fixed
// columns by name.
inline constexpr int kFirstOptional = 5;
inline constexpr const char* kKeyColumn = "PartID";
inline constexpr const char* kCreationDateColumn = "CreationDate";
inline constexpr const char* kImageColumn = "Image";

// One of the seven fixed columns, by name (letter case ignored).
bool isFixedColumn(const QString& name);

// The four record texts edited in their own boxes: how many characters a box takes while the
// user types, and how many a save keeps.
struct RecordText {
    const char* column;
    int typingLimit;
    int saveLimit;
};
inline constexpr std::array<RecordText, 4> kRecordTexts{{
    {"PartNumber", 50, 50},
    {"PartName", 49, 79},
    {"Category", 49, 49},
    {"Description", 250, 250},
}};
// The field editor under the grid takes this many characters.
inline constexpr int kFieldEditorLimit = 49;

// Builds a parts table named `tableName` with the chosen boxes (any order; they are put in
// box order) in the catalogue's database: columns, the auto-increment key and the primary-key
// index named "PartID", then refreshes the catalogue.
void createPartsTable(Catalog& catalog, const QString& tableName, std::vector<int> boxes);

}  // namespace store::parts
