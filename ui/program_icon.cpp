#include "ui/program_icon.h"

QIcon ProgramIcon()
{
    QIcon icon(QStringLiteral(":/torvane.ico"));
    // Qt reads .ico files through an image plugin; without it the PNG stands in.
    if (icon.availableSizes().isEmpty()) {
        icon = QIcon(QStringLiteral(":/torvane.png"));
    }
    return icon;
}
