#include "PartsLayout.h"

#include <algorithm>

#include "StoreError.h"

namespace store::parts {

namespace {

constexpr std::array<const char*, kOptionalCount> kOptionalNames{"Retail Price",
                                                                 "Wholesale Price",
                                                                 "Build Cost",
                                                                 "Qty In Stock",
                                                                 "Qty On Order",
                                                                 "Re-Order Level",
                                                                 "Height",
                                                                 "Width",
                                                                 "Length",
                                                                 "Weight",
                                                                 "Color",
                                                                 "Material",
                                                                 "Location",
                                                                 "Manufacturer Name",
                                                                 "Manufacturer ID",
                                                                 "Manufacturer Part Number",
                                                                 "Manufacturer Price",
                                                                 "Supplier 1 Name",
                                                                 "Supplier 1 ID",
                                                                 "Supplier 1 Part Number",
                                                                 "Supplier 1 Price",
                                                                 "Supplier 2 Name",
                                                                 "Supplier 2 ID",
                                                                 "Supplier 2 Part Number",
                                                                 "Supplier 2 Price"};

void checkBox(int box) {
    if (box < 1 || box > kOptionalCount)
        throw StoreError(errInvalidArgument,
                         Text::tr("There is no optional column number %1.").arg(box));
}

}  // namespace

QString optionalName(int box) {
    checkBox(box);
    return QString::fromLatin1(kOptionalNames[size_t(box - 1)]);
}

DataTypeEnum optionalType(int box) {
    checkBox(box);
    switch (box) {
        case 1:
        case 2:
        case 3:
        case 17:
        case 21:
        case 25:
            return adCurrency;
        case 4:
        case 5:
        case 6:
            return adInteger;
        case 7:
        case 8:
        case 9:
        case 10:
            return adSingle;
        default:
            return adVarWChar;
    }
}

bool isFixedColumn(const QString& name) {
    for (const ColumnDef& c : kLeadingColumns)
        if (name.compare(QLatin1String(c.name), Qt::CaseInsensitive) == 0) return true;
    for (const ColumnDef& c : kTrailingColumns)
        if (name.compare(QLatin1String(c.name), Qt::CaseInsensitive) == 0) return true;
    return false;
}

long optionalSize(int box) {
    return optionalType(box) == adVarWChar ? 50 : 0;
}

void createPartsTable(Catalog& catalog, const QString& tableName, std::vector<int> boxes) {
    std::sort(boxes.begin(), boxes.end());
    boxes.erase(std::unique(boxes.begin(), boxes.end()), boxes.end());

    Table table(tableName);
    Column key(QString::fromLatin1(kLeadingColumns[0].name), adInteger);
    key.ParentCatalog = &catalog;
    key.setProperty(QStringLiteral("AutoIncrement"), true);
    table.appendColumn(key);
    for (size_t i = 1; i < kLeadingColumns.size(); ++i)
        table.appendColumn(QString::fromLatin1(kLeadingColumns[i].name), kLeadingColumns[i].type,
                           kLeadingColumns[i].definedSize);
    for (int box : boxes) {
        Column c(optionalName(box), optionalType(box), optionalSize(box));
        c.ParentCatalog = &catalog;
        c.setProperty(QStringLiteral("Nullable"), true);
        table.appendColumn(c);
    }
    for (const ColumnDef& def : kTrailingColumns)
        table.appendColumn(QString::fromLatin1(def.name), def.type, def.definedSize);

    Table& created = catalog.appendTable(table);

    Index pk;
    pk.Name = QStringLiteral("PartID");
    pk.Unique = true;
    pk.PrimaryKey = true;
    pk.appendColumn(QStringLiteral("PartID"), adInteger).SortOrder = adSortAscending;
    created.appendIndex(pk);

    created.refreshColumns();
    catalog.refreshTables();
}

}  // namespace store::parts
