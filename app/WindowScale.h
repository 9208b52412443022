#pragma once

#include <QHash>
#include <QStringList>

class QWidget;

// Windows laid out in fixed pixels for the default font keep that layout at the default font
// and grow with a larger one (a higher font DPI) or longer texts (another language): every
// place and size is scaled, heights by the font's size, widths by as much more as the widest
// text needs, so that no caption is cut and no two controls come to overlap.
//
// `otherTexts` are captions a control takes later (a button that changes its text), which
// must fit as well. Controls placed by a layout are left to it. Returns the width scale used.
double fitToFont(QWidget* window, const QHash<const QWidget*, QStringList>& otherTexts = {});

// The width a control needs for `text` (access-key marks left out) without cutting it.
int neededWidth(const QWidget* control, const QString& text);
