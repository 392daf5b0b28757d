// SPDX-License-Identifier: GPL-3.0-or-later
#include "windowstruct.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QIcon icon;
    for (const char* size : {"64", "256"})
        icon.addFile(QStringLiteral(":/tidmar/tidmar-%1.png").arg(QLatin1String(size)));
    QApplication::setWindowIcon(icon);
    QApplication::setDesktopFileName(QStringLiteral("tidmar"));
    Windowstruct window;
    window.setWindowTitle(QStringLiteral("Tidmar III"));
    window.show();
    return app.exec();
}
