// SPDX-License-Identifier: GPL-3.0-or-later
#include "runmenus.h"

#include "picturefile.h"
#include "plottingarea.h"

#include <QActionGroup>
#include <QDir>
#include <QFileDialog>
#include <QMenu>

QMenu* makeSpeedMenu(PlottingArea* field, QWidget* parent)
{
    auto* menu = new QMenu(QStringLiteral("&Speed"), parent);
    menu->setObjectName(QStringLiteral("speed"));
    auto* group = new QActionGroup(menu);
    const struct {
        const char* text;
        int perSecond;
    } speeds[] = {
        {"As &fast as possible", 0},      {"&100 steps a second", 100}, {"&30 steps a second", 30},
        {"1&0 steps a second", 10},       {"&3 steps a second", 3},
    };
    for (const auto& speed : speeds) {
        QAction* item = menu->addAction(QString::fromLatin1(speed.text));
        item->setCheckable(true);
        item->setChecked(speed.perSecond == field->speed());
        group->addAction(item);
        const int perSecond = speed.perSecond;
        QObject::connect(item, &QAction::triggered, field, [field, perSecond] { field->setSpeed(perSecond); });
    }
    return menu;
}

void savePictureWithDialog(PlottingArea* field, QWidget* parent)
{
    const QString png = QStringLiteral("PNG picture, exact (*.png)");
    const QString jpeg = QStringLiteral("JPEG picture (*.jpg *.jpeg)");
    QString filter = png;
    const QString proposed = QDir::current().filePath(QStringLiteral("tidmar%1.png").arg(field->bed().step));
    QString path = QFileDialog::getSaveFileName(parent, QStringLiteral("Save Picture As"), proposed,
                                                png + QStringLiteral(";;") + jpeg, &filter);
    if (path.isEmpty())
        return;
    if (!isPictureName(path))
        path += filter == jpeg ? QStringLiteral(".jpg") : QStringLiteral(".png");
    field->savePictureAs(path);
}
