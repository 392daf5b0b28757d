#include "windowstruct.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    Windowstruct window;
    window.setWindowTitle(QStringLiteral("Tidmar III"));
    window.show();
    return app.exec();
}
