#include "aboutbox.h"

#include <QMessageBox>

QString aboutText()
{
    return QStringLiteral("\n"
                          "This program is a European interpretation\n"
                          "of a published mussel disturbance model,\n"
                          "enhanced by an age structure of the mussels\n"
                          "(young and adult) and by their predators.\n"
                          "\n"
                          "Tidmar III, a cellular automaton of a mussel bed,\n"
                          "written by marine ecologists in Europe, 2005");
}

void showAbout(QWidget* parent)
{
    QMessageBox::about(parent, QStringLiteral("Mussel Disturbance Model"), aboutText());
}
