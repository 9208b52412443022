#pragma once

#include <QList>
#include <QRectF>
#include <QString>
#include <optional>

class QPainter;

namespace paper {

enum class BarcodeKind { Code128, QrCode, DataMatrix };

// "code128", "qr" and "datamatrix", as the command line takes them.
std::optional<BarcodeKind> barcodeKindNamed(const QString& name);
QString barcodeKindName(BarcodeKind kind);
// "Code 128", "QR code", "Data Matrix".
QString barcodeKindTitle(BarcodeKind kind);

// A barcode made by libzint: its dark modules as rectangles in module units, quiet zones
// included in the size. A text the kind cannot carry gives no bars and the reason.
struct Barcode {
    BarcodeKind kind = BarcodeKind::Code128;
    QList<QRectF> bars;
    QSizeF size;  // in modules, quiet zones included
    QString error;

    bool isValid() const { return error.isEmpty() && !bars.isEmpty(); }
    bool isLinear() const { return kind == BarcodeKind::Code128; }
    // The module's width in mm when drawn into `box` (mm) by draw().
    double moduleSize(const QSizeF& box) const;
    // The part of `box` the code takes: a linear code its whole box, a matrix code the largest
    // centred square.
    QRectF placed(const QRectF& box) const;
    // Draws the dark modules, black, into `box` (device units).
    void draw(QPainter& painter, const QRectF& box) const;
};

Barcode makeBarcode(BarcodeKind kind, const QString& text);

}  // namespace paper
