// SPDX-License-Identifier: GPL-3.0-or-later
// The main window: its frame around the field, its controls, menus and
// secondary windows, and how they reach the field.

#include "fieldtestsupport.h"
#include "helpview.h"
#include "scaledspinbox.h"
#include "sizewizard.h"
#include "windowstruct.h"
#include "zeitverlauf.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <algorithm>
#include <functional>

using namespace fieldtest;

namespace {

template <typename T = QWidget>
T* child(const QWidget& parent, const char* name)
{
    return parent.findChild<T*>(QString::fromLatin1(name));
}

// A button of the main window's own rows (the help viewer's Close button is
// also named "quit").
QPushButton* button(const QMainWindow& window, const char* name)
{
    return child<QPushButton>(*window.centralWidget(), name);
}

// The first widget of type T whose text is text.
template <typename T>
T* byText(const QWidget& window, const QString& text)
{
    for (T* candidate : window.findChildren<T*>())
        if (candidate->text() == text)
            return candidate;
    return nullptr;
}

PlottingArea* fieldOf(const Windowstruct& window)
{
    return window.findChild<PlottingArea*>();
}

// "Class objectName 'text' [x]", the parts a widget has; [x] marks a checked box.
QString describe(QWidget* widget)
{
    QStringList parts{QString::fromLatin1(widget->metaObject()->className())};
    if (dynamic_cast<ScaledSpinBox*>(widget))
        parts[0] = QStringLiteral("ScaledSpinBox");
    if (!widget->objectName().isEmpty())
        parts << widget->objectName();
    if (auto* label = qobject_cast<QLabel*>(widget))
        parts << "'" + label->text() + "'";
    if (auto* spinBox = qobject_cast<QSpinBox*>(widget))
        parts << "'" + spinBox->text() + "'";
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        parts << "'" + button->text() + "'";
        if (button->isChecked())
            parts << QStringLiteral("[x]");
    }
    return parts.join(u' ');
}

// The widgets of a container's layout: a grid cell by cell, row by row, left
// to right; any other layout in its order.
QList<QWidget*> widgetsOf(QWidget* container)
{
    QList<QWidget*> widgets;
    QLayout* layout = container->layout();
    if (auto* grid = qobject_cast<QGridLayout*>(layout)) {
        for (int row = 0; row < grid->rowCount(); ++row)
            for (int column = 0; column < grid->columnCount(); ++column)
                if (QLayoutItem* item = grid->itemAtPosition(row, column))
                    widgets << item->widget();
    } else {
        for (int i = 0; i < layout->count(); ++i)
            widgets << layout->itemAt(i)->widget();
    }
    return widgets;
}

QStringList contents(QWidget* container)
{
    QStringList described;
    for (QWidget* widget : widgetsOf(container))
        described << describe(widget);
    return described;
}

// The index-th widget of a container's layout, in the order of widgetsOf.
QWidget* nthWidget(QWidget* container, int index)
{
    return widgetsOf(container).value(index);
}

QAction* menuItem(const Windowstruct& window, const char* menuName, const QString& text)
{
    auto* menu = window.menuBar()->findChild<QMenu*>(QString::fromLatin1(menuName));
    if (!menu)
        return nullptr;
    const QList<QAction*> actions = menu->actions();
    const auto found = std::find_if(actions.begin(), actions.end(), [&](QAction* a) { return a->text() == text; });
    return found == actions.end() ? nullptr : *found;
}

// Runs the field for exactly `steps` steps, started by the Start button.
void runSteps(const Windowstruct& window, int steps)
{
    PlottingArea* field = fieldOf(window);
    int seen = 0;
    const auto stopper = QObject::connect(field, &PlottingArea::schrittzahlsenden, field, [&](int) {
        if (++seen == steps)
            field->run();
    });
    QTest::mouseClick(button(window, "start"), Qt::LeftButton);
    QObject::disconnect(stopper);
}

// Runs work on the modal window that is open at the next pass of the event
// loop, that is inside the exec() started right after. If that window is
// still open afterwards it is rejected, so a failed test cannot hang.
void whenModal(std::function<void(QWidget*)> work)
{
    QTimer::singleShot(0, [work] {
        QWidget* modal = QApplication::activeModalWidget();
        work(modal);
        if (auto* dialog = qobject_cast<QDialog*>(modal); dialog && dialog->isVisible())
            dialog->reject();
    });
}

// A fresh folder that is the working directory while this lives.
class TemporaryWorkingFolder
{
public:
    TemporaryWorkingFolder() : before(QDir::currentPath()) { entered = folder.isValid() && QDir::setCurrent(folder.path()); }
    ~TemporaryWorkingFolder() { QDir::setCurrent(before); }
    bool isValid() const { return entered; }
    QString filePath(const QString& name) const { return folder.filePath(name); }

private:
    QTemporaryDir folder;
    const QString before;
    bool entered = false;
};

// The seed the About box names.
QString aboutSeed(const Windowstruct& window)
{
    QString details;
    whenModal([&](QWidget* modal) {
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            details = box->informativeText();
            box->accept();
        }
    });
    menuItem(window, "1", QStringLiteral("About.."))->trigger();
    return QRegularExpression(QStringLiteral("seed of this start: (\\d+)")).match(details).captured(1);
}

// Runs tidmar-batch with the desktop's start values and the arguments.
bool runBatch(const QStringList& arguments, QByteArray* out = nullptr)
{
    QProcess batch;
    batch.start(QStringLiteral(TIDMAR_BATCH), arguments);
    if (!batch.waitForFinished(60000) || batch.exitCode() != 0)
        return false;
    if (out)
        *out = batch.readAllStandardOutput();
    return true;
}

int countOf(const MusselBed& bed, Cell state)
{
    const std::vector<Cell> cells = snapshot(bed, bed.current());
    return int(std::count(cells.begin(), cells.end(), state));
}

} // namespace

class TestWindowstruct : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();

    void frameHoldsTheDesktopField();
    void sizeIsFixedAndFollowsField();
    void startButtonStartsAndStops();

    void widgetTree();
    void menus();
    void startValuesReachTheFieldThroughTheControls();
    void arrowKeysStep_data();
    void arrowKeysStep();
    void checkBoxesSwitchTheField();
    void schemeBoxesSendTheirIdOnPress();
    void startPatternButtonsAndStepLabel();
    void savePicture_data();
    void savePicture();
    void timeSeriesFollowsItsBox();
    void sizeDialogRebuildsFieldThenWindow();
    void oversizedFieldIsRefusedInTheDialog();
    void helpAndAbout();
    void seedInTheAboutBoxRepeatsTheRunInBatch();
    void typingDuringRunWaitsForEnter();
    void steppedPictureMatchesBatch();
    void controlsStayPutAndTabGoesByRows();
    void largeFieldKeepsEveryControlOnScreen();

    // Last: once the application's event loop has been quit, later modal
    // loops return at once.
    void endingDuringRunExitsWithZero_data();
    void endingDuringRunExitsWithZero();
};

void TestWindowstruct::cleanup()
{
    // A quit leaves events behind that must not reach the next test's loop.
    QCoreApplication::processEvents();
}

void TestWindowstruct::frameHoldsTheDesktopField()
{
    Windowstruct window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QPushButton* start = button(window, "start");
    QVERIFY(start);
    QCOMPARE(start->text(), QStringLiteral(" &Start "));
    QVERIFY(button(window, "quit"));
    QCOMPARE(button(window, "quit")->text(), QStringLiteral(" &Quit "));

    PlottingArea* field = fieldOf(window);
    QVERIFY(field);
    QCOMPARE(field->size(), QSize(512, 512));
    QCOMPARE(field->cellPixels(), 2);
    const MusselBed& bed = field->bed();
    QCOMPARE(bed.cellsX, 256);
    QCOMPARE(bed.cellsY, 256);
    QVERIFY(snapshot(bed, bed.current()) == std::vector<Cell>(256 * 256, YoungMussel));
    QVERIFY(!field->isRunning());

    QTRY_VERIFY(field->mapTo(&window, QPoint(0, 0)).y() >= 3);
    QCOMPARE(window.geometry().topLeft(), QPoint(300, 150));
}

void TestWindowstruct::sizeIsFixedAndFollowsField()
{
    Windowstruct window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTRY_COMPARE(window.minimumSize(), window.maximumSize());
    QCOMPARE(window.size(), window.minimumSize());
    // The rows below take the height around the field; a field wider than
    // the controls sets the width, with the margins of 3 pixels.
    const QSize around = window.size() - QSize(512, 512);

    PlottingArea* field = fieldOf(window);
    field->changesize(300, 200, 3);
    window.changesize(300, 200, 3);
    QTRY_COMPARE(window.size(), QSize(900 + 6, 600 + around.height()));
    QCOMPARE(window.minimumSize(), window.maximumSize());
    QCOMPARE(field->size(), QSize(900, 600));
    QCOMPARE(window.geometry().topLeft(), QPoint(300, 150));
    QVERIFY(window.rect().contains(QRect(field->mapTo(&window, QPoint(0, 0)), field->size())));
}

void TestWindowstruct::startButtonStartsAndStops()
{
    Windowstruct window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    PlottingArea* field = fieldOf(window);
    QPushButton* start = button(window, "start");
    QStringList texts;
    QList<int> steps;
    connect(field, &PlottingArea::schrittzahlsenden, this, [&](int step) {
        steps << step;
        texts << start->text();
        if (step == 2)
            QTimer::singleShot(0, start, [start] { QTest::mouseClick(start, Qt::LeftButton); });
        if (step > 100)
            field->quitnow();
    });

    QTest::mouseClick(start, Qt::LeftButton);
    QCOMPARE(steps, QList<int>({1, 2}));
    QCOMPARE(texts.first(), QStringLiteral(" &Stop "));
    QCOMPARE(start->text(), QStringLiteral(" &Start "));
    QCOMPARE(child<QLabel>(window, "steps")->text(), QStringLiteral("2"));
}

void TestWindowstruct::endingDuringRunExitsWithZero_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("close the window") << "close";
    QTest::newRow("Quit button") << "quit";
    QTest::newRow("Quit menu item") << "menu";
}

// Closing the window, pressing Quit or choosing Quit during a run lets the
// run finish its pass and the event loop return 0.
void TestWindowstruct::endingDuringRunExitsWithZero()
{
    QFETCH(QString, how);
    Windowstruct window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    PlottingArea* field = fieldOf(window);
    QPushButton* quit = button(window, "quit");
    QAction* quitItem = menuItem(window, "0", QStringLiteral("&Quit"));
    QVERIFY(quitItem);
    QList<int> steps;
    bool runaway = false;
    connect(field, &PlottingArea::schrittzahlsenden, this, [&](int step) {
        steps << step;
        if (step == 2) {
            if (how == "close")
                QTimer::singleShot(0, &window, &QWidget::close);
            else if (how == "quit")
                QTimer::singleShot(0, quit, [quit] { QTest::mouseClick(quit, Qt::LeftButton); });
            else
                QTimer::singleShot(0, quitItem, &QAction::trigger);
        }
        if (step > 100 && !runaway) {
            runaway = true;
            field->quitnow();
        }
    });
    QTimer::singleShot(0, button(window, "start"), &QPushButton::click);

    QCOMPARE(QCoreApplication::exec(), 0);
    QVERIFY(!runaway);
    QCOMPARE(steps, QList<int>({1, 2}));
    QVERIFY(!field->isRunning());
    if (how == "close")
        QVERIFY(!window.isVisible());
}

// The window's rows, each container described in its layout's order: grids
// cell by cell, rows left to right.
void TestWindowstruct::widgetTree()
{
    Windowstruct window;
    QWidget* topGrid = button(window, "start")->parentWidget();
    QCOMPARE(contents(topGrid), QStringList({"QWidget", "QPushButton start ' &Start '", "QWidget"}));
    QCOMPARE(contents(nthWidget(topGrid, 0)),
             QStringList({"QCheckBox 'Periodic B. C.' [x]", "QCheckBox zeit 'Show time series ?  '"}));
    QCOMPARE(contents(nthWidget(topGrid, 2)),
             QStringList({"QLabel empty ''", "QLabel ' Step No. : '", "QLabel steps ' 0 '"}));

    auto* updateGroup = child<QGroupBox>(window, "updatemethode");
    QVERIFY(updateGroup->title().isEmpty());
    QCOMPARE(contents(updateGroup), QStringList({"QLabel 'Updating : '", "QCheckBox 'Sync. '",
                                                 "QCheckBox 'Async. UC ' [x]", "QCheckBox 'Async. NRS '"}));
    auto* group = updateGroup->findChild<QButtonGroup*>();
    QVERIFY(group->exclusive());
    QCOMPARE(group->buttons().size(), 3);
    for (int id = 0; id < 3; ++id)
        QCOMPARE(group->button(id), updateGroup->layout()->itemAt(id + 1)->widget());

    auto* params = child<QGroupBox>(window, "params");
    QCOMPARE(params->title(), QStringLiteral("  A2 : recolon. , A0 : distrib. prob.,  D0:  ocean forcing"));
    QCOMPARE(contents(params), QStringList({"ScaledSpinBox recolonization 'A2 =   0.300'",
                                            "ScaledSpinBox neighbourcoupling 'A0 =   0.750'",
                                            "ScaledSpinBox oceanforcing 'D0 =   0.000'"}));
    auto* params2 = child<QGroupBox>(window, "params2");
    QCOMPARE(params2->title(),
             QStringLiteral(" Long distance A3 : maturing prob. , A4 : predation prob.,  jumping range "));
    QCOMPARE(contents(params2),
             QStringList({"ScaledSpinBox maturing 'A3 =   0.100'", "ScaledSpinBox predation 'A4 =   0.750'",
                          "QSpinBox jumping '10'", "QCheckBox 'Long range displacement' [x]"}));
    for (QSpinBox* box : window.centralWidget()->findChildren<QSpinBox*>())
        QCOMPARE(box->maximum(), box->objectName() == "jumping" ? 100 : 1000);

    auto* steps = child<QLabel>(window, "steps");
    QCOMPARE(steps->alignment(), Qt::AlignHCenter);
    QCOMPARE(steps->font().family(), QStringLiteral("Helvetica"));
    QCOMPARE(steps->font().pointSize(), 12);
    QCOMPARE(steps->font().weight(), QFont::Light);
    QVERIFY(!steps->font().italic());
    QCOMPARE(byText<QLabel>(window, QStringLiteral(" Step No. : "))->alignment(), Qt::AlignLeft | Qt::AlignRight);

    // The seven rows, the field on top.
    const QStringList rows = contents(window.centralWidget());
    QCOMPARE(rows.size(), 7);
    QCOMPARE(rows[0], QStringLiteral("PlottingArea"));
    QCOMPARE(rows[1], QStringLiteral("QWidget"));
    QCOMPARE(contents(nthWidget(window.centralWidget(), 1)), contents(topGrid));
    QCOMPARE(rows.mid(2, 3), QStringList({"QGroupBox params", "QGroupBox params2", "QGroupBox updatemethode"}));
    QCOMPARE(contents(nthWidget(window.centralWidget(), 5)),
             QStringList({"QPushButton neu ' &Predated Line '", "QPushButton neu ' &Global young mussel cover '"}));
    QCOMPARE(contents(nthWidget(window.centralWidget(), 6)),
             QStringList({"QPushButton speichern ' Save Image '", "QPushButton quit ' &Quit '"}));
    QCOMPARE(window.centralWidget()->layout()->contentsMargins(), QMargins(3, 3, 3, 3));

    // Every grid has its number of columns (and the rows its children need).
    const struct {
        QWidget* grid;
        QSize columnsByRows;
    } shapes[] = {
        {topGrid, {3, 1}},
        {nthWidget(topGrid, 0), {2, 1}},
        {nthWidget(topGrid, 2), {3, 1}},
        {nthWidget(window.centralWidget(), 5), {2, 1}},
        {nthWidget(window.centralWidget(), 6), {2, 1}},
        {window.centralWidget(), {1, 7}},
    };
    for (const auto& shape : shapes) {
        auto* grid = qobject_cast<QGridLayout*>(shape.grid->layout());
        QCOMPARE(QSize(grid->columnCount(), grid->rowCount()), shape.columnsByRows);
    }

    // The secondary windows belong to the main window and start hidden.
    const QList<QWidget*> secondary{window.findChild<Zeitverlauf*>(), window.findChild<SizeWizard*>(),
                                    window.findChild<Helpview*>()};
    for (QWidget* other : secondary) {
        QVERIFY(other);
        QCOMPARE(other->parent(), &window);
        QVERIFY(other->isHidden());
    }
}

void TestWindowstruct::menus()
{
    Windowstruct window;
    QMenuBar* bar = window.menuBar();
    QCOMPARE(bar->objectName(), QStringLiteral("Menü"));

    const struct {
        const char* title;
        const char* name;
        QStringList items;
    } expected[] = {
        {"&Program", "0", {"&Save Picture", "Save Picture &As...", "", "S&tep", "", "&Quit"}},
        {"P&roperties", "2", {"Field Dimensions..", "&Speed", "&Patch Sizes..."}},
        {"&Info", "1", {"Help..", "About.."}},
    };
    const QList<QAction*> entries = bar->actions();
    QCOMPARE(entries.size(), 3);
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(entries[i]->text(), QString::fromUtf8(expected[i].title));
        QMenu* menu = entries[i]->menu();
        QVERIFY(menu);
        QCOMPARE(menu->objectName(), QString::fromLatin1(expected[i].name));
        QCOMPARE(menu->parent(), bar);
        QStringList items;
        for (QAction* item : menu->actions()) {
            QCOMPARE(item->isSeparator(), item->text().isEmpty());
            QVERIFY(item->shortcut().isEmpty());
            items << item->text();
        }
        QCOMPARE(items, expected[i].items);
    }
}

// The start values arrive through the connections; the controls show them
// (widgetTree) and the field holds them.
void TestWindowstruct::startValuesReachTheFieldThroughTheControls()
{
    Windowstruct window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    PlottingArea* field = fieldOf(window);
    const MusselBed& bed = field->bed();

    QCOMPARE(bed.recolonization, 0.3);
    QCOMPARE(bed.neighbourCoupling, 0.75);
    QCOMPARE(bed.oceanForcing, 0.0);
    QCOMPARE(bed.maturing, 0.1);
    QCOMPARE(bed.predation, 0.75);
    QCOMPARE(bed.jumpDistance, 10);
    QVERIFY(bed.longRange);
    QVERIFY(bed.periodic);
    QCOMPARE(bed.updateMethod, int(MusselBed::AsyncUCMethod));
    QVERIFY(child<QSpinBox>(window, "jumping")->isEnabled());

    // Statistics are off: a run sends step numbers only.
    QSignalSpy stats(field, &PlottingArea::statistiksenden);
    runSteps(window, 2);
    QCOMPARE(stats.count(), 0);
    QVERIFY(window.findChild<Zeitverlauf*>()->isHidden());
}

void TestWindowstruct::arrowKeysStep_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<int>("step");
    QTest::newRow("A2 by 10") << QByteArray("recolonization") << 10;
    QTest::newRow("A0 by 10") << QByteArray("neighbourcoupling") << 10;
    QTest::newRow("D0 by 2") << QByteArray("oceanforcing") << 2;
    QTest::newRow("A3 by 1") << QByteArray("maturing") << 1;
    QTest::newRow("A4 by 1") << QByteArray("predation") << 1;
    QTest::newRow("jump by 1") << QByteArray("jumping") << 1;
}

// Each box moves by its step and the field follows at once, in thousandths
// for the probabilities and unscaled for the jump.
void TestWindowstruct::arrowKeysStep()
{
    QFETCH(QByteArray, name);
    QFETCH(int, step);
    Windowstruct window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const MusselBed& bed = fieldOf(window)->bed();
    auto held = [&] {
        if (name == "jumping")
            return bed.jumpDistance;
        const double value = name == "recolonization"      ? bed.recolonization
                             : name == "neighbourcoupling" ? bed.neighbourCoupling
                             : name == "oceanforcing"      ? bed.oceanForcing
                             : name == "maturing"          ? bed.maturing
                                                           : bed.predation;
        return qRound(value * 1000);
    };
    auto* box = child<QSpinBox>(window, name.constData());
    const int start = box->value();
    QCOMPARE(held(), start);

    QTest::keyClick(box, Qt::Key_Up);
    QTest::keyClick(box, Qt::Key_Up);
    QCOMPARE(box->value(), start + 2 * step);
    QCOMPARE(held(), start + 2 * step);
    QTest::keyClick(box, Qt::Key_Down);
    QCOMPARE(box->value(), start + step);
    QCOMPARE(held(), start + step);
}

void TestWindowstruct::checkBoxesSwitchTheField()
{
    Windowstruct window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    MusselBed& bed = fieldOf(window)->bed();
    auto* longRange = byText<QCheckBox>(window, QStringLiteral("Long range displacement"));
    auto* jump = child<QSpinBox>(window, "jumping");

    // The jump range is not sent again when long range comes back on.
    bed.jumpDistance = 42;
    QTest::mouseClick(longRange, Qt::LeftButton);
    QVERIFY(!bed.longRange);
    QVERIFY(!jump->isEnabled());
    QCOMPARE(jump->value(), 10);
    QCOMPARE(bed.jumpDistance, 42);
    QTest::mouseClick(longRange, Qt::LeftButton);
    QVERIFY(bed.longRange);
    QVERIFY(jump->isEnabled());
    QCOMPARE(bed.jumpDistance, 42);

    auto* periodic = byText<QCheckBox>(window, QStringLiteral("Periodic B. C."));
    QTest::mouseClick(periodic, Qt::LeftButton);
    QVERIFY(!bed.periodic);
    QTest::mouseClick(periodic, Qt::LeftButton);
    QVERIFY(bed.periodic);
}

// The boxes act like radio buttons; every press, also of the box already
// checked, sends its id before the button is released.
void TestWindowstruct::schemeBoxesSendTheirIdOnPress()
{
    Windowstruct window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    MusselBed& bed = fieldOf(window)->bed();
    auto* sync = byText<QCheckBox>(window, QStringLiteral("Sync. "));
    auto* asyncUc = byText<QCheckBox>(window, QStringLiteral("Async. UC "));
    auto* asyncNrs = byText<QCheckBox>(window, QStringLiteral("Async. NRS "));

    QTest::mousePress(sync, Qt::LeftButton);
    QCOMPARE(bed.updateMethod, 0);
    QTest::mouseRelease(sync, Qt::LeftButton);
    QVERIFY(sync->isChecked());
    QVERIFY(!asyncUc->isChecked());

    QTest::keyPress(asyncNrs, Qt::Key_Space);
    QCOMPARE(bed.updateMethod, 2);
    QTest::keyRelease(asyncNrs, Qt::Key_Space);
    QVERIFY(asyncNrs->isChecked());
    QVERIFY(!sync->isChecked());

    bed.updateMethod = 1;
    QTest::mouseClick(asyncNrs, Qt::LeftButton);
    QCOMPARE(bed.updateMethod, 2);
    QVERIFY(asyncNrs->isChecked());
}

// " 0 " with its blanks until the field first sends a step number; then the
// bare number, also for a reset.
void TestWindowstruct::startPatternButtonsAndStepLabel()
{
    Windowstruct window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const MusselBed& bed = fieldOf(window)->bed();
    auto* steps = child<QLabel>(window, "steps");
    const QList<QPushButton*> lineButtons = window.findChildren<QPushButton*>("neu");
    QCOMPARE(steps->text(), QStringLiteral(" 0 "));

    runSteps(window, 2);
    QCOMPARE(steps->text(), QStringLiteral("2"));

    QTest::mouseClick(lineButtons[0], Qt::LeftButton);
    QCOMPARE(steps->text(), QStringLiteral("0"));
    QCOMPARE(countOf(bed, PredatorOnYoung), 256);
    QCOMPARE(countOf(bed, YoungMussel), 255 * 256);

    QTest::mouseClick(lineButtons[1], Qt::LeftButton);
    QCOMPARE(countOf(bed, YoungMussel), 256 * 256);
}

void TestWindowstruct::savePicture_data()
{
    QTest::addColumn<bool>("byMenu");
    QTest::newRow("Save Image button") << false;
    QTest::newRow("Save Picture menu item") << true;
}

void TestWindowstruct::savePicture()
{
    QFETCH(bool, byMenu);
    TemporaryWorkingFolder folder;
    QVERIFY(folder.isValid());

    Windowstruct window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    StreamCapture out(std::cout);
    if (byMenu)
        menuItem(window, "0", QStringLiteral("&Save Picture"))->trigger();
    else
        QTest::mouseClick(button(window, "speichern"), Qt::LeftButton);
    fieldOf(window)->repaint();
    QVERIFY(QFile::exists(folder.filePath(QStringLiteral("tidmar0.jpg"))));
}

void TestWindowstruct::timeSeriesFollowsItsBox()
{
    Windowstruct window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    PlottingArea* field = fieldOf(window);
    auto* zeit = child<QCheckBox>(window, "zeit");
    auto* series = window.findChild<Zeitverlauf*>();
    QSignalSpy stats(field, &PlottingArea::statistiksenden);

    QTest::mouseClick(zeit, Qt::LeftButton);
    QVERIFY(series->isVisible());
    runSteps(window, 3);
    QCOMPARE(stats.count(), 3);
    QCOMPARE(series->currentPosition(), 3);
    QCOMPARE(series->samples()[3][3], stats.last()[3].toDouble());

    // Closing the window with its close box unticks the box, which stops the
    // statistics; steps are still recorded. One click shows it again.
    series->close();
    QVERIFY(!series->isVisible());
    QVERIFY(!zeit->isChecked());
    runSteps(window, 2);
    QCOMPARE(stats.count(), 3);
    QCOMPARE(series->currentPosition(), 5);
    QTest::mouseClick(zeit, Qt::LeftButton);
    QVERIFY(series->isVisible());
    runSteps(window, 1);
    QCOMPARE(stats.count(), 4);

    // Escape hides it as the close box does; unticking the box hides it too.
    QTest::keyClick(series, Qt::Key_Escape);
    QVERIFY(!series->isVisible());
    QVERIFY(!zeit->isChecked());
    QTest::mouseClick(zeit, Qt::LeftButton);
    QTest::mouseClick(zeit, Qt::LeftButton);
    QVERIFY(!series->isVisible());
    QVERIFY(!zeit->isChecked());
}

// OK reaches the field first, which rebuilds itself, and then the window,
// which refits around it.
void TestWindowstruct::sizeDialogRebuildsFieldThenWindow()
{
    Windowstruct window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTRY_COMPARE(window.minimumSize(), window.maximumSize());
    const QSize startSize = window.size();
    const QSize around = startSize - QSize(512, 512);
    PlottingArea* field = fieldOf(window);
    MusselBed& bed = field->bed();
    QAction* dimensions = menuItem(window, "2", QStringLiteral("Field Dimensions.."));
    QVERIFY(dimensions);

    // Unchanged, OK rebuilds the field at its start-up size.
    bed.latticeA[5][5] = Empty;
    bed.latticeB[5][5] = Empty;
    bool sawDialog = false;
    whenModal([&](QWidget* modal) {
        auto* wizard = qobject_cast<SizeWizard*>(modal);
        sawDialog = wizard != nullptr;
        if (wizard)
            QTest::mouseClick(byText<QPushButton>(*wizard, QStringLiteral(" &OK")), Qt::LeftButton);
    });
    dimensions->trigger();
    QVERIFY(sawDialog);
    QCOMPARE(countOf(bed, YoungMussel), 256 * 256);
    QCOMPARE(child<QLabel>(window, "steps")->text(), QStringLiteral("0"));

    // The window, moved away, has not yet been put back when the field is
    // rebuilt.
    window.move(20, 30);
    QTRY_COMPARE(window.pos(), QPoint(20, 30));
    QRect windowWhenFieldRebuilt;
    connect(field, &PlottingArea::schrittzahlsenden, this, [&](int step) {
        if (step == 0 && bed.cellsX == 300)
            windowWhenFieldRebuilt = QRect(window.pos(), window.size());
    });
    whenModal([&](QWidget* modal) {
        auto* wizard = qobject_cast<SizeWizard*>(modal);
        if (!wizard)
            return;
        child<QSpinBox>(*wizard, "XBox")->setValue(300);
        child<QSpinBox>(*wizard, "Ybox")->setValue(200);
        child<QSpinBox>(*wizard, "ZellBox")->setValue(3);
        QTest::mouseClick(byText<QPushButton>(*wizard, QStringLiteral(" &OK")), Qt::LeftButton);
    });
    dimensions->trigger();
    QCOMPARE(windowWhenFieldRebuilt.size(), startSize);
    QCOMPARE(windowWhenFieldRebuilt.topLeft(), QPoint(20, 30));
    QCOMPARE(bed.cellsX, 300);
    QCOMPARE(bed.cellsY, 200);
    QCOMPARE(field->size(), QSize(900, 600));
    QTRY_COMPARE(window.size(), QSize(900 + 6, 600 + around.height()));
    QCOMPARE(window.geometry().topLeft(), QPoint(300, 150));
}

void TestWindowstruct::oversizedFieldIsRefusedInTheDialog()
{
    Windowstruct window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTRY_COMPARE(window.minimumSize(), window.maximumSize());
    const QSize startSize = window.size();
    PlottingArea* field = fieldOf(window);
    QSignalSpy resets(field, &PlottingArea::schrittzahlsenden);

    QString warning;
    bool stayedOpen = false;
    whenModal([&](QWidget* modal) {
        auto* wizard = qobject_cast<SizeWizard*>(modal);
        if (!wizard)
            return;
        child<QSpinBox>(*wizard, "XBox")->setValue(1000);
        child<QSpinBox>(*wizard, "Ybox")->setValue(1000);
        child<QSpinBox>(*wizard, "ZellBox")->setValue(50);
        whenModal([&](QWidget* box) {
            if (auto* message = qobject_cast<QMessageBox*>(box)) {
                warning = message->text();
                message->accept();
            }
        });
        QTest::mouseClick(byText<QPushButton>(*wizard, QStringLiteral(" &OK")), Qt::LeftButton);
        stayedOpen = wizard->isVisible();
        QTest::mouseClick(byText<QPushButton>(*wizard, QStringLiteral(" &Cancel")), Qt::LeftButton);
    });
    menuItem(window, "2", QStringLiteral("Field Dimensions.."))->trigger();

    QVERIFY(stayedOpen);
    QVERIFY2(warning.contains(QString::number(PlottingArea::MaxPixelEdge)), qPrintable(warning));
    QCOMPARE(resets.count(), 0);
    QCOMPARE(field->bed().cellsX, 256);
    QCOMPARE(field->size(), QSize(512, 512));
    QCOMPARE(child<QLabel>(window, "steps")->text(), QStringLiteral(" 0 "));
    QCoreApplication::processEvents();
    QCOMPARE(window.size(), startSize);
}

void TestWindowstruct::helpAndAbout()
{
    Windowstruct window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    menuItem(window, "1", QStringLiteral("Help.."))->trigger();
    auto* help = window.findChild<Helpview*>();
    QVERIFY(help->isVisible());
    QVERIFY(!help->isModal());

    QString title;
    whenModal([&](QWidget* modal) {
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            title = box->windowTitle();
            box->accept();
        }
    });
    menuItem(window, "1", QStringLiteral("About.."))->trigger();
    QCOMPARE(title, QStringLiteral("Mussel Disturbance Model"));
}

// The About box names the seed; tidmar-batch with it and the same settings
// computes the very field a desktop run of as many steps reached.
void TestWindowstruct::seedInTheAboutBoxRepeatsTheRunInBatch()
{
    Windowstruct window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QString seed = aboutSeed(window);
    QVERIFY(!seed.isEmpty());

    QTest::mouseClick(window.findChildren<QPushButton*>("neu")[0], Qt::LeftButton);
    runSteps(window, 40);
    const auto counts = fieldOf(window)->bed().counts();
    QStringList desktop{QStringLiteral("40")};
    for (long count : counts)
        desktop << QString::number(count);

    QByteArray out;
    QVERIFY(runBatch({"--seed", seed, "--pattern", "line", "--steps", "40", "--counts", "-", "--quiet"}, &out));
    const QStringList rows = QString::fromUtf8(out).trimmed().split(u'\n');
    QCOMPARE(rows.last(), desktop.join(u','));
}

// During a run, a value typed into a probability box changes nothing until
// Enter; text that is no probability turns back with a note in the status bar.
void TestWindowstruct::typingDuringRunWaitsForEnter()
{
    Windowstruct window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    PlottingArea* field = fieldOf(window);
    const MusselBed& bed = field->bed();
    auto* a4 = child<ScaledSpinBox>(window, "predation");
    QLineEdit* edit = a4->findChild<QLineEdit*>();
    QList<double> predation;  // A4 as each step left it
    QString typed;
    connect(field, &PlottingArea::schrittzahlsenden, this, [&](int step) {
        predation << bed.predation;
        if (step == 2) {
            edit->selectAll();
            QTest::keyClicks(a4, QStringLiteral("250"));
        }
        if (step == 4)
            typed = edit->text();
        if (step == 5)
            QTest::keyClick(a4, Qt::Key_Enter);
        if (step == 7)
            field->run();
    });
    QTest::mouseClick(button(window, "start"), Qt::LeftButton);
    QCOMPARE(typed, QStringLiteral("250"));
    QCOMPARE(predation, QList<double>({0.75, 0.75, 0.75, 0.75, 0.75, 0.25, 0.25}));
    QCOMPARE(a4->text(), QStringLiteral("A4 =   0.250"));

    edit->selectAll();
    QTest::keyClicks(a4, QStringLiteral("1.5"));
    QCOMPARE(edit->text(), QStringLiteral("1.5"));
    QTest::keyClick(a4, Qt::Key_Enter);
    QCOMPARE(bed.predation, 0.25);
    QCOMPARE(a4->text(), QStringLiteral("A4 =   0.250"));
    const QString note = window.statusBar()->currentMessage();
    QVERIFY2(note.startsWith(QStringLiteral("A4: ")) && note.contains(QStringLiteral("A4 stays 0.250")),
             qPrintable(note));
}

// Step makes one step while stopped and is off during a run. Save Image while
// stopped writes at once the field of the step its name carries, as
// tidmar-batch computes it from the About box's seed, and says where in the
// status bar.
void TestWindowstruct::steppedPictureMatchesBatch()
{
    TemporaryWorkingFolder folder;
    QVERIFY(folder.isValid());

    Windowstruct window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    PlottingArea* field = fieldOf(window);
    const QString seed = aboutSeed(window);
    QTest::mouseClick(window.findChildren<QPushButton*>("neu")[0], Qt::LeftButton);
    QAction* step = menuItem(window, "0", QStringLiteral("S&tep"));
    QVERIFY(step);
    step->trigger();
    step->trigger();
    QCOMPARE(field->bed().step, 2);
    QCOMPARE(child<QLabel>(window, "steps")->text(), QStringLiteral("2"));

    bool offDuringRun = false;
    const auto watch = connect(field, &PlottingArea::schrittzahlsenden, this, [&](int) {
        offDuringRun = !step->isEnabled();
        step->trigger();
    });
    runSteps(window, 3);
    disconnect(watch);
    QVERIFY(offDuringRun);
    QVERIFY(step->isEnabled());
    QCOMPARE(field->bed().step, 5);

    StreamCapture out(std::cout);
    QTest::mouseClick(button(window, "speichern"), Qt::LeftButton);
    const QString picturePath = folder.filePath(QStringLiteral("tidmar5.jpg"));
    QVERIFY(QFile::exists(picturePath));
    QCOMPARE(out.text(), QStringLiteral(" Bild gespeichert \n"));
    QVERIFY2(window.statusBar()->currentMessage().contains(QDir::toNativeSeparators(picturePath)),
             qPrintable(window.statusBar()->currentMessage()));

    QVERIFY(runBatch({"--seed", seed, "--pattern", "line", "--steps", "5", "--picture", "batch.png", "--cell-size",
                      "2", "--quiet"}));
    const std::vector<Cell> desktop = statesInPicture(QImage(picturePath), 256, 256, 2);
    QCOMPARE(std::count(desktop.begin(), desktop.end(), RedrawMark), 0);
    QVERIFY(desktop == statesInPicture(QImage(folder.filePath(QStringLiteral("batch.png"))), 256, 256, 2));
    QVERIFY(desktop == snapshot(field->bed(), field->bed().current()));
}

// The top row keeps its geometry while the counter grows to ten digits and
// the button turns to Stop, even when the controls set the window's width;
// Tab walks the controls row by row.
void TestWindowstruct::controlsStayPutAndTabGoesByRows()
{
    Windowstruct window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    fieldOf(window)->changesize(1, 1, 1);
    window.changesize(1, 1, 1);
    QTRY_COMPARE(window.size(), window.minimumSize());
    QCoreApplication::processEvents();
    const QSize size = window.size();
    auto* steps = child<QLabel>(window, "steps");
    QWidget* topRow = steps->parentWidget()->parentWidget();
    QList<QRect> placed;
    for (QWidget* widget : topRow->findChildren<QWidget*>())
        placed << widget->geometry();

    button(window, "start")->setText(QStringLiteral(" &Stop "));
    steps->setNum(2147483647);
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    QCOMPARE(window.size(), size);
    QList<QRect> after;
    for (QWidget* widget : topRow->findChildren<QWidget*>())
        after << widget->geometry();
    QCOMPARE(after, placed);

    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    byText<QCheckBox>(window, QStringLiteral("Periodic B. C."))->setFocus();
    QStringList order;
    for (int i = 0; i < 16; ++i) {
        QWidget* focus = QApplication::focusWidget();
        if (qobject_cast<QLineEdit*>(focus))
            focus = focus->parentWidget();
        order << (focus->objectName().isEmpty() ? focus->property("text").toString() : focus->objectName());
        QTest::keyClick(focus, Qt::Key_Tab);
    }
    // The exclusive scheme boxes are one stop; the arrow keys move among them.
    QCOMPARE(order, QStringList({"Periodic B. C.", "zeit", "start", "recolonization", "neighbourcoupling",
                                 "oceanforcing", "maturing", "predation", "jumping", "Long range displacement",
                                 "Async. UC ", "neu", "neu", "speichern", "quit", "Periodic B. C."}));
}

// Whatever the field's size, the whole window with every control lies inside
// the screen's available area. A field too large for it is shown in a scroll
// area at its own pixel size, and painting and mouse editing work scrolled.
void TestWindowstruct::largeFieldKeepsEveryControlOnScreen()
{
    Windowstruct window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    PlottingArea* field = fieldOf(window);
    const QRect available = window.screen()->availableGeometry();
    auto scroller = [&]() -> QScrollArea* {
        auto* area = window.centralWidget()->findChild<QScrollArea*>();
        return area && area->isVisible() ? area : nullptr;
    };
    // The window has taken the fixed size its layout asks for.
    auto settled = [&] {
        return window.size() == window.minimumSize() && window.minimumSize() == window.maximumSize()
               && window.rect().contains(window.centralWidget()->geometry());
    };
    auto allOnScreen = [&] {
        if (!available.contains(window.frameGeometry())) {
            qWarning() << "window" << window.frameGeometry() << "outside" << available;
            return false;
        }
        const QList<QWidget*> controls = window.centralWidget()->findChildren<QWidget*>();
        return std::all_of(controls.begin(), controls.end(), [&](QWidget* control) {
            const QRect place(control->mapToGlobal(QPoint(0, 0)), control->size());
            const bool inside = control == field || !control->isVisible() || available.contains(place);
            if (!inside)
                qWarning() << control << place << "outside" << available;
            return inside;
        });
    };
    QTRY_VERIFY(settled());
    QVERIFY(allOnScreen());
    if (!scroller())
        QCOMPARE(field->parentWidget(), window.centralWidget());

    field->changesize(1000, 1000, 1);
    window.changesize(1000, 1000, 1);
    QTRY_VERIFY(settled());
    QCoreApplication::processEvents();
    QVERIFY(allOnScreen());
    QCOMPARE(field->size(), QSize(1000, 1000));
    // Six rows of controls and a menu bar take more than 200 pixels.
    const bool mustScroll = available.height() <= 1000 + 200;
    QCOMPARE(scroller() != nullptr, mustScroll);
    if (!mustScroll) {
        QCOMPARE(window.geometry().topLeft(), QPoint(300, 150));
        return;
    }
    QScrollArea* area = scroller();
    QCOMPARE(area->widget(), field);
    QVERIFY(area->verticalScrollBar()->maximum() > 0);

    // Scrolled to the far corner, a click there paints the cell and the
    // screen shows it.
    area->horizontalScrollBar()->setValue(area->horizontalScrollBar()->maximum());
    area->verticalScrollBar()->setValue(area->verticalScrollBar()->maximum());
    const QPoint corner(995, 995);
    const QPoint inView = field->mapTo(area->viewport(), corner);
    QVERIFY(area->viewport()->rect().contains(inView));
    QTest::mouseClick(area->viewport()->childAt(inView), Qt::LeftButton, Qt::NoModifier, corner);
    QCOMPARE(field->bed().cell(995, 995), PredatorOnYoung);
    field->repaint();
    const QImage shown = area->viewport()->grab().toImage();
    const qreal ratio = shown.devicePixelRatio();
    QCOMPARE(shown.pixelColor((QPointF(inView) * ratio).toPoint()),
             field->canvasImage().pixelColor(corner));

    // Back to a small field: no scrolling, the window as before.
    field->changesize(256, 256, 2);
    window.changesize(256, 256, 2);
    QTRY_VERIFY(settled());
    QVERIFY(allOnScreen());
}

QTEST_MAIN(TestWindowstruct)
#include "tst_windowstruct.moc"
