// SPDX-License-Identifier: GPL-3.0-or-later
#include "windowstruct.h"

#include "aboutbox.h"
#include "checkedspinbox.h"
#include "helpview.h"
#include "plottingarea.h"
#include "runmenus.h"
#include "scaledspinbox.h"
#include "sizewizard.h"
#include "windowfit.h"
#include "zeitverlauf.h"
#include "patchsizewindow.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QPointer>
#include <QScrollArea>
#include <QSpinBox>
#include <QStatusBar>
#include <QStyle>
#include <QWindow>

#include <algorithm>
#include <initializer_list>

namespace {

// A plain widget whose children fill a fixed number of columns, row by row,
// in the order they are added.
class Grid
{
public:
    Grid(QWidget* parent, int columns)
        : widget(new QWidget(parent))
        , layout(new QGridLayout(widget))
        , columns(columns)
    {
        layout->setContentsMargins(0, 0, 0, 0);
    }

    template <typename Child>
    Child* add(Child* child)
    {
        const int index = layout->count();
        layout->addWidget(child, index / columns, index % columns);
        return child;
    }

    QWidget* const widget;

private:
    QGridLayout* const layout;
    const int columns;
};

// A titled group box that lines its children up in one row.
QGroupBox* makeRowBox(const QString& title, const char* name, QWidget* parent)
{
    auto* box = new QGroupBox(title, parent);
    box->setObjectName(QString::fromLatin1(name));
    new QHBoxLayout(box);
    return box;
}

template <typename Child>
Child* addToRow(QGroupBox* box, Child* child)
{
    box->layout()->addWidget(child);
    return child;
}

QPushButton* makeButton(const QString& text, const char* name, QWidget* parent)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(name));
    return button;
}

// One of the five probabilities: 0 .. 1000 thousandths, step 1, starting at 0.
ScaledSpinBox* makeProbabilityBox(const char* prefix, const char* name, QGroupBox* box)
{
    return addToRow(box, new ScaledSpinBox(prefix, 0, 1000, 1, box, name));
}

// Unticks the box that shows a window when the window is hidden otherwise
// than through the box: by its close box or Escape. The box then switches off
// what it switched on. A window that the window system hides (minimised with
// the main window) leaves the box as it is.
class UntickWhenHidden : public QObject
{
public:
    UntickWhenHidden(QWidget* window, QCheckBox* box)
        : QObject(window)
        , box(box)
    {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Hide && !event->spontaneous() && box)
            box->setChecked(false);
        return QObject::eventFilter(watched, event);
    }

private:
    QPointer<QCheckBox> box;
};

// Notes and reports stay in the status bar for this long.
constexpr int messageMilliseconds = 10000;

} // namespace

Windowstruct::Windowstruct(QWidget* parent, const char* name)
    : QMainWindow(parent, Qt::Window)
{
    if (name)
        setObjectName(QString::fromLatin1(name));
    Controls controls = createControls();
    createSecondaryWindows(controls);
    connectAll(controls);
    setStartValues(controls);
    createMenus(controls);
    layOut(controls);
    orderTabsByRows(controls);
    fitToScreen();
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
    fitToScreen();
}

// The field sits in row 0 of the central grid, or, when the window around
// the whole field would not fit the screen's available area, in a scroll
// area in its place; the window then fills that area and stays fixed.
void Windowstruct::fitToScreen()
{
    QWidget* central = centralWidget();
    auto* grid = static_cast<QGridLayout*>(central->layout());
    auto* field = findChild<PlottingArea*>();
    auto* scroller = central->findChild<QScrollArea*>(QStringLiteral("fieldscroller"), Qt::FindDirectChildrenOnly);
    if (scroller && scroller->widget() == field) {
        scroller->takeWidget();
        field->setParent(central);
        delete grid->replaceWidget(scroller, field);  // the old item is ours
        scroller->hide();
        field->show();
    }

    // The window's size with the whole field in it; the frame as the window
    // system reports it, or an allowance for a title bar before the first show.
    // The central widget takes its fixed size from its grid only when the grid
    // is activated; until then the window's layout sees the old size.
    grid->invalidate();
    grid->activate();
    layout()->invalidate();
    const QSize whole = layout()->totalSizeHint();
    const QWindow* handle = windowHandle();
    const QMargins frame = handle && handle->isVisible() ? handle->frameMargins() : QMargins(4, 32, 4, 4);
    const QRect available = screen()->availableGeometry();
    const QSize room = available.size().shrunkBy(frame);
    const WindowFit fit = fitWindow(whole, field->minimumSize(), room, style()->pixelMetric(QStyle::PM_ScrollBarExtent));

    QSize window = whole;
    if (fit.scrolled) {
        if (!scroller) {
            scroller = new QScrollArea(central);
            scroller->setObjectName(QStringLiteral("fieldscroller"));
            scroller->setFrameShape(QFrame::NoFrame);
            scroller->setWidgetResizable(false);
        }
        delete grid->replaceWidget(field, scroller);
        scroller->setWidget(field);
        scroller->setFixedSize(fit.viewport);
        scroller->show();
        window += fit.viewport - field->minimumSize();
    }
    const QPoint place = placeWindow(geometry().topLeft(), window, frame, available);
    if (place != geometry().topLeft())
        setGeometry(QRect(place, window));
}

// The controls in the order the rows are built, the field last: it needs the
// Start/Stop button, whose text it sets from then on.
Windowstruct::Controls Windowstruct::createControls()
{
    Controls controls;
    createTopRow(controls);
    createUpdateGroup(controls);
    createParameterBoxes(controls);
    createButtonRows(controls);
    controls.field = new PlottingArea(this, nullptr, controls.startButton, 256, 256, 2);
    return controls;
}

void Windowstruct::createTopRow(Controls& controls)
{
    Grid topGrid(this, 3);
    controls.topGrid = topGrid.widget;

    Grid optionGrid(topGrid.widget, 2);
    topGrid.add(optionGrid.widget);
    controls.periodicBox = optionGrid.add(new QCheckBox(QStringLiteral("Periodic B. C."), optionGrid.widget));
    controls.timeSeriesBox = optionGrid.add(new QCheckBox(QStringLiteral("Show time series ?  "), optionGrid.widget));
    controls.timeSeriesBox->setObjectName(QStringLiteral("zeit"));

    controls.startButton = topGrid.add(makeButton(QStringLiteral(" &Start"), "start", topGrid.widget));

    Grid stepGrid(topGrid.widget, 3);
    topGrid.add(stepGrid.widget);
    auto* blankLabel = stepGrid.add(new QLabel(QString(), stepGrid.widget));
    blankLabel->setObjectName(QStringLiteral("empty"));
    auto* stepCaption = stepGrid.add(new QLabel(QStringLiteral(" Step No. : "), stepGrid.widget));
    stepCaption->setAlignment(Qt::AlignLeft | Qt::AlignRight);
    controls.stepCounter = stepGrid.add(new QLabel(QStringLiteral(" 0 "), stepGrid.widget));
    controls.stepCounter->setObjectName(QStringLiteral("steps"));
    controls.stepCounter->setAlignment(Qt::AlignHCenter);
    controls.stepCounter->setFont(QFont(QStringLiteral("Helvetica"), 12, QFont::Light));
    keepWidthsSteady(controls);
}

// Nothing in the window moves during a run: the Start/Stop button is as wide
// as its wider text, the step counter as wide as ten digits between blanks.
void Windowstruct::keepWidthsSteady(const Controls& controls)
{
    QPushButton* start = controls.startButton;
    const QString startText = start->text();
    int buttonWidth = 0;
    for (const char* text : {" &Start ", " &Stop "}) {
        start->setText(QString::fromLatin1(text));
        buttonWidth = std::max(buttonWidth, start->sizeHint().width());
    }
    start->setText(startText);
    start->setMinimumWidth(buttonWidth);

    QLabel* counter = controls.stepCounter;
    const QFontMetrics metrics(counter->font());
    int digit = 0;
    for (char c = '0'; c <= '9'; ++c)
        digit = std::max(digit, metrics.horizontalAdvance(QLatin1Char(c)));
    const QMargins margins = counter->contentsMargins();
    counter->setFixedWidth(10 * digit + metrics.horizontalAdvance(QStringLiteral("  ")) + margins.left()
                           + margins.right() + 2 * counter->margin());
}

// Three boxes that behave like radio buttons; each press sends the box's id,
// which is the index of its update scheme.
void Windowstruct::createUpdateGroup(Controls& controls)
{
    controls.updateGroup = new QGroupBox(this);
    controls.updateGroup->setObjectName(QStringLiteral("updatemethode"));
    auto* row = new QHBoxLayout(controls.updateGroup);
    controls.updateButtons = new QButtonGroup(controls.updateGroup);
    controls.updateButtons->setExclusive(true);

    row->addWidget(new QLabel(QStringLiteral("Updating : "), controls.updateGroup));
    const QString schemes[] = {QStringLiteral("Sync. "), QStringLiteral("Async. UC "), QStringLiteral("Async. NRS ")};
    for (int id = 0; id < 3; ++id) {
        auto* box = new QCheckBox(schemes[id], controls.updateGroup);
        // Each box as wide as its text, at the left of its share of the row:
        // the row looks the same, and a click beside the text is no press.
        row->addWidget(box, 0, Qt::AlignLeft);
        controls.updateButtons->addButton(box, id);
    }
    controls.asyncUcBox = qobject_cast<QCheckBox*>(controls.updateButtons->button(1));
}

void Windowstruct::createParameterBoxes(Controls& controls)
{
    controls.paramsBox = makeRowBox(
        QStringLiteral("  A2 : recolon. , A0 : distrib. prob.,  D0:  ocean forcing"), "params", this);
    controls.a2Box = makeProbabilityBox("A2 =   ", "recolonization", controls.paramsBox);
    controls.a0Box = makeProbabilityBox("A0 =   ", "neighbourcoupling", controls.paramsBox);
    controls.d0Box = makeProbabilityBox("D0 =   ", "oceanforcing", controls.paramsBox);

    controls.longDistanceBox = makeRowBox(
        QStringLiteral(" Long distance A3 : maturing prob. , A4 : predation prob.,  jumping range "), "params2",
        this);
    controls.a3Box = makeProbabilityBox("A3 =   ", "maturing", controls.longDistanceBox);
    controls.a4Box = makeProbabilityBox("A4 =   ", "predation", controls.longDistanceBox);
    controls.jumpBox =
        addToRow(controls.longDistanceBox, new CheckedSpinBox(controls.longDistanceBox, QStringLiteral("Jumping range")));
    controls.jumpBox->setObjectName(QStringLiteral("jumping"));
    controls.jumpBox->setRange(0, 100);
    controls.jumpBox->setSingleStep(1);
    controls.longRangeBox = addToRow(
        controls.longDistanceBox, new QCheckBox(QStringLiteral("Long range displacement"), controls.longDistanceBox));
}

void Windowstruct::createButtonRows(Controls& controls)
{
    Grid lineGrid(this, 2);
    controls.lineGrid = lineGrid.widget;
    controls.predatedLineButton =
        lineGrid.add(makeButton(QStringLiteral(" &Predated Line "), "neu", lineGrid.widget));
    controls.youngCoverButton =
        lineGrid.add(makeButton(QStringLiteral(" &Global young mussel cover "), "neu", lineGrid.widget));

    Grid fileGrid(this, 2);
    controls.fileGrid = fileGrid.widget;
    controls.saveButton = fileGrid.add(makeButton(QStringLiteral(" Save Image "), "speichern", fileGrid.widget));
    controls.quitButton = fileGrid.add(makeButton(QStringLiteral(" &Quit "), "quit", fileGrid.widget));
}

// All four start hidden; the time-series box and the menu items show them.
// The dialog refuses a field larger than the field widget can hold: its
// default check is PlottingArea::fieldFits.
void Windowstruct::createSecondaryWindows(Controls& controls)
{
    controls.timeSeries = new Zeitverlauf(this, nullptr, false);
    controls.sizeWizard = new SizeWizard(this, nullptr);
    controls.helpView = new Helpview(this, nullptr, false);
    controls.patchSizes = new PatchSizeWindow(controls.field, this);
}

// The order matters: the time-series window is shown before the statistics
// start, gets a step's number before the step label does, and the field is
// rebuilt before the window refits around it.
void Windowstruct::connectAll(const Controls& controls)
{
    PlottingArea* field = controls.field;
    Zeitverlauf* timeSeries = controls.timeSeries;
    connect(controls.quitButton, &QPushButton::clicked, field, &PlottingArea::quitnow);
    connect(controls.saveButton, &QPushButton::clicked, field, &PlottingArea::bildspeichern);
    connect(controls.youngCoverButton, &QPushButton::clicked, field, &PlottingArea::globalHealth);
    connect(controls.predatedLineButton, &QPushButton::clicked, field, &PlottingArea::infectedLine);
    connect(controls.timeSeriesBox, &QCheckBox::toggled, timeSeries, &Zeitverlauf::visibility);
    connect(controls.timeSeriesBox, &QCheckBox::toggled, field, &PlottingArea::statistikanaus);
    connect(field, &PlottingArea::schrittzahlsenden, timeSeries, &Zeitverlauf::getstep);
    connect(field, &PlottingArea::statistiksenden, timeSeries, &Zeitverlauf::getstats);
    connect(controls.startButton, &QPushButton::clicked, field, &PlottingArea::run);
    connect(controls.a2Box, &QSpinBox::valueChanged, field, &PlottingArea::setcolonization);
    connect(controls.a0Box, &QSpinBox::valueChanged, field, &PlottingArea::setneighbourcoupling);
    connect(controls.longRangeBox, &QCheckBox::toggled, field, &PlottingArea::setlongrange);
    connect(controls.a3Box, &QSpinBox::valueChanged, field, &PlottingArea::setmaturing);
    connect(controls.a4Box, &QSpinBox::valueChanged, field, &PlottingArea::setpredation);
    connect(controls.jumpBox, &QSpinBox::valueChanged, field, &PlottingArea::setjumpdistance);
    connect(controls.periodicBox, &QCheckBox::toggled, field, &PlottingArea::randbedingungaendern);
    connect(controls.d0Box, &QSpinBox::valueChanged, field, &PlottingArea::setoceanforcing);
    connect(field, &PlottingArea::schrittzahlsenden, controls.stepCounter, qOverload<int>(&QLabel::setNum));
    connect(controls.updateButtons, &QButtonGroup::idPressed, field, &PlottingArea::updatemethodeaendern);
    connect(controls.sizeWizard, &SizeWizard::setchangedsize, field, &PlottingArea::changesize);
    connect(controls.sizeWizard, &SizeWizard::setchangedsize, this, &Windowstruct::changesize);
    connect(controls.longRangeBox, &QCheckBox::toggled, controls.jumpBox, &QWidget::setEnabled);
    // Steps, resets, painting and the boundary change the patches.
    PatchSizeWindow* patchSizes = controls.patchSizes;
    connect(field, &PlottingArea::schrittzahlsenden, patchSizes, &PatchSizeWindow::fieldChanged);
    connect(controls.periodicBox, &QCheckBox::toggled, patchSizes, &PatchSizeWindow::fieldChanged);

    // The About box, modal over the field.
    field->setInfoHandler([field] { showAbout(field, field->clockSeed()); });

    // Hiding the time series by its close box is unticking its box.
    new UntickWhenHidden(timeSeries, controls.timeSeriesBox);

    // Refused typing and saved pictures are told in the status bar.
    QStatusBar* status = statusBar();
    status->setSizeGripEnabled(false);
    const auto note = [status](const QString& text) { status->showMessage(text, messageMilliseconds); };
    for (CheckedSpinBox* box : std::initializer_list<CheckedSpinBox*>{
             controls.a2Box, controls.a0Box, controls.d0Box, controls.a3Box, controls.a4Box, controls.jumpBox})
        box->setNoteHandler(note);
    field->setPictureHandler([note](const QString& path, const QString& error) {
        const QString where = QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
        note(error.isEmpty() ? QStringLiteral("Picture saved as %1").arg(where)
                             : QStringLiteral("Picture not saved as %1: %2").arg(where, error));
    });
}

// Every change below travels through the connections to the field. The
// ocean-forcing box already stands at 0, so it sends nothing and the field
// keeps its own D0 of 0; checking "Async. UC " sends nothing either (the group
// forwards presses only), and the field already uses that scheme.
void Windowstruct::setStartValues(const Controls& controls)
{
    controls.a3Box->setValue(100);
    controls.a4Box->setValue(750);
    controls.longRangeBox->setChecked(true);
    controls.jumpBox->setValue(10);
    controls.a2Box->setValue(300);
    controls.a2Box->setSingleStep(10);
    controls.a0Box->setValue(750);
    controls.a0Box->setSingleStep(10);
    controls.d0Box->setValue(0);
    controls.d0Box->setSingleStep(2);
    controls.periodicBox->setChecked(true);
    controls.asyncUcBox->setChecked(true);
}

// Menus and items without keyboard shortcuts; the "&" marks only mnemonics.
void Windowstruct::createMenus(const Controls& controls)
{
    PlottingArea* field = controls.field;
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("Menü"));

    QMenu* programMenu = bar->addMenu(QStringLiteral("&Program"));
    programMenu->setObjectName(QStringLiteral("0"));
    QMenu* propertiesMenu = bar->addMenu(QStringLiteral("P&roperties"));
    propertiesMenu->setObjectName(QStringLiteral("2"));
    QMenu* infoMenu = bar->addMenu(QStringLiteral("&Info"));
    infoMenu->setObjectName(QStringLiteral("1"));

    connect(programMenu->addAction(QStringLiteral("&Save Picture")), &QAction::triggered, field,
            &PlottingArea::bildspeichern);
    connect(programMenu->addAction(QStringLiteral("Save Picture &As...")), &QAction::triggered, this,
            [this, field] { savePictureWithDialog(field, this); });
    programMenu->addSeparator();
    // One step at a time, while the run is stopped.
    QAction* stepItem = programMenu->addAction(QStringLiteral("S&tep"));
    connect(stepItem, &QAction::triggered, field, &PlottingArea::stepOnce);
    field->setRunHandler([stepItem](bool running) { stepItem->setEnabled(!running); });
    programMenu->addSeparator();
    connect(programMenu->addAction(QStringLiteral("&Quit")), &QAction::triggered, field, &PlottingArea::quitnow);
    connect(propertiesMenu->addAction(QStringLiteral("Field Dimensions..")), &QAction::triggered,
            controls.sizeWizard, &QDialog::exec);
    propertiesMenu->addMenu(makeSpeedMenu(field, propertiesMenu));
    connect(propertiesMenu->addAction(QStringLiteral("&Patch Sizes...")), &QAction::triggered, controls.patchSizes,
            &QWidget::show);
    connect(infoMenu->addAction(QStringLiteral("Help..")), &QAction::triggered, controls.helpView, &QWidget::show);
    connect(infoMenu->addAction(QStringLiteral("About..")), &QAction::triggered, field, &PlottingArea::info);
}

// Tab goes through the rows left to right, top to bottom.
void Windowstruct::orderTabsByRows(const Controls& controls)
{
    const std::initializer_list<QWidget*> order = {
        controls.periodicBox, controls.timeSeriesBox, controls.startButton,
        controls.a2Box, controls.a0Box, controls.d0Box,
        controls.a3Box, controls.a4Box, controls.jumpBox, controls.longRangeBox,
        controls.updateButtons->button(0), controls.updateButtons->button(1), controls.updateButtons->button(2),
        controls.predatedLineButton, controls.youngCoverButton,
        controls.saveButton, controls.quitButton,
    };
    for (auto it = order.begin(); it + 1 != order.end(); ++it)
        setTabOrder(*it, *(it + 1));
    // The exclusive scheme boxes are one Tab stop, at the checked box; the
    // arrow keys move among them. Qt keeps this up as the focus moves.
    for (QAbstractButton* box : controls.updateButtons->buttons())
        box->setFocusPolicy(box->isChecked() ? Qt::StrongFocus : Qt::ClickFocus);
}

// Seven rows, the field in row 0; a fixed size that follows the field.
void Windowstruct::layOut(const Controls& controls)
{
    auto* central = new QWidget(this);
    auto* mainGrid = new QGridLayout(central);
    mainGrid->setContentsMargins(3, 3, 3, 3);
    mainGrid->setSpacing(3);
    QWidget* const rows[] = {controls.field,           controls.topGrid,     controls.paramsBox,
                             controls.longDistanceBox, controls.updateGroup, controls.lineGrid,
                             controls.fileGrid};
    for (int row = 0; row < 7; ++row)
        mainGrid->addWidget(rows[row], row, 0);
    mainGrid->setSizeConstraint(QLayout::SetFixedSize);
    setCentralWidget(central);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    setGeometry(300, 150, 512, 512);
}
