#include "WindowScale.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QRadioButton>
#include <QStyle>
#include <QWidget>
#include <climits>
#include <cmath>

namespace {

// The pixels per inch the windows were laid out for.
constexpr double kDesignDpi = 96.0;

QString shown(QString text) {
    // "&&" is a shown ampersand; a single "&" marks the access key.
    text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    text.remove(QLatin1Char('&'));
    text.replace(QLatin1Char('\x01'), QLatin1Char('&'));
    return text;
}

QString captionOf(const QWidget* w) {
    if (auto* b = qobject_cast<const QAbstractButton*>(w)) return b->text();
    if (auto* l = qobject_cast<const QLabel*>(w))
        return l->wordWrap() || !l->pixmap().isNull() ? QString() : l->text();
    if (auto* g = qobject_cast<const QGroupBox*>(w)) return g->title();
    return {};
}

// Placed by hand: a widget whose parent has no layout to place it.
bool placedByHand(const QWidget* w) {
    return w->parentWidget() && !w->parentWidget()->layout() && !w->isWindow();
}

}  // namespace

int neededWidth(const QWidget* control, const QString& text) {
    const QString s = shown(text);
    if (s.isEmpty()) return 0;
    const QStyle* style = control->style();
    int width = control->fontMetrics().horizontalAdvance(s);
    if (qobject_cast<const QCheckBox*>(control) || qobject_cast<const QRadioButton*>(control)) {
        const bool check = qobject_cast<const QCheckBox*>(control);
        width += style->pixelMetric(
                     check ? QStyle::PM_IndicatorWidth : QStyle::PM_ExclusiveIndicatorWidth,
                     nullptr, control) +
                 style->pixelMetric(
                     check ? QStyle::PM_CheckBoxLabelSpacing : QStyle::PM_RadioButtonLabelSpacing,
                     nullptr, control) +
                 2;
    } else if (qobject_cast<const QAbstractButton*>(control)) {
        // Room between the text and the frame, so that the two never touch.
        width += style->pixelMetric(QStyle::PM_ButtonMargin, nullptr, control) +
                 2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, control) + 4;
    } else if (auto* label = qobject_cast<const QLabel*>(control)) {
        width += 2 * (label->margin() + label->frameWidth());
    } else if (qobject_cast<const QGroupBox*>(control)) {
        width += 16;
    }
    return width;
}

namespace {

// Widens `w` into free room on its right, up to `need`: over no sibling, and inside its parent,
// which grows into room of its own when it is placed by hand too. True when it then fits.
bool growIntoRoom(QWidget* w, int need) {
    constexpr int kGap = 4;
    QWidget* parent = w->parentWidget();
    const QRect g = w->geometry();
    int bySiblings = INT_MAX;
    for (const QObject* o : parent->children()) {
        auto* s = qobject_cast<const QWidget*>(o);
        if (!s || s == w || s->isWindow()) continue;
        const QRect r = s->geometry();
        if (r.bottom() < g.top() || r.top() > g.bottom() || r.left() <= g.left()) continue;
        bySiblings = std::min(bySiblings, r.left() - kGap);
    }
    const auto byParent = [&] { return parent->contentsRect().right() - kGap; };
    const int wanted = g.left() + need - 1;
    if (wanted > byParent() && wanted <= bySiblings && placedByHand(parent))
        growIntoRoom(parent, parent->width() + wanted - byParent());
    const int width = std::min(need, std::min(bySiblings, byParent()) - g.left() + 1);
    if (width > g.width()) w->resize(width, g.height());
    return w->width() >= need;
}

void scaleAll(QWidget* window, const QList<QWidget*>& placed, double sx, double sy) {
    const auto x = [&](int v) { return int(std::lround(v * sx)); };
    const auto y = [&](int v) { return int(std::lround(v * sy)); };
    for (QWidget* w : placed) {
        const QRect g = w->geometry();
        w->setGeometry(QRect(QPoint(x(g.x()), y(g.y())),
                             QPoint(x(g.x() + g.width()) - 1, y(g.y() + g.height()) - 1)));
    }
    const QSize size(x(window->width()), y(window->height()));
    if (window->minimumSize() == window->maximumSize())
        window->setFixedSize(size);
    else
        window->resize(size);
}

}  // namespace

double fitToFont(QWidget* window, const QHash<const QWidget*, QStringList>& otherTexts) {
    QList<QWidget*> placed;
    for (QWidget* w : window->findChildren<QWidget*>())
        if (placedByHand(w)) placed << w;
    // A larger font: every place and size grows with it.
    const double fontScale = std::max(1.0, window->logicalDpiY() / kDesignDpi);
    if (fontScale > 1.0) scaleAll(window, placed, fontScale, fontScale);
    // A caption still too wide takes free room beside it; what none gives widens the window.
    double widthScale = 1.0;
    for (QWidget* w : placed) {
        if (w->width() <= 0) continue;
        QStringList texts = otherTexts.value(w);
        texts << captionOf(w);
        int need = 0;
        for (const QString& t : texts) need = std::max(need, neededWidth(w, t));
        if (need > w->width() && !growIntoRoom(w, need))
            widthScale = std::max(widthScale, double(need) / w->width());
    }
    if (widthScale > 1.0) scaleAll(window, placed, widthScale, 1.0);
    return fontScale * widthScale;
}
