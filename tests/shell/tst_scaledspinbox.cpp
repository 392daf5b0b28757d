// SPDX-License-Identifier: GPL-3.0-or-later
#include "scaledspinbox.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

namespace {

const char* const a2Prefix = "A2 =   ";

// The A2 box's text for a value, formed independently of the box.
QString a2Text(int value)
{
    return QStringLiteral("A2 =   %1.%2").arg(value / 1000).arg(value % 1000, 3, 10, QLatin1Char('0'));
}

} // namespace

class TestScaledSpinBox : public QObject
{
    Q_OBJECT

private slots:
    void scaledTextFromTheStart();
    void shownText_data();
    void shownText();
    void reading_data();
    void reading();
    void typing_data();
    void typing();
    void stepping_data();
    void stepping();
};

void TestScaledSpinBox::scaledTextFromTheStart()
{
    ScaledSpinBox oceanForcing("D0 =   ", 0, 1000, 1, nullptr, "oceanforcing");
    QCOMPARE(oceanForcing.objectName(), QStringLiteral("oceanforcing"));
    QCOMPARE(oceanForcing.metaObject()->className(), "QSpinBox");
    QVERIFY(oceanForcing.prefix().isEmpty());
    QCOMPARE(oceanForcing.value(), 0);
    QCOMPARE(oceanForcing.text(), QStringLiteral("D0 =   0.000"));

    // A minimum above 0 puts the value there, also shown scaled.
    ScaledSpinBox raised("x = ", 5, 1000, 1);
    QCOMPARE(raised.text(), QStringLiteral("x = 0.005"));
}

void TestScaledSpinBox::shownText_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("0") << 0 << "A2 =   0.000";
    QTest::newRow("1") << 1 << "A2 =   0.001";
    QTest::newRow("5") << 5 << "A2 =   0.005";
    QTest::newRow("10") << 10 << "A2 =   0.010";
    QTest::newRow("300") << 300 << "A2 =   0.300";
    QTest::newRow("750") << 750 << "A2 =   0.750";
    QTest::newRow("1000") << 1000 << "A2 =   1.000";
}

void TestScaledSpinBox::shownText()
{
    QFETCH(int, value);
    QFETCH(QString, text);
    ScaledSpinBox box(a2Prefix, 0, 1000, 1);
    box.setValue(value == 0 ? 1 : 0);
    box.setValue(value);
    QCOMPARE(box.text(), text);
}

void TestScaledSpinBox::reading_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<int>("state");
    QTest::addColumn<int>("value");

    const int ok = QValidator::Acceptable;
    const int partial = QValidator::Intermediate;
    const int bad = QValidator::Invalid;
    QTest::newRow("shown form") << "A2 =   0.300" << ok << 300;
    QTest::newRow("prefix, fewer blanks") << "A2 = 0.5" << ok << 500;
    QTest::newRow("prefix, no blank") << "A2 =0.1" << ok << 100;
    QTest::newRow("decimal") << "0.3" << ok << 300;
    QTest::newRow("no integer part") << ".25" << ok << 250;
    QTest::newRow("one") << "1" << ok << 1000;
    QTest::newRow("thousandth") << "0.005" << ok << 5;
    QTest::newRow("surrounding blanks") << "  0.75  " << ok << 750;
    QTest::newRow("leading zeros") << "00.500" << ok << 500;
    QTest::newRow("decimal comma") << "0,5" << ok << 500;
    QTest::newRow("comma, three decimals") << "A2 = 0,125" << ok << 125;
    QTest::newRow("zero") << "0" << ok << 0;
    QTest::newRow("whole number is thousandths") << "300" << ok << 300;
    QTest::newRow("two is the smallest") << "2" << ok << 2;
    QTest::newRow("thousand") << "1000" << ok << 1000;
    QTest::newRow("prefix and thousandths") << "A2 = 45" << ok << 45;

    QTest::newRow("empty") << "" << partial << 0;
    QTest::newRow("bare prefix") << "A2 =   " << partial << 0;
    QTest::newRow("half prefix") << "A2" << partial << 0;
    QTest::newRow("trailing point") << "0." << partial << 0;
    QTest::newRow("trailing comma") << "0," << partial << 0;

    // Beyond the range: shown while typed, refused on Enter.
    QTest::newRow("above one") << "1.001" << partial << 0;
    QTest::newRow("whole number above 1000") << "1001" << partial << 0;
    QTest::newRow("two separators") << "0,5.1" << bad << 0;
    QTest::newRow("four decimals") << "0.0005" << bad << 0;
    QTest::newRow("negative") << "-0.1" << bad << 0;
    QTest::newRow("letters") << "abc" << bad << 0;
    QTest::newRow("comma is no group separator") << "1,000" << ok << 1000;
    QTest::newRow("trailing garbage") << "0.3x" << bad << 0;
    QTest::newRow("inner blank") << "0. 3" << bad << 0;
    QTest::newRow("other prefix") << "B2 = 0.3" << bad << 0;
    QTest::newRow("huge") << "99999999999999999999" << bad << 0;
}

// validate() decides what the editor accepts; interpreting the text sets the
// value for acceptable text and otherwise keeps the previous one.
void TestScaledSpinBox::reading()
{
    QFETCH(QString, input);
    QFETCH(int, state);
    QFETCH(int, value);

    ScaledSpinBox box(a2Prefix, 0, 1000, 1);
    box.setValue(123);
    QString copy = input;
    int pos = 0;
    QCOMPARE(static_cast<const QAbstractSpinBox&>(box).validate(copy, pos), QValidator::State(state));

    box.findChild<QLineEdit*>()->setText(input);
    box.interpretText();
    const int expected = state == QValidator::Acceptable ? value : 123;
    QCOMPARE(box.value(), expected);
    QCOMPARE(box.text(), a2Text(expected));
}

void TestScaledSpinBox::typing_data()
{
    QTest::addColumn<QString>("keys");
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("decimal") << "0.3" << 300 << "A2 =   0.300";
    QTest::newRow("one") << "1" << 1000 << "A2 =   1.000";
    QTest::newRow("with prefix") << "A2 = 0.05" << 50 << "A2 =   0.050";
    QTest::newRow("decimal comma") << "0,5" << 500 << "A2 =   0.500";
    QTest::newRow("thousandths") << "300" << 300 << "A2 =   0.300";
    QTest::newRow("thousandths through 1 and 10") << "100" << 100 << "A2 =   0.100";
    QTest::newRow("a thousand thousandths") << "1000" << 1000 << "A2 =   1.000";
    QTest::newRow("zero") << "0" << 0 << "A2 =   0.000";
    QTest::newRow("letters refused") << "abc" << 123 << "A2 =   0.123";
    QTest::newRow("minus refused") << "-" << 123 << "A2 =   0.123";
    QTest::newRow("a lone comma keeps the value") << "," << 123 << "A2 =   0.123";
    QTest::newRow("beyond one turns back") << "1.5" << 123 << "A2 =   0.123";
    QTest::newRow("2000 thousandths turn back") << "2000" << 123 << "A2 =   0.123";
}

// Ctrl+A, the keys, Enter: each digit on the way to "300" or "1000" reads as
// a value, so none is refused. Nothing is sent before Enter; then the new
// value, or, for refused text, nothing but a note, the box turned back.
void TestScaledSpinBox::typing()
{
    QFETCH(QString, keys);
    QFETCH(int, value);
    QFETCH(QString, text);

    ScaledSpinBox box(a2Prefix, 0, 1000, 1);
    box.setValue(123);
    QStringList notes;
    box.setNoteHandler([&notes](const QString& note) { notes << note; });
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QSignalSpy changed(&box, &QSpinBox::valueChanged);

    box.findChild<QLineEdit*>()->selectAll();
    QTest::keyClicks(&box, keys);
    QCOMPARE(box.value(), 123);
    QVERIFY(changed.isEmpty());
    QTest::keyClick(&box, Qt::Key_Enter);
    QCOMPARE(box.value(), value);
    QCOMPARE(box.text(), text);
    QCOMPARE(changed.size(), value == 123 ? 0 : 1);
    if (value != 123)
        QCOMPARE(changed.last().at(0).toInt(), value);
    const bool refused = value == 123;
    QCOMPARE(!notes.isEmpty(), refused);
    if (refused)
        QVERIFY2(notes.last().startsWith("A2: ") && notes.last().contains("A2 stays 0.123"), qPrintable(notes.last()));
}

void TestScaledSpinBox::stepping_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("step");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("presses");
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("A2 up by 10") << 300 << 10 << int(Qt::Key_Up) << 1 << 310 << "A2 =   0.310";
    QTest::newRow("A2 down by 10 twice") << 300 << 10 << int(Qt::Key_Down) << 2 << 280 << "A2 =   0.280";
    QTest::newRow("D0 up by 2") << 0 << 2 << int(Qt::Key_Up) << 3 << 6 << "A2 =   0.006";
    QTest::newRow("clamped at 1000") << 995 << 10 << int(Qt::Key_Up) << 2 << 1000 << "A2 =   1.000";
}

void TestScaledSpinBox::stepping()
{
    QFETCH(int, start);
    QFETCH(int, step);
    QFETCH(int, key);
    QFETCH(int, presses);
    QFETCH(int, value);
    QFETCH(QString, text);

    ScaledSpinBox box(a2Prefix, 0, 1000, 1);
    box.setValue(start);
    box.setSingleStep(step);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    for (int i = 0; i < presses; ++i)
        QTest::keyClick(&box, Qt::Key(key));
    QCOMPARE(box.value(), value);
    QCOMPARE(box.text(), text);
}

QTEST_MAIN(TestScaledSpinBox)
#include "tst_scaledspinbox.moc"
