// SPDX-License-Identifier: GPL-3.0-or-later
#include "aboutbox.h"

#include "version.h"

#include <QApplication>
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

QString aboutDetails(std::int32_t seed)
{
    const QString commit = QString::fromUtf8(tidmarCommit());
    QString version = QStringLiteral("Version %1").arg(QString::fromUtf8(tidmarVersion()));
    if (!commit.isEmpty())
        version += QStringLiteral(" (commit %1)").arg(commit);
    return version
           + QStringLiteral("\nRandom seed of this start: %1\n"
                            "tidmar-batch --seed %1 repeats a run from it.")
                 .arg(seed);
}

// The standard About box with the application's icon, and the details below
// the text.
void showAbout(QWidget* parent, std::int32_t seed)
{
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Mussel Disturbance Model"), aboutText(),
                    QMessageBox::Ok, parent);
    const QIcon icon = QApplication::windowIcon();
    if (!icon.isNull())
        box.setIconPixmap(icon.pixmap(64, 64));
    box.setInformativeText(aboutDetails(seed));
    box.setTextInteractionFlags(Qt::TextSelectableByMouse);
    box.exec();
}
