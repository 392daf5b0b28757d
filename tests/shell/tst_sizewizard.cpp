// SPDX-License-Identifier: GPL-3.0-or-later
#include "plottingarea.h"
#include "sizewizard.h"

#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

namespace {

// Closes the next message box that opens modally and keeps its text.
class MessageCatcher
{
public:
    void arm()
    {
        QTimer::singleShot(0, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                seen = true;
                text = box->text();
                box->accept();
            }
        });
    }

    bool seen = false;
    QString text;
};

QPushButton* button(const SizeWizard& wizard, const QString& text)
{
    for (QPushButton* candidate : wizard.findChildren<QPushButton*>())
        if (candidate->text() == text)
            return candidate;
    return nullptr;
}

QSpinBox* spinBox(const SizeWizard& wizard, const char* name)
{
    return wizard.findChild<QSpinBox*>(QString::fromLatin1(name));
}

void dial(const SizeWizard& wizard, int x, int y, int zellgr)
{
    spinBox(wizard, "XBox")->setValue(x);
    spinBox(wizard, "Ybox")->setValue(y);
    spinBox(wizard, "ZellBox")->setValue(zellgr);
}

QList<QVariant> size(int x, int y, int zellgr)
{
    return {x, y, zellgr};
}

} // namespace

class TestSizeWizard : public QObject
{
    Q_OBJECT

private slots:
    void construction();
    void buttonsActOnPress_data();
    void buttonsActOnPress();
    void cancelKeepsDialledValues();
    void arrowsStep_data();
    void arrowsStep();
    void pictureLimit_data();
    void pictureLimit();
    void customSizeCheck();
    void typedValueBeyondRangeIsRefused_data();
    void typedValueBeyondRangeIsRefused();
};

void TestSizeWizard::construction()
{
    SizeWizard wizard;
    QCOMPARE(wizard.metaObject()->className(), "SizeWizard");
    QVERIFY(wizard.windowTitle().isEmpty());
    QVERIFY(!wizard.isModal());
    QCOMPARE(wizard.geometry(), QRect(400, 250, 300, 200));

    // Labels in column 0, boxes in column 1, Cancel left of OK.
    auto* grid = qobject_cast<QGridLayout*>(wizard.layout());
    QVERIFY(grid);
    QCOMPARE(grid->contentsMargins(), QMargins(3, 3, 3, 3));
    const struct {
        const char* label;
        const char* box;
        int maximum;
        int step;
    } rows[] = {
        {"           X [#cells] :  ", "XBox", 1000, 10},
        {"           Y [#cells]:  ", "Ybox", 1000, 10},
        {"         Cell Size [pixel] :  ", "ZellBox", 50, 1},
    };
    for (int row = 0; row < 3; ++row) {
        auto* label = qobject_cast<QLabel*>(grid->itemAtPosition(row, 0)->widget());
        QVERIFY(label);
        QCOMPARE(label->text(), QString::fromLatin1(rows[row].label));
        auto* box = qobject_cast<QSpinBox*>(grid->itemAtPosition(row, 1)->widget());
        QVERIFY(box);
        QCOMPARE(box->objectName(), QString::fromLatin1(rows[row].box));
        QCOMPARE(box->minimum(), 1);
        QCOMPARE(box->maximum(), rows[row].maximum);
        QCOMPARE(box->singleStep(), rows[row].step);
    }
    QCOMPARE(grid->itemAtPosition(3, 0)->widget(), button(wizard, " &Cancel"));
    QCOMPARE(grid->itemAtPosition(3, 1)->widget(), button(wizard, " &OK"));
}

void TestSizeWizard::buttonsActOnPress_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("byKey");
    QTest::addColumn<bool>("emits");
    QTest::newRow("OK, mouse") << " &OK" << false << true;
    QTest::newRow("OK, space") << " &OK" << true << true;
    QTest::newRow("Cancel, mouse") << " &Cancel" << false << false;
    QTest::newRow("Cancel, space") << " &Cancel" << true << false;
}

// OK at once sends the start size. The dialog closes while the button is
// still down; the release adds nothing.
void TestSizeWizard::buttonsActOnPress()
{
    QFETCH(QString, text);
    QFETCH(bool, byKey);
    QFETCH(bool, emits);

    SizeWizard wizard;
    QSignalSpy changed(&wizard, &SizeWizard::setchangedsize);
    wizard.show();
    QVERIFY(QTest::qWaitForWindowExposed(&wizard));
    QPushButton* pressed = button(wizard, text);

    if (byKey)
        QTest::keyPress(pressed, Qt::Key_Space);
    else
        QTest::mousePress(pressed, Qt::LeftButton);
    QCOMPARE(changed.count(), emits ? 1 : 0);
    if (emits)
        QCOMPARE(changed.first(), size(256, 256, 2));
    QVERIFY(!wizard.isVisible());

    if (byKey)
        QTest::keyRelease(pressed, Qt::Key_Space);
    else
        QTest::mouseRelease(pressed, Qt::LeftButton);
    QCOMPARE(changed.count(), emits ? 1 : 0);
}

void TestSizeWizard::cancelKeepsDialledValues()
{
    SizeWizard wizard;
    QSignalSpy changed(&wizard, &SizeWizard::setchangedsize);
    wizard.show();
    spinBox(wizard, "XBox")->setValue(100);
    QTest::mouseClick(button(wizard, " &Cancel"), Qt::LeftButton);
    QVERIFY(!wizard.isVisible());
    QCOMPARE(changed.count(), 0);

    wizard.show();
    QCOMPARE(spinBox(wizard, "XBox")->value(), 100);
    QTest::mouseClick(button(wizard, " &OK"), Qt::LeftButton);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.first(), size(100, 256, 2));
}

void TestSizeWizard::arrowsStep_data()
{
    QTest::addColumn<QByteArray>("boxName");
    QTest::addColumn<int>("key");
    QTest::addColumn<QList<QVariant>>("emitted");
    QTest::newRow("width up by 10") << QByteArray("XBox") << int(Qt::Key_Up) << size(266, 256, 2);
    QTest::newRow("height down by 10") << QByteArray("Ybox") << int(Qt::Key_Down) << size(256, 246, 2);
    QTest::newRow("cell size up by 1") << QByteArray("ZellBox") << int(Qt::Key_Up) << size(256, 256, 3);
}

// A change of a box is kept at once and is what OK then sends.
void TestSizeWizard::arrowsStep()
{
    QFETCH(QByteArray, boxName);
    QFETCH(int, key);
    QFETCH(QList<QVariant>, emitted);

    SizeWizard wizard;
    QSignalSpy changed(&wizard, &SizeWizard::setchangedsize);
    wizard.show();
    QTest::keyClick(spinBox(wizard, boxName.constData()), Qt::Key(key));
    wizard.accept();
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.first(), emitted);
}

void TestSizeWizard::pictureLimit_data()
{
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("y");
    QTest::addColumn<int>("zellgr");
    QTest::addColumn<bool>("fits");
    QTest::newRow("smallest") << 1 << 1 << 1 << true;
    QTest::newRow("largest square") << 1000 << 1000 << 16 << true;
    QTest::newRow("one pixel more per cell") << 1000 << 1000 << 17 << false;
    QTest::newRow("largest the boxes allow") << 1000 << 1000 << 50 << false;
    QTest::newRow("wide strip at the limit") << 327 << 1 << 50 << true;
    QTest::newRow("tall strip over the limit") << 1 << 328 << 50 << false;
}

void TestSizeWizard::pictureLimit()
{
    QFETCH(int, x);
    QFETCH(int, y);
    QFETCH(int, zellgr);
    QFETCH(bool, fits);
    QCOMPARE(PlottingArea::fieldFits(x, y, zellgr, nullptr), fits);

    SizeWizard wizard;
    QSignalSpy changed(&wizard, &SizeWizard::setchangedsize);
    wizard.show();
    QVERIFY(QTest::qWaitForWindowExposed(&wizard));
    dial(wizard, x, y, zellgr);

    MessageCatcher catcher;
    catcher.arm();
    QTest::mousePress(button(wizard, " &OK"), Qt::LeftButton);
    QCoreApplication::processEvents();

    QCOMPARE(catcher.seen, !fits);
    QCOMPARE(wizard.isVisible(), !fits);
    if (fits) {
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.first(), size(x, y, zellgr));
    } else {
        QCOMPARE(changed.count(), 0);
        QVERIFY2(catcher.text.contains(QString::number(PlottingArea::MaxPixelEdge)), qPrintable(catcher.text));
    }
}

void TestSizeWizard::customSizeCheck()
{
    SizeWizard wizard;
    QSignalSpy changed(&wizard, &SizeWizard::setchangedsize);
    wizard.setSizeCheck([](int x, int, int, QString* why) {
        *why = QStringLiteral("at most 500 cells across");
        return x <= 500;
    });
    wizard.show();
    dial(wizard, 600, 10, 1);
    MessageCatcher catcher;
    catcher.arm();
    wizard.accept();
    QVERIFY(catcher.seen);
    QVERIFY2(catcher.text.contains(QStringLiteral("at most 500 cells across")), qPrintable(catcher.text));
    QCOMPARE(changed.count(), 0);
    QVERIFY(wizard.isVisible());

    // An empty check brings back the field widget's own limit.
    wizard.setSizeCheck({});
    dial(wizard, 1000, 1000, 50);
    catcher = {};
    catcher.arm();
    wizard.accept();
    QVERIFY(catcher.seen);
    QCOMPARE(changed.count(), 0);

    // After a refusal the user can correct the numbers and press OK again.
    dial(wizard, 500, 10, 2);
    QTest::mouseClick(button(wizard, " &OK"), Qt::LeftButton);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.first(), size(500, 10, 2));
    QVERIFY(!wizard.isVisible());
}

void TestSizeWizard::typedValueBeyondRangeIsRefused_data()
{
    QTest::addColumn<QByteArray>("box");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("byEnter");
    QTest::newRow("width 2000, OK clicked") << QByteArray("XBox") << "2000" << false;
    QTest::newRow("height 1001, Enter") << QByteArray("Ybox") << "1001" << true;
    QTest::newRow("cell size 51, OK clicked") << QByteArray("ZellBox") << "51" << false;
    QTest::newRow("width 0, Enter") << QByteArray("XBox") << "0" << true;
}

// A typed value beyond the range shows as typed, never cut short; OK (or
// Enter) turns it back to the value before, warns and keeps the dialog open
// without emitting. The next OK takes what the boxes show.
void TestSizeWizard::typedValueBeyondRangeIsRefused()
{
    QFETCH(QByteArray, box);
    QFETCH(QString, typed);
    QFETCH(bool, byEnter);
    SizeWizard wizard;
    wizard.show();
    QVERIFY(QTest::qWaitForWindowExposed(&wizard));
    QSignalSpy sizes(&wizard, &SizeWizard::setchangedsize);
    QSpinBox* typedInto = spinBox(wizard, box.constData());
    const int before = typedInto->value();
    typedInto->setFocus();
    typedInto->findChild<QLineEdit*>()->selectAll();
    QTest::keyClicks(typedInto, typed);
    QCOMPARE(typedInto->findChild<QLineEdit*>()->text(), typed);

    MessageCatcher warning;
    warning.arm();
    if (byEnter)
        QTest::keyClick(typedInto, Qt::Key_Enter);
    else
        QTest::mouseClick(button(wizard, QStringLiteral(" &OK")), Qt::LeftButton);
    QTRY_VERIFY(warning.seen);
    QVERIFY(warning.text.contains(QStringLiteral("1 to 1000 cells")));
    QVERIFY(wizard.isVisible());
    QCOMPARE(sizes.count(), 0);
    QCOMPARE(typedInto->value(), before);
    QCOMPARE(typedInto->text(), QString::number(before));

    QTest::mouseClick(button(wizard, QStringLiteral(" &OK")), Qt::LeftButton);
    QCOMPARE(sizes.count(), 1);
    QCOMPARE(sizes.first(), size(256, 256, 2));
}

QTEST_MAIN(TestSizeWizard)
#include "tst_sizewizard.moc"
