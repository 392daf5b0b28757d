#include "windowstruct.h"

#include "aboutbox.h"
#include "plottingarea.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>

Windowstruct::Windowstruct(QWidget* parent, const char* name)
    : QMainWindow(parent, Qt::Window)
{
    if (name)
        setObjectName(QString::fromLatin1(name));
    Controls controls = createControls();
    createField(controls);
    connectAll(controls);
    setStartValues(controls);
    createMenus(controls);
    layOut(controls);
}

void Windowstruct::closeEvent(QCloseEvent* event)
{
    // A run in progress keeps processing events and would never hand control
    // back to the event loop; stopping it as Quit does lets the program end.
    if (auto* field = findChild<PlottingArea*>())
        field->quitnow();
    QMainWindow::closeEvent(event);
}

// The window stands at (300, 150) again; its fixed layout then gives it the
// size that the rebuilt field and the control rows need.
void Windowstruct::changesize(int x, int y, int Zellgr)
{
    setGeometry(300, 150, x * Zellgr, y * Zellgr);
    updateGeometry();
}

Windowstruct::Controls Windowstruct::createControls()
{
    Controls controls;

    controls.topRow = new QWidget(this);
    auto* topLayout = new QHBoxLayout(controls.topRow);
    topLayout->setContentsMargins(0, 0, 0, 0);
    controls.startButton = new QPushButton(QStringLiteral(" &Start"), controls.topRow);
    controls.startButton->setObjectName(QStringLiteral("start"));
    auto* stepCaption = new QLabel(QStringLiteral(" Step No. : "), controls.topRow);
    controls.stepCounter = new QLabel(QStringLiteral(" 0 "), controls.topRow);
    controls.stepCounter->setObjectName(QStringLiteral("steps"));
    topLayout->addWidget(controls.startButton);
    topLayout->addWidget(stepCaption);
    topLayout->addWidget(controls.stepCounter);

    controls.fileRow = new QWidget(this);
    auto* fileLayout = new QHBoxLayout(controls.fileRow);
    fileLayout->setContentsMargins(0, 0, 0, 0);
    controls.saveButton = new QPushButton(QStringLiteral(" Save Image "), controls.fileRow);
    controls.saveButton->setObjectName(QStringLiteral("speichern"));
    controls.quitButton = new QPushButton(QStringLiteral(" &Quit "), controls.fileRow);
    controls.quitButton->setObjectName(QStringLiteral("quit"));
    fileLayout->addWidget(controls.saveButton);
    fileLayout->addWidget(controls.quitButton);

    return controls;
}

// The field comes after the Start/Stop button, whose text it sets.
void Windowstruct::createField(Controls& controls)
{
    controls.field = new PlottingArea(this, nullptr, controls.startButton, 256, 256, 2);
}

void Windowstruct::connectAll(const Controls& controls)
{
    PlottingArea* field = controls.field;
    connect(controls.quitButton, &QPushButton::clicked, field, &PlottingArea::quitnow);
    connect(controls.saveButton, &QPushButton::clicked, field, &PlottingArea::bildspeichern);
    connect(controls.startButton, &QPushButton::clicked, field, &PlottingArea::run);
    connect(field, &PlottingArea::schrittzahlsenden, controls.stepCounter,
            qOverload<int>(&QLabel::setNum));
    field->setInfoHandler([this] { showAbout(this); });
}

// The program's own start values, in the order the controls send them.
void Windowstruct::setStartValues(const Controls& controls)
{
    PlottingArea* field = controls.field;
    field->setmaturing(100);
    field->setpredation(750);
    field->setlongrange(true);
    field->setjumpdistance(10);
    field->setcolonization(300);
    field->setneighbourcoupling(750);
    field->randbedingungaendern(true);
}

void Windowstruct::createMenus(const Controls& controls)
{
    PlottingArea* field = controls.field;
    menuBar()->setObjectName(QStringLiteral("Menü"));

    QMenu* programMenu = menuBar()->addMenu(QStringLiteral("&Program"));
    programMenu->setObjectName(QStringLiteral("0"));
    programMenu->addAction(QStringLiteral("&Save Picture"), field, &PlottingArea::bildspeichern);
    programMenu->addSeparator();
    programMenu->addAction(QStringLiteral("&Quit"), field, &PlottingArea::quitnow);

    QMenu* infoMenu = menuBar()->addMenu(QStringLiteral("&Info"));
    infoMenu->setObjectName(QStringLiteral("1"));
    infoMenu->addAction(QStringLiteral("About.."), field, &PlottingArea::info);
}

// Seven rows, the field in row 0; a fixed size that follows the field.
void Windowstruct::layOut(const Controls& controls)
{
    auto* central = new QWidget(this);
    auto* mainGrid = new QGridLayout(central);
    mainGrid->setContentsMargins(3, 3, 3, 3);
    mainGrid->setSpacing(3);
    mainGrid->addWidget(controls.field, 0, 0);
    mainGrid->addWidget(controls.topRow, 1, 0);
    mainGrid->addWidget(controls.fileRow, 6, 0);
    mainGrid->setSizeConstraint(QLayout::SetFixedSize);
    setCentralWidget(central);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    setGeometry(300, 150, 512, 512);
}
