// SPDX-License-Identifier: GPL-3.0-or-later
// The modal windows: the field-dimensions dialog, which the monkey dials to a
// planned size over several actions and then confirms or cancels, and the
// message boxes (the About box, the warning that refuses a size).

#include "checkedspinbox.h"
#include "monkey.h"

#include "plottingarea.h"
#include "sizewizard.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QWheelEvent>

#include <algorithm>
#include <cstdlib>

namespace {

QSpinBox* boxOf(const SizeWizard* dialog, const char* name)
{
    return dialog->findChild<QSpinBox*>(QString::fromLatin1(name));
}

QPushButton* buttonOf(const SizeWizard* dialog, const QString& text)
{
    for (QPushButton* button : dialog->findChildren<QPushButton*>())
        if (button->text() == text)
            return button;
    return nullptr;
}

// Sizes the monkey lets a run go on with; larger ones it refuses to confirm
// unless it planned them, and then only for a few steps.
bool affordable(int x, int y, int zellgr)
{
    return qint64{x} * y * zellgr * zellgr <= 4200000;
}

}  // namespace

void Monkey::newSizePlan()
{
    const QSpinBox* xBox = boxOf(wizard, "XBox");
    const QSpinBox* yBox = boxOf(wizard, "Ybox");
    const QSpinBox* zBox = boxOf(wizard, "ZellBox");
    plan = SizePlan{};
    plan.opening = sizeDialogOpenings;
    plan.confirm = dice.percent(75);
    auto small = [&] {
        plan.x = dice.between(1, 160);
        plan.y = dice.between(1, 160);
        plan.zellgr = dice.between(1, 4);
        plan.what = QStringLiteral("small");
    };
    if (mustShrink) {
        small();
        plan.confirm = true;
        plan.what = QStringLiteral("small, after the big field's last step");
        return;
    }
    switch (dice.choose({45, 10, 8, 6, 6, 3, 10, 8})) {
    case 0:
        small();
        break;
    case 1:
        plan.x = dice.between(100, 400);
        plan.y = dice.between(100, 400);
        plan.zellgr = dice.between(1, 3);
        plan.what = QStringLiteral("medium");
        break;
    case 2:
        plan.x = xBox->value();
        plan.y = yBox->value();
        plan.zellgr = zBox->value();
        plan.what = QStringLiteral("as dialled before");
        // What an earlier plan left behind may be more than a run can afford.
        if (!affordable(plan.x, plan.y, plan.zellgr) && PlottingArea::fieldFits(plan.x, plan.y, plan.zellgr, nullptr))
            plan.confirm = false;
        break;
    case 3:
        plan.x = 1;
        plan.y = 1;
        plan.zellgr = dice.between(1, 50);
        plan.what = QStringLiteral("one cell");
        break;
    case 4:
        plan.x = dice.percent(50) ? 1 : 1000;
        plan.y = plan.x == 1 ? 1000 : 1;
        plan.zellgr = dice.between(1, 2);
        plan.what = QStringLiteral("one line");
        break;
    case 5:
        plan.x = 1000;
        plan.y = 1000;
        plan.zellgr = 1;
        plan.what = QStringLiteral("big");
        break;
    case 6:
        // Wider or taller than a picture may be: refused with a warning.
        if (dice.percent(50)) {
            plan.x = 1000;
            plan.y = 1000;
            plan.zellgr = 50;
        } else {
            plan.x = dice.between(400, 1000);
            plan.y = dice.between(1, 1000);
            plan.zellgr = std::min(50, dice.between(PlottingArea::MaxPixelEdge / plan.x + 1, 60));
            if (dice.percent(50))
                std::swap(plan.x, plan.y);
        }
        plan.confirm = true;
        plan.what = QStringLiteral("oversized");
        break;
    default: {
        const std::vector<int> edges = {1, 2, 999, 1000};
        plan.x = dice.pick(edges);
        plan.y = dice.between(1, 20);
        plan.zellgr = dice.between(1, 8);
        if (dice.percent(50))
            std::swap(plan.x, plan.y);
        plan.what = QStringLiteral("at the edges of the ranges");
        break;
    }
    }
}

void Monkey::sizeDialogTick(SizeWizard* dialog)
{
    if (plan.opening != sizeDialogOpenings) {
        newSizePlan();
        log(QStringLiteral("size dialog: plan %1 x %2 x %3 (%4), then %5")
                .arg(plan.x)
                .arg(plan.y)
                .arg(plan.zellgr)
                .arg(plan.what, plan.confirm ? QStringLiteral("OK") : QStringLiteral("Cancel")));
    }
    ++plan.ticks;
    if (plan.ticks > 16) {
        log(QStringLiteral("size dialog: the plan takes too long"));
        finishSizeDialog(dialog, false);
        return;
    }
    QSpinBox* xBox = boxOf(dialog, "XBox");
    QSpinBox* yBox = boxOf(dialog, "Ybox");
    QSpinBox* zBox = boxOf(dialog, "ZellBox");
    require(xBox && yBox && zBox, QStringLiteral("the size dialog lacks a spin box"));
    require(xBox->maximum() == 1000 && yBox->maximum() == 1000 && zBox->maximum() == 50 && xBox->minimum() == 1
                && yBox->minimum() == 1 && zBox->minimum() == 1,
            QStringLiteral("the size dialog's ranges changed"));

    // The boxes not yet at the plan: those that shrink first, the cell size
    // first among them, so that no value in between asks for a huge field.
    struct Dial {
        QSpinBox* box;
        int target;
    };
    std::vector<Dial> pending;
    for (const Dial& dial : {Dial{zBox, plan.zellgr}, Dial{xBox, plan.x}, Dial{yBox, plan.y}})
        if (dial.box->value() != dial.target)
            pending.push_back(dial);
    if (!pending.empty()) {
        const auto shrinking = std::find_if(pending.begin(), pending.end(),
                                            [](const Dial& dial) { return dial.target < dial.box->value(); });
        const Dial dial =
            shrinking != pending.end() ? *shrinking : pending[std::size_t(dice.below(int(pending.size())))];
        dialBox(dial.box, dial.target);
        return;
    }
    finishSizeDialog(dialog, plan.confirm);
}

// One step towards the target: typed, by keys, by the wheel or by an arrow,
// now and then by a detour through a number the box clamps or refuses. Typed
// text counts when the box is left, so Tab follows it.
void Monkey::dialBox(QSpinBox* box, int target)
{
    const int value = box->value();
    const QString name = box->objectName();
    const int steps = (target - value) / box->singleStep();
    int gesture = dice.choose({50, 20, 10, 10, 10});
    if (steps == 0 && gesture != 2)
        gesture = 0;
    switch (gesture) {
    case 0: {
        static const std::vector<QString> strays = {QStringLiteral("x"), QStringLiteral("-"), QStringLiteral(" "),
                                                    QStringLiteral("?"), QStringLiteral(".")};
        const QString stray = dice.percent(20) ? dice.pick(strays) : QString();
        log(QStringLiteral("size dialog %1: Ctrl+A, %2type %3, Tab")
                .arg(name, stray.isEmpty() ? QString() : QStringLiteral("\"%1\", ").arg(stray))
                .arg(target));
        QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
        typeText(box, stray + QString::number(target));
        QTest::keyClick(box, Qt::Key_Tab);
        break;
    }
    case 1: {
        const bool page = std::abs(steps) >= 10;
        const int presses = std::min(page ? std::abs(steps) / 10 : std::abs(steps), 6);
        const bool up = steps > 0;
        const Qt::Key key = page ? (up ? Qt::Key_PageUp : Qt::Key_PageDown) : (up ? Qt::Key_Up : Qt::Key_Down);
        log(QStringLiteral("size dialog %1: %2 x %3")
                .arg(name, page ? (up ? "Page Up" : "Page Down") : (up ? "Up" : "Down"))
                .arg(presses));
        for (int i = 0; i < presses; ++i)
            QTest::keyClick(box, key);
        break;
    }
    case 2: {
        static const std::vector<QString> extremes = {
            QStringLiteral("99999999"), QStringLiteral("0"),     QStringLiteral("-7"),  QStringLiteral("1000"),
            QStringLiteral("1e9"),      QStringLiteral("00000"), QString(QChar(0x0663))};
        const QString text = dice.pick(extremes);
        log(QStringLiteral("size dialog %1: Ctrl+A, type \"%2\", Tab").arg(name, text));
        QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
        typeText(box, text);
        QTest::keyClick(box, Qt::Key_Tab);
        break;
    }
    case 3: {
        const QPointF centre = QRectF(box->rect()).center();
        const int delta = steps > 0 ? 120 : -120;
        log(QStringLiteral("size dialog %1: wheel %2").arg(name).arg(delta));
        QWheelEvent wheel(centre, box->mapToGlobal(centre), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(box, &wheel);
        break;
    }
    default: {
        const bool up = steps > 0;
        log(QStringLiteral("size dialog %1: %2 arrow").arg(name, up ? "up" : "down"));
        QTest::keyClick(box, up ? Qt::Key_Up : Qt::Key_Down);
        break;
    }
    }
    require(box->value() >= box->minimum() && box->value() <= box->maximum(),
            QStringLiteral("size dialog %1 holds %2").arg(name).arg(box->value()));
}

// OK (by mouse, space or Enter) or Cancel (by mouse, Escape or the frame),
// and what each must lead to: a field of the dialled size, a warning that
// keeps the dialog open, or nothing.
void Monkey::finishSizeDialog(SizeWizard* dialog, bool confirm)
{
    const int x = boxOf(dialog, "XBox")->value();
    const int y = boxOf(dialog, "Ybox")->value();
    const int zellgr = boxOf(dialog, "ZellBox")->value();
    const bool fits = PlottingArea::fieldFits(x, y, zellgr, nullptr);
    QPushButton* ok = buttonOf(dialog, QStringLiteral(" &OK"));
    QPushButton* cancel = buttonOf(dialog, QStringLiteral(" &Cancel"));
    require(ok && cancel, QStringLiteral("the size dialog lacks OK or Cancel"));
    const MusselBed& bed = field->bed();
    const int widthBefore = bed.cellsX;
    const int heightBefore = bed.cellsY;
    const int edgeBefore = field->cellPixels();
    const int stepBefore = bed.step;
    const std::uint64_t hashBefore = fieldHash();
    // A box that has just turned a typed value back holds OK with a warning.
    bool turnedBack = false;
    for (const char* name : {"XBox", "Ybox", "ZellBox"})
        if (auto* box = dynamic_cast<CheckedSpinBox*>(boxOf(dialog, name)))
            turnedBack = turnedBack || box->hasRefusal();
    sizeChosen = false;
    warningSeen = false;
    rangeWarningSeen = false;

    enum class Effect { Confirm, Cancel, Nothing };
    Effect effect = Effect::Cancel;
    QString how;
    if (confirm) {
        switch (dice.choose({60, 20, 20})) {
        case 0:
            how = QStringLiteral("OK by mouse");
            effect = Effect::Confirm;
            log(QStringLiteral("size dialog %1 x %2 x %3: %4").arg(x).arg(y).arg(zellgr).arg(how));
            QTest::mouseClick(ok, Qt::LeftButton);
            break;
        case 1:
            how = QStringLiteral("OK by space key");
            effect = Effect::Confirm;
            log(QStringLiteral("size dialog %1 x %2 x %3: %4").arg(x).arg(y).arg(zellgr).arg(how));
            QTest::keyClick(ok, Qt::Key_Space);
            break;
        default:
            // Enter clicks the dialog's default button, whichever that is.
            how = QStringLiteral("Enter in the width box");
            effect = ok->isDefault() ? Effect::Confirm : cancel->isDefault() ? Effect::Cancel : Effect::Nothing;
            log(QStringLiteral("size dialog %1 x %2 x %3: %4").arg(x).arg(y).arg(zellgr).arg(how));
            QTest::keyClick(boxOf(dialog, "XBox"), Qt::Key_Return);
            break;
        }
    } else {
        switch (dice.choose({50, 25, 25})) {
        case 0:
            how = QStringLiteral("Cancel by mouse");
            log(QStringLiteral("size dialog %1 x %2 x %3: %4").arg(x).arg(y).arg(zellgr).arg(how));
            QTest::mouseClick(cancel, Qt::LeftButton);
            break;
        case 1:
            how = QStringLiteral("Escape");
            log(QStringLiteral("size dialog %1 x %2 x %3: %4").arg(x).arg(y).arg(zellgr).arg(how));
            QTest::keyClick(dice.percent(50) ? static_cast<QWidget*>(dialog) : boxOf(dialog, "Ybox"), Qt::Key_Escape);
            break;
        default:
            how = QStringLiteral("closed by its frame");
            log(QStringLiteral("size dialog %1 x %2 x %3: %4").arg(x).arg(y).arg(zellgr).arg(how));
            dialog->close();
            break;
        }
    }

    auto unchanged = [&] {
        return bed.cellsX == widthBefore && bed.cellsY == heightBefore && field->cellPixels() == edgeBefore
               && bed.step == stepBefore && fieldHash() == hashBefore;
    };
    const QString request = QStringLiteral("%1 x %2 x %3 (%4)").arg(x).arg(y).arg(zellgr).arg(how);
    require(rangeWarningSeen == (effect == Effect::Confirm && turnedBack),
            QStringLiteral("%1 %2 a value turned back").arg(request, rangeWarningSeen ? "warned of" : "passed over"));
    if (effect == Effect::Confirm && turnedBack) {
        require(!sizeChosen && dialog->isVisible() && unchanged(),
                QStringLiteral("%1 went on after a value was turned back").arg(request));
    } else if (effect == Effect::Confirm && fits) {
        require(sizeChosen && chosenSize == std::array<int, 3>{x, y, zellgr},
                QStringLiteral("%1 did not rebuild the field at the dialled size").arg(request));
        require(!dialog->isVisible(), QStringLiteral("%1 left the dialog open").arg(request));
        require(!warningSeen, QStringLiteral("%1 warned about a size that fits").arg(request));
    } else if (effect == Effect::Confirm) {
        require(!sizeChosen, QStringLiteral("%1 was sent although it does not fit").arg(request));
        require(warningSeen, QStringLiteral("%1 was refused without a warning").arg(request));
        require(dialog->isVisible(), QStringLiteral("%1 closed the dialog after the warning").arg(request));
        require(unchanged(), QStringLiteral("the refused %1 changed the field").arg(request));
        ++refusals;
        // Refused: give up, or aim at a size that fits, in this same opening.
        if (dice.percent(50)) {
            plan.confirm = false;
            plan.x = x;
            plan.y = y;
            plan.zellgr = zellgr;
        } else {
            const long opening = plan.opening;
            const int ticks = plan.ticks;
            newSizePlan();
            while (!PlottingArea::fieldFits(plan.x, plan.y, plan.zellgr, nullptr))
                newSizePlan();
            plan.opening = opening;
            plan.ticks = ticks;
            log(QStringLiteral("size dialog: new plan %1 x %2 x %3 (%4)")
                    .arg(plan.x)
                    .arg(plan.y)
                    .arg(plan.zellgr)
                    .arg(plan.what));
        }
    } else if (effect == Effect::Cancel) {
        require(!sizeChosen && !warningSeen, QStringLiteral("%1 sent a size or warned").arg(request));
        require(!dialog->isVisible(), QStringLiteral("%1 left the dialog open").arg(request));
        require(unchanged(), QStringLiteral("%1 changed the field").arg(request));
    } else {
        require(!sizeChosen && !warningSeen && dialog->isVisible() && unchanged(),
                QStringLiteral("%1 without a default button did something").arg(request));
    }
}

void Monkey::messageBoxTick(QMessageBox* box)
{
    const QString title = box->windowTitle();
    if (title == QLatin1String("Mussel Disturbance Model")) {
        require(box->text().contains(QLatin1String("Tidmar III")), QStringLiteral("the About box lacks its text"));
        aboutSeen = true;
    } else if (title == QLatin1String("Value out of range")) {
        require(box->icon() == QMessageBox::Warning && box->text().contains(QLatin1String("1 to 1000 cells")),
                QStringLiteral("the range warning reads \"%1\"").arg(box->text()));
        rangeWarningSeen = true;
    } else if (title == QLatin1String("Field too large")) {
        require(box->icon() == QMessageBox::Warning && box->text().contains(QLatin1String("cannot be built")),
                QStringLiteral("the size warning reads \"%1\"").arg(box->text()));
        warningSeen = true;
    } else {
        fail(QStringLiteral("an unexpected message box: '%1': %2").arg(title, box->text()));
    }
    switch (dice.choose({50, 20, 15, 15})) {
    case 0: {
        QAbstractButton* button = box->buttons().value(0);
        require(button != nullptr, QStringLiteral("the message box '%1' has no button").arg(title));
        log(QStringLiteral("'%1': \"%2\" by mouse").arg(title, button->text()));
        QTest::mouseClick(button, Qt::LeftButton);
        break;
    }
    case 1:
        log(QStringLiteral("'%1': Escape").arg(title));
        QTest::keyClick(box, Qt::Key_Escape);
        break;
    case 2:
        log(QStringLiteral("'%1': Enter").arg(title));
        QTest::keyClick(box, Qt::Key_Return);
        break;
    default:
        log(QStringLiteral("'%1': closed by its frame").arg(title));
        box->close();
        break;
    }
    require(!box->isVisible(), QStringLiteral("the message box '%1' is still open").arg(title));
}
