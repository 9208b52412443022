#include "Control.h"

#include <QCoreApplication>

#include "Platform.h"

namespace Control {

QString sAppPath;
QString sSharePath;
QString sUnpackPath;
QString sDatabaseFile;

bool Confirm_Quit(QWidget* parent) {
    return Platform::instance().question(
        parent, QStringLiteral("Quillmark Cogwright Manager"),
        QCoreApplication::translate("Control", "Are you  sure you want to Quit?"));
}

}  // namespace Control
