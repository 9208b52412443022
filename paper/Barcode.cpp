#include "Barcode.h"

#include <zint.h>

#include <QCoreApplication>
#include <QPainter>
#include <QPainterPath>
#include <memory>

namespace paper {

namespace {

struct Kind {
    BarcodeKind kind;
    const char* name;
    const char* title;
    int symbology;
};

constexpr Kind kKinds[] = {
    {BarcodeKind::Code128, "code128", QT_TRANSLATE_NOOP("paper", "Code 128"), BARCODE_CODE128},
    {BarcodeKind::QrCode, "qr", QT_TRANSLATE_NOOP("paper", "QR code"), BARCODE_QRCODE},
    {BarcodeKind::DataMatrix, "datamatrix", QT_TRANSLATE_NOOP("paper", "Data Matrix"),
     BARCODE_DATAMATRIX},
};

const Kind& kindOf(BarcodeKind kind) {
    for (const Kind& k : kKinds)
        if (k.kind == kind) return k;
    return kKinds[0];
}

struct SymbolDeleter {
    void operator()(zint_symbol* symbol) const { ZBarcode_Delete(symbol); }
};

}  // namespace

std::optional<BarcodeKind> barcodeKindNamed(const QString& name) {
    for (const Kind& k : kKinds)
        if (name.compare(QLatin1String(k.name), Qt::CaseInsensitive) == 0) return k.kind;
    return std::nullopt;
}

QString barcodeKindName(BarcodeKind kind) {
    return QLatin1String(kindOf(kind).name);
}

QString barcodeKindTitle(BarcodeKind kind) {
    return QCoreApplication::translate("paper", kindOf(kind).title);
}

double Barcode::moduleSize(const QSizeF& box) const {
    if (size.isEmpty()) return 0;
    const QRectF where = placed(QRectF(QPointF(), box));
    return where.width() / size.width();
}

QRectF Barcode::placed(const QRectF& box) const {
    if (isLinear()) return box;
    const double side = qMin(box.width(), box.height());
    return QRectF(box.center() - QPointF(side / 2, side / 2), QSizeF(side, side));
}

void Barcode::draw(QPainter& painter, const QRectF& box) const {
    if (size.isEmpty()) return;
    const QRectF where = placed(box);
    const double sx = where.width() / size.width();
    const double sy = where.height() / size.height();
    // One shape for all the modules: drawn one by one, neighbours would show hairline seams
    // where a renderer smooths their edges, and a scanner reads those as spaces.
    QPainterPath shape;
    shape.setFillRule(Qt::WindingFill);
    for (const QRectF& bar : bars)
        shape.addRect(QRectF(where.left() + bar.left() * sx, where.top() + bar.top() * sy,
                             bar.width() * sx, bar.height() * sy));
    painter.fillPath(shape, Qt::black);
}

Barcode makeBarcode(BarcodeKind kind, const QString& text) {
    Barcode code;
    code.kind = kind;
    if (text.isEmpty()) {
        code.error = QCoreApplication::translate("paper", "The part number is empty.");
        return code;
    }
    std::unique_ptr<zint_symbol, SymbolDeleter> symbol(ZBarcode_Create());
    if (!symbol) {
        code.error = QCoreApplication::translate("paper", "There is not enough memory.");
        return code;
    }
    symbol->symbology = kindOf(kind).symbology;
    symbol->input_mode = UNICODE_MODE;
    symbol->show_hrt = 0;
    symbol->output_options |= BARCODE_QUIET_ZONES;
    if (kind == BarcodeKind::DataMatrix) symbol->option_3 = DM_SQUARE;
    const QByteArray utf8 = text.toUtf8();
    const int encoded = ZBarcode_Encode(
        symbol.get(), reinterpret_cast<const unsigned char*>(utf8.constData()), int(utf8.size()));
    if (encoded >= ZINT_ERROR || ZBarcode_Buffer_Vector(symbol.get(), 0) >= ZINT_ERROR ||
        !symbol->vector || symbol->width <= 0) {
        code.error = QCoreApplication::translate("paper", "%1 cannot carry it (%2).")
                         .arg(barcodeKindTitle(kind), QString::fromUtf8(symbol->errtxt));
        return code;
    }
    // The vector's units are not modules: the symbol's own width in modules gives the scale.
    double left = symbol->vector->width, right = 0;
    for (const zint_vector_rect* r = symbol->vector->rectangles; r; r = r->next) {
        left = qMin(left, double(r->x));
        right = qMax(right, double(r->x + r->width));
    }
    const double unit = right > left ? (right - left) / symbol->width : 1.0;
    code.size = QSizeF(symbol->vector->width / unit, symbol->vector->height / unit);
    for (const zint_vector_rect* r = symbol->vector->rectangles; r; r = r->next)
        code.bars << QRectF(r->x / unit, r->y / unit, r->width / unit, r->height / unit);
    return code;
}

}  // namespace paper
