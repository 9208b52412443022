#include "Control.h"

#include "Platform.h"

namespace Control {

QString sAppPath;
QString sSharePath;
QString sUnpackPath;
QString sDatabaseFile;

bool Confirm_Quit(QWidget* parent) {
    return Platform::instance().question(parent, QStringLiteral("Quillmark Cogwright Manager"),
                                         QStringLiteral("Are you  sure you want to Quit?"));
}

}  // namespace Control
