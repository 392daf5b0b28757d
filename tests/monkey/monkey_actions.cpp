// SPDX-License-Identifier: GPL-3.0-or-later
// The actions on the main window: Start/Stop, the spin boxes, the check
// boxes, the update-scheme boxes, the start patterns, saving, the mouse on
// the field, the menu items and a few things a user does by mistake.

#include "monkey.h"

#include "helpview.h"
#include "plottingarea.h"
#include "sizewizard.h"
#include "windowstruct.h"
#include "zeitverlauf.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QSpinBox>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionSpinBox>
#include <QWheelEvent>
#include <QtTest/qtestspontaneevent.h>

#include <algorithm>
#include <functional>
#include <utility>

namespace {

// Where a click surely toggles a check box: the middle of its indicator.
QPoint indicatorOf(QAbstractButton* box)
{
    QStyleOptionButton option;
    option.initFrom(box);
    const QRect square = box->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, box);
    return square.isValid() ? square.center() : box->rect().center();
}

// The up or down arrow of a spin box.
QRect arrowOf(QSpinBox* box, bool up)
{
    QStyleOptionSpinBox option;
    option.initFrom(box);
    option.subControls =
        QStyle::SC_SpinBoxUp | QStyle::SC_SpinBoxDown | QStyle::SC_SpinBoxFrame | QStyle::SC_SpinBoxEditField;
    option.buttonSymbols = box->buttonSymbols();
    option.frame = box->hasFrame();
    option.stepEnabled = QAbstractSpinBox::StepUpEnabled | QAbstractSpinBox::StepDownEnabled;
    return box->style()->subControlRect(QStyle::CC_SpinBox, &option, up ? QStyle::SC_SpinBoxUp : QStyle::SC_SpinBoxDown,
                                        box);
}

void turnWheel(QWidget* widget, int delta, Qt::KeyboardModifiers modifiers)
{
    const QPointF centre = QRectF(widget->rect()).center();
    QWheelEvent wheel(centre, widget->mapToGlobal(centre), QPoint(), QPoint(0, delta), Qt::NoButton, modifiers,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(widget, &wheel);
}

QString describePoint(QPoint at)
{
    return QStringLiteral("(%1, %2)").arg(at.x()).arg(at.y());
}

}  // namespace

void Monkey::click(QAbstractButton* button, bool byKey)
{
    if (byKey) {
        QTest::keyClick(button, Qt::Key_Space);
        return;
    }
    const QPoint at = qobject_cast<QCheckBox*>(button) ? indicatorOf(button) : QPoint();
    QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, at);
}

// Keys for printable ASCII, bare text events for everything else (QTest's
// keyClicks passes only Latin-1).
void Monkey::typeText(QWidget* widget, const QString& text)
{
    for (const QChar c : text) {
        if (c.unicode() >= 0x20 && c.unicode() < 0x7f)
            QTest::keyClick(widget, char(c.unicode()));
        else
            QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

// ---------------------------------------------------------------- Start/Stop

void Monkey::startStopAction()
{
    pressStartStop(dice.percent(20));
}

void Monkey::pressStartStop(bool byKey)
{
    const bool wasRunning = field->isRunning();
    log(QStringLiteral("%1 by %2")
            .arg(wasRunning ? QStringLiteral("Stop") : QStringLiteral("Start"),
                 byKey ? QStringLiteral("space key") : QStringLiteral("mouse")));
    if (inLoop) {
        click(startButton, byKey);
        expectRunning = !wasRunning;
        require(field->isRunning() == expectRunning,
                QStringLiteral("Start/Stop inside the run loop did not toggle the run"));
        return;
    }
    // From rest the run loop runs inside this click; the next actions arrive
    // from inside it, and the click returns when a Stop, a reset, a new field
    // size or Quit has ended the run.
    require(!wasRunning, QStringLiteral("the run is on with no run loop on the stack"));
    inLoop = true;
    expectRunning = true;
    ++runsStarted;
    const long stepsBefore = stepsTaken;
    if (dice.percent(4)) {
        // A long run, through a page or two of the time series; shorter on
        // larger fields.
        const long cells = long{field->bed().cellsX} * field->bed().cellsY;
        const int most = int(std::clamp(20000000L / cells, 100L, 1500L));
        calmUntil = field->bed().step + dice.between(100, most);
        log(QStringLiteral("a long run to step %1").arg(calmUntil));
    }
    // The first step, too, leaves the field as it is now in the previous lattice.
    notePassing(true);
    click(startButton, byKey);
    inLoop = false;
    calmUntil = 0;
    longestRun = std::max(longestRun, stepsTaken - stepsBefore);
    require(!field->isRunning(), QStringLiteral("the run loop returned with the run still on"));
    require(stepsTaken > stepsBefore, QStringLiteral("a run ended without a single step"));
    expectRunning = false;
    log(QStringLiteral("the run loop has returned after %1 steps").arg(stepsTaken - stepsBefore));
}

// ---------------------------------------------------------------- spin boxes

QString Monkey::spinText(const SpinBox& spin)
{
    if (dice.percent(20)) {
        // A run of digits, now and then with a point somewhere.
        QString digits;
        const int length = dice.between(1, 25);
        for (int i = 0; i < length; ++i)
            digits += QChar(u'0' + dice.below(10));
        if (dice.percent(40))
            digits.insert(dice.below(int(digits.size()) + 1), u'.');
        return digits;
    }
    if (dice.percent(10)) {
        QString noise;
        const int length = dice.between(1, 6);
        for (int i = 0; i < length; ++i)
            noise += QChar(char16_t(dice.between(0x21, 0x7e)));
        return noise;
    }
    if (!spin.thousandths) {
        static const std::vector<QString> jumps = {
            QStringLiteral("0"),  QStringLiteral("5"),       QStringLiteral("10"),   QStringLiteral("50"),
            QStringLiteral("99"), QStringLiteral("100"),     QStringLiteral("101"),  QStringLiteral("-1"),
            QStringLiteral("-"),  QStringLiteral("1000000"), QStringLiteral("12a"),  QStringLiteral("007"),
            QStringLiteral("+5"), QStringLiteral(" 7"),      QString(QChar(0x0663)),
        };
        return dice.pick(jumps);
    }
    static const std::vector<QString> values = {
        QStringLiteral("0"),
        QStringLiteral("1"),
        QStringLiteral("0.5"),
        QStringLiteral("0.25"),
        QStringLiteral("0.123"),
        QStringLiteral("0.999"),
        QStringLiteral("1.000"),
        QStringLiteral("0.0001"),
        QStringLiteral("1.001"),
        QStringLiteral("2"),
        QStringLiteral("-0.1"),
        QStringLiteral("-"),
        QStringLiteral("."),
        QStringLiteral("0."),
        QStringLiteral(".5"),
        QStringLiteral("00.300"),
        QStringLiteral("abc"),
        QStringLiteral("A"),
        QStringLiteral("A0 =   0.7"),
        QStringLiteral("1e3"),
        QStringLiteral("0,5"),
        QStringLiteral("99999999999999999999"),
        QStringLiteral("0.000000"),
        QStringLiteral("  0.3"),
        QStringLiteral("+0.3"),
        QStringLiteral("0x1"),
        QStringLiteral("nan"),
        QStringLiteral("inf"),
        QString::fromUtf8("\u0660.\u0665"),
        QString::fromUtf8("\u00bd"),
        QString::fromUtf8("0\u200b.5"),
        QString::fromUtf8("\uff10\uff0e\uff15"),
    };
    if (dice.percent(15))
        return spin.prefix + dice.pick(values);
    return dice.pick(values);
}

void Monkey::spinBoxAction()
{
    const SpinBox& spin = spinBoxes[std::size_t(dice.below(int(spinBoxes.size())))];
    spinBoxGesture(spin, dice.choose({20, 10, 6, 10, 30, 10, 6, 8}));
}

// Gestures: 0 arrow keys, 1 page keys, 2 the wheel, 3 a click on an arrow,
// 4 select all and type, 5 type at the cursor, 6 delete, 7 a lone Enter,
// Escape or Tab.
void Monkey::spinBoxGesture(const SpinBox& spin, int gesture)
{
    QSpinBox* box = spin.box;
    const int before = box->value();
    const bool live = box->isEnabled();
    if (dice.percent(25)) {
        // A click into the text first, as a user does before typing: it
        // moves the focus, and the box left behind reads its text.
        if (auto* edit = box->findChild<QLineEdit*>()) {
            const QPoint at(dice.between(1, std::max(1, edit->width() - 2)), edit->height() / 2);
            log(QStringLiteral("%1: click into the text at x %2").arg(spin.name).arg(at.x()));
            QTest::mouseClick(edit, Qt::LeftButton, Qt::NoModifier, at);
        }
    }
    // Steps start from the value only while the text shows a value; half-typed
    // text is read first and may keep the box from stepping.
    const bool settled = spinTextAcceptable(spin);
    const int from = textValue(spin);
    int expected = -1;
    auto stepped = [&](int steps) {
        return std::clamp(from + steps * box->singleStep(), box->minimum(), box->maximum());
    };
    bool enterPressed = false;

    switch (gesture) {
    case 0:
    case 1: {
        const bool page = gesture == 1;
        const bool up = dice.percent(50);
        const int presses = page ? dice.between(1, 3) : dice.between(1, 5);
        const Qt::Key key = page ? (up ? Qt::Key_PageUp : Qt::Key_PageDown) : (up ? Qt::Key_Up : Qt::Key_Down);
        log(QStringLiteral("%1: %2 x %3")
                .arg(spin.name, page ? (up ? "Page Up" : "Page Down") : (up ? "Up" : "Down"))
                .arg(presses));
        for (int i = 0; i < presses; ++i)
            QTest::keyClick(box, key);
        if (live && settled)
            expected = stepped((up ? 1 : -1) * presses * (page ? 10 : 1));
        break;
    }
    case 2: {
        static const std::vector<int> deltas = {120, -120, 240, -360, 1200, -1200, 60};
        const int delta = dice.pick(deltas);
        const Qt::KeyboardModifiers modifiers = dice.percent(20) ? Qt::ControlModifier : Qt::NoModifier;
        log(QStringLiteral("%1: wheel %2%3").arg(spin.name).arg(delta).arg(modifiers ? " with Ctrl" : ""));
        turnWheel(box, delta, modifiers);
        break;
    }
    case 3: {
        const bool up = dice.percent(50);
        log(QStringLiteral("%1: click on the %2 arrow").arg(spin.name, up ? "up" : "down"));
        QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, arrowOf(box, up).center());
        if (live && settled)
            expected = stepped(up ? 1 : -1);
        break;
    }
    case 4:
    case 5:
    case 6: {
        // The keys are chosen first and logged, then pressed.
        QString how;
        std::vector<std::function<void()>> keys;
        auto press = [&](Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
            keys.push_back([box, key, modifiers] { QTest::keyClick(box, key, modifiers); });
        };
        if (gesture == 4 || dice.percent(20)) {
            if (dice.percent(75)) {
                how = QStringLiteral("Ctrl+A");
                press(Qt::Key_A, Qt::ControlModifier);
            } else {
                how = QStringLiteral("End, Shift+Home");
                press(Qt::Key_End);
                press(Qt::Key_Home, Qt::ShiftModifier);
            }
        } else {
            static const std::vector<std::pair<Qt::Key, const char*>> moves = {
                {Qt::Key_Home, "Home"}, {Qt::Key_End, "End"}, {Qt::Key_Left, "Left"}, {Qt::Key_Right, "Right"}};
            const int count = dice.between(1, 4);
            QStringList names;
            for (int i = 0; i < count; ++i) {
                const auto& move = dice.pick(moves);
                press(move.first);
                names << QLatin1String(move.second);
            }
            how = names.join(u' ');
        }
        if (gesture == 6) {
            const int count = dice.between(1, 8);
            const bool back = dice.percent(50);
            how += QStringLiteral(", %1 x %2").arg(back ? "Backspace" : "Delete").arg(count);
            for (int i = 0; i < count; ++i)
                press(back ? Qt::Key_Backspace : Qt::Key_Delete);
        } else {
            const QString text = spinText(spin);
            how += QStringLiteral(", type \"%1\"").arg(text);
            keys.push_back([this, box, text] { typeText(box, text); });
        }
        switch (dice.choose({45, 15, 30, 10})) {
        case 0:
            how += QStringLiteral(", Enter");
            press(dice.percent(50) ? Qt::Key_Return : Qt::Key_Enter);
            enterPressed = true;
            break;
        case 1:
            how += QStringLiteral(", Tab");
            press(Qt::Key_Tab);
            break;
        case 2:
            break;
        default:
            how += QStringLiteral(", Escape");
            press(Qt::Key_Escape);
            break;
        }
        log(QStringLiteral("%1: %2").arg(spin.name, how));
        for (const auto& key : keys)
            key();
        break;
    }
    default: {
        const int which = dice.below(3);
        log(QStringLiteral("%1: lone %2").arg(spin.name, which == 0 ? "Enter" : which == 1 ? "Escape" : "Tab"));
        QTest::keyClick(box, which == 0 ? Qt::Key_Return : which == 1 ? Qt::Key_Escape : Qt::Key_Tab);
        enterPressed = which == 0;
        break;
    }
    }

    const int after = box->value();
    require(after >= box->minimum() && after <= box->maximum(),
            QStringLiteral("%1 holds %2, outside its range").arg(spin.name).arg(after));
    if (!live)
        require(after == before,
                QStringLiteral("the disabled %1 changed from %2 to %3").arg(spin.name).arg(before).arg(after));
    if (expected >= 0)
        require(after == expected,
                QStringLiteral("%1 went from %2 to %3, expected %4").arg(spin.name).arg(from).arg(after).arg(expected));
    if (live && enterPressed)
        require(box->text() == canonicalText(spin),
                QStringLiteral("after Enter %1 shows \"%2\" for the value %3").arg(spin.name, box->text()).arg(after));
}

// ---------------------------------------------------------------- check boxes

void Monkey::checkBoxAction()
{
    QCheckBox* const boxes[] = {periodicBox, timeSeriesBox, longRangeBox};
    toggle(boxes[dice.below(3)]);
}

void Monkey::toggle(QCheckBox* box)
{
    const bool before = box->isChecked();
    const bool byKey = dice.percent(20);
    log(QStringLiteral("%1 \"%2\" by %3")
            .arg(before ? "uncheck" : "check", box->text(), byKey ? "space key" : "mouse"));
    click(box, byKey);
    require(box->isChecked() != before, QStringLiteral("\"%1\" did not toggle").arg(box->text()));
    if (box == timeSeriesBox)
        require(series->isVisible() == box->isChecked(),
                QStringLiteral("the time-series window does not follow its box"));
}

void Monkey::schemeAction()
{
    const int id = dice.below(3);
    QAbstractButton* box = schemes->button(id);
    const int checkedBefore = schemes->checkedId();
    switch (dice.choose({70, 15, 15})) {
    case 0:
    case 1: {
        const bool byKey = dice.percent(50);
        log(QStringLiteral("scheme \"%1\" by %2").arg(box->text(), byKey ? "space key" : "mouse"));
        click(box, byKey);
        expectedMethod = id;
        require(schemes->checkedId() == id,
                QStringLiteral("scheme \"%1\" is not checked after a click").arg(box->text()));
        break;
    }
    default: {
        // The press already sends the scheme; the release off the box checks nothing.
        const QPoint away(-40, -40);
        log(QStringLiteral("scheme \"%1\": press, slide off, release").arg(box->text()));
        QTest::mousePress(box, Qt::LeftButton, Qt::NoModifier, indicatorOf(box));
        expectedMethod = id;
        require(field->bed().updateMethod == id,
                QStringLiteral("pressing \"%1\" did not switch the scheme").arg(box->text()));
        QTest::mouseMove(box, away);
        QTest::mouseRelease(box, Qt::LeftButton, Qt::NoModifier, away);
        require(schemes->checkedId() == checkedBefore,
                QStringLiteral("a release off \"%1\" checked a box").arg(box->text()));
        break;
    }
    }
}

// ---------------------------------------------------------------- start patterns, saving

void Monkey::patternAction()
{
    const bool line = dice.percent(50);
    pressPattern(line ? predatedLineButton : youngCoverButton, line, dice.percent(15));
}

void Monkey::pressPattern(QPushButton* button, bool line, bool byKey)
{
    log(QStringLiteral("\"%1\" by %2").arg(button->text(), byKey ? "space key" : "mouse"));
    click(button, byKey);
    expectRunning = false;
    require(!field->isRunning(), QStringLiteral("a start pattern left the run on"));
    const MusselBed& bed = field->bed();
    require(bed.step == 0 && lastStep == 0, QStringLiteral("a start pattern left step %1").arg(bed.step));
    require(stepLabel->text() == QLatin1String("0"),
            QStringLiteral("the step label shows \"%1\" after a reset").arg(stepLabel->text()));
    require(startButton->text() == QLatin1String(" &Start "),
            QStringLiteral("the Start button reads \"%1\" after a reset").arg(startButton->text()));
    for (int x = 0; x < bed.cellsX; ++x) {
        const Cell expected = line && x == bed.cellsX / 2 ? PredatorOnYoung : YoungMussel;
        for (int y = 0; y < bed.cellsY; ++y)
            if (bed.current()[x][y] != expected || bed.previous()[x][y] != expected)
                fail(QStringLiteral("after \"%1\" cell (%2, %3) holds %4 and %5, expected %6")
                         .arg(button->text())
                         .arg(x)
                         .arg(y)
                         .arg(bed.current()[x][y])
                         .arg(bed.previous()[x][y])
                         .arg(expected));
    }
}

void Monkey::saveAction()
{
    ++savesRequested;
    if (dice.percent(70)) {
        const bool byKey = dice.percent(15);
        log(QStringLiteral("\" Save Image \" by %1").arg(byKey ? "space key" : "mouse"));
        click(saveButton, byKey);
    } else {
        log(QStringLiteral("menu &Program > &Save Picture"));
        savePictureItem->trigger();
    }
}

// ---------------------------------------------------------------- the mouse on the field

// QTest reads the point (0, 0) as "the middle of the widget": that corner
// gets an event made here, with the buttons QTest keeps for its own events.
void Monkey::fieldMouse(QTest::MouseAction action, Qt::MouseButton button, QPoint at)
{
    if (!at.isNull()) {
        if (action == QTest::MouseMove)
            QTest::mouseMove(field, at);
        else
            QTest::mouseEvent(action, field, button, Qt::NoModifier, at);
        return;
    }
    Qt::MouseButtons& held = QTestPrivate::qtestMouseButtons;
    QEvent::Type type = QEvent::MouseMove;
    if (action == QTest::MousePress || action == QTest::MouseDClick) {
        held.setFlag(button, true);
        type = action == QTest::MousePress ? QEvent::MouseButtonPress : QEvent::MouseButtonDblClick;
    } else if (action == QTest::MouseRelease) {
        held.setFlag(button, false);
        type = QEvent::MouseButtonRelease;
    } else {
        button = Qt::NoButton;
    }
    QMouseEvent event(type, QPointF(at), QPointF(field->mapToGlobal(at)), button, held, Qt::NoModifier);
    QSpontaneKeyEvent::setSpontaneous(&event);
    QApplication::instance()->notify(field, &event);
}

// Mostly inside the field, often on or just past its edges, sometimes far
// outside on any side.
QPoint Monkey::fieldPoint()
{
    const int w = field->width();
    const int h = field->height();
    switch (dice.choose({70, 12, 15, 3})) {
    case 0:
        return {dice.below(w), dice.below(h)};
    case 1: {
        const std::vector<int> xs = {0, w - 1, -1, w, w / 2};
        const std::vector<int> ys = {0, h - 1, -1, h, h / 2};
        return {dice.pick(xs), dice.pick(ys)};
    }
    case 2:
        return {dice.between(-3 * w - 50, 4 * w + 50), dice.between(-3 * h - 50, 4 * h + 50)};
    default:
        return {dice.between(-1000000, 1000000), dice.between(-1000000, 1000000)};
    }
}

void Monkey::fieldMouseAction()
{
    static const std::vector<Qt::MouseButton> others = {Qt::BackButton,   Qt::ForwardButton, Qt::TaskButton,
                                                        Qt::ExtraButton4, Qt::ExtraButton12, Qt::ExtraButton24};
    Qt::MouseButton button = Qt::LeftButton;
    int brush = PlottingArea::BrushLeft;
    Cell state = PredatorOnYoung;
    QString buttonName = QStringLiteral("left");
    switch (dice.choose({30, 25, 25, 20})) {
    case 0:
        break;
    case 1:
        button = Qt::RightButton;
        brush = PlottingArea::BrushRight;
        state = PredatorOnAdults;
        buttonName = QStringLiteral("right");
        break;
    case 2:
        button = Qt::MiddleButton;
        brush = PlottingArea::BrushMiddle;
        state = YoungMussel;
        buttonName = QStringLiteral("middle");
        break;
    default:
        button = dice.pick(others);
        brush = PlottingArea::NoBrush;
        buttonName = QStringLiteral("button 0x%1").arg(uint(button), 0, 16);
        break;
    }

    const MusselBed& bed = field->bed();
    const int edge = field->cellPixels();
    const long cells = long{bed.cellsX} * bed.cellsY;
    // On fields of ordinary size every cell is compared before and after.
    const bool whole = cells <= 300000;
    std::vector<Cell> nowBefore;
    std::vector<Cell> previousBefore;
    if (whole) {
        nowBefore.assign(bed.current().block(), bed.current().block() + cells);
        previousBefore.assign(bed.previous().block(), bed.previous().block() + cells);
    }

    // 0 a click, 1 a drag, 2 a press released elsewhere, 3 a double click.
    // The points are chosen and logged first.
    const int gesture = dice.choose({40, 40, 12, 8});
    std::vector<QPoint> path{fieldPoint()};
    if (gesture == 1) {
        const int moves = dice.between(1, 12);
        for (int i = 0; i < moves; ++i) {
            if (dice.percent(70))
                path.push_back(path.back()
                               + QPoint(dice.between(-3 * edge, 3 * edge), dice.between(-3 * edge, 3 * edge)));
            else
                path.push_back(fieldPoint());
        }
    }
    const QPoint releaseAt = gesture == 2 ? fieldPoint() : path.back();
    QStringList points;
    for (const QPoint& p : path)
        points << describePoint(p);
    log(QStringLiteral("field: %1 %2 %3, release at %4")
            .arg(buttonName,
                 gesture == 1   ? QStringLiteral("drag")
                 : gesture == 3 ? QStringLiteral("double click")
                                : QStringLiteral("press"),
                 points.join(u' '), describePoint(releaseAt)));

    fieldMouse(QTest::MousePress, button, path.front());
    require(field->brush() == brush,
            QStringLiteral("a %1 press left the brush %2, expected %3").arg(buttonName).arg(field->brush()).arg(brush));
    if (gesture == 3) {
        // The second press of a double click arrives as a double-click event.
        fieldMouse(QTest::MouseRelease, button, path.front());
        fieldMouse(QTest::MouseDClick, button, path.front());
        require(field->brush() == brush,
                QStringLiteral("a %1 double click left the brush %2").arg(buttonName).arg(field->brush()));
    }
    for (std::size_t i = 1; i < path.size(); ++i)
        fieldMouse(QTest::MouseMove, button, path[i]);
    fieldMouse(QTest::MouseRelease, button, releaseAt);
    require(field->brush() == brush, QStringLiteral("a release changed the brush"));

    // Every point inside the field has painted its cell with the brush; no
    // other cell has changed.
    std::vector<char> painted(whole ? std::size_t(cells) : 0);
    if (brush != PlottingArea::NoBrush) {
        for (const QPoint& p : path) {
            if (p.x() < 0 || p.y() < 0)
                continue;
            const int x = p.x() / edge;
            const int y = p.y() / edge;
            if (x >= bed.cellsX || y >= bed.cellsY)
                continue;
            require(bed.current()[x][y] == state && bed.previous()[x][y] == RedrawMark,
                    QStringLiteral("the %1 brush at %2 left cell (%3, %4) at %5 and %6")
                        .arg(buttonName, describePoint(p))
                        .arg(x)
                        .arg(y)
                        .arg(bed.current()[x][y])
                        .arg(bed.previous()[x][y]));
            ++cellsPainted;
            if (whole)
                painted[std::size_t(x) * std::size_t(bed.cellsY) + std::size_t(y)] = 1;
        }
    }
    if (whole) {
        const Cell* now = bed.current().block();
        const Cell* previous = bed.previous().block();
        for (long i = 0; i < cells; ++i)
            if (!painted[std::size_t(i)]
                && (now[i] != nowBefore[std::size_t(i)] || previous[i] != previousBefore[std::size_t(i)]))
                fail(QStringLiteral("the mouse changed cell (%1, %2), which it never touched")
                         .arg(i / bed.cellsY)
                         .arg(i % bed.cellsY));
    }
}

// ---------------------------------------------------------------- menu items and windows

void Monkey::sizeDialogAction()
{
    log(QStringLiteral("menu P&roperties > Field Dimensions.."));
    ++sizeDialogOpenings;
    dimensionsItem->trigger();
    require(!wizard->isVisible(), QStringLiteral("the field-dimensions dialog is still open after it returned"));
}

void Monkey::helpAction()
{
    auto* close = help->findChild<QPushButton*>(QStringLiteral("quit"));
    if (!help->isVisible() || dice.percent(10)) {
        log(QStringLiteral("menu &Info > Help.."));
        helpItem->trigger();
        expectHelpVisible = true;
        require(help->isVisible() && !help->isModal(),
                QStringLiteral("the help viewer did not open as a plain window"));
        return;
    }
    if (dice.percent(70)) {
        const bool byKey = dice.percent(20);
        log(QStringLiteral("help viewer: \" &Close\" by %1").arg(byKey ? "space key" : "mouse"));
        click(close, byKey);
    } else {
        log(QStringLiteral("help viewer: closed by its frame"));
        help->close();
    }
    expectHelpVisible = false;
    require(!help->isVisible(), QStringLiteral("the help viewer did not close"));
}

void Monkey::aboutAction()
{
    log(QStringLiteral("menu &Info > About.."));
    aboutSeen = false;
    aboutItem->trigger();
    require(aboutSeen, QStringLiteral("the About box did not appear"));
}

// The time-series window's frame: close it, or drag it smaller or larger
// within what it allows.
void Monkey::timeSeriesFrameAction()
{
    if (!series->isVisible()) {
        toggle(timeSeriesBox);
        return;
    }
    if (dice.percent(40)) {
        const QSize size(dice.between(series->minimumWidth(), series->maximumWidth()),
                         dice.between(series->minimumHeight(), series->maximumHeight()));
        log(QStringLiteral("time-series window: resized to %1 x %2").arg(size.width()).arg(size.height()));
        series->resize(size);
        series->repaint();
        require(series->size() == size,
                QStringLiteral("the time-series window is %1 x %2").arg(series->width()).arg(series->height()));
        return;
    }
    log(QStringLiteral("time-series window: closed by its frame"));
    series->close();
    require(!series->isVisible(), QStringLiteral("the time-series window did not close"));
    require(!timeSeriesBox->isChecked(), QStringLiteral("closing the time-series window left its box checked"));
}

// Another window moved off the field: it paints, and then shows every cell
// in the colour of its state.
void Monkey::exposeAction()
{
    log(QStringLiteral("the field is exposed"));
    field->repaint();
    checkCanvas(field->bed().current().block(), QStringLiteral("after a paint"));
}

// Several actions at once: all of them land in the same pass of a run.
void Monkey::burstAction()
{
    const int count = dice.between(2, 4);
    log(QStringLiteral("a burst of %1 actions").arg(count));
    for (int i = 0; i < count; ++i) {
        // A Start from rest runs the loop inside the burst, and the count may
        // run out in it: after its Quit nothing more is done.
        if (quitDone)
            break;
        switch (dice.choose({25, 15, 20, 15, 10, 15})) {
        case 0:
            pressStartStop(false);
            break;
        case 1: {
            const bool line = dice.percent(50);
            pressPattern(line ? predatedLineButton : youngCoverButton, line, false);
            break;
        }
        case 2:
            spinBoxGesture(spinBoxes[std::size_t(dice.below(int(spinBoxes.size())))],
                           dice.pick(std::vector<int>{0, 1, 4}));
            break;
        case 3:
            checkBoxAction();
            break;
        case 4:
            schemeAction();
            break;
        default:
            fieldMouseAction();
            break;
        }
    }
}

// A right, middle or back click on a button or a box does nothing.
void Monkey::wrongButtonAction()
{
    QAbstractButton* const targets[] = {startButton, saveButton,    predatedLineButton, youngCoverButton,
                                        periodicBox, timeSeriesBox, longRangeBox,       schemes->button(dice.below(3))};
    QAbstractButton* target = targets[dice.below(int(std::size(targets)))];
    static const std::vector<Qt::MouseButton> buttons = {Qt::RightButton, Qt::MiddleButton, Qt::BackButton};
    const Qt::MouseButton button = dice.pick(buttons);
    const bool running = field->isRunning();
    const bool checked = target->isChecked();
    const int method = field->bed().updateMethod;
    const int step = field->bed().step;
    log(QStringLiteral("click \"%1\" with button 0x%2").arg(target->text()).arg(uint(button), 0, 16));
    QTest::mouseClick(target, button, Qt::NoModifier,
                      qobject_cast<QCheckBox*>(target) ? indicatorOf(target) : QPoint());
    require(field->isRunning() == running && target->isChecked() == checked && field->bed().updateMethod == method
                && field->bed().step == step,
            QStringLiteral("a click with button 0x%1 on \"%2\" did something")
                .arg(uint(button), 0, 16)
                .arg(target->text()));
}
