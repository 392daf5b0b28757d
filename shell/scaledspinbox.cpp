// SPDX-License-Identifier: GPL-3.0-or-later
#include "scaledspinbox.h"

#include <QStringView>

#include <cstdint>

namespace {

struct Reading {
    QValidator::State state = QValidator::Invalid;
    int value = 0;
};

bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// Reads "[prefix] [-]digits[.ddd]" as thousandths, exactly, in integers. A
// decimal comma counts as the point. A whole number from 2 to 1000 is taken as
// thousandths, the box's own integer value ("300" is 0.300), while "0" and "1"
// keep their decimal meaning; so every digit typed on the way to "300" or
// "1000" reads as a value and the user can finish typing.
// Incomplete text (an empty number, a bare or half-typed prefix, a trailing
// point) and a number above maxValue, which is to be seen before it is
// refused, are Intermediate; anything else that is not such a number is
// Invalid.
Reading readScaled(QStringView text, QStringView prefix, int minValue, int maxValue)
{
    QStringView rest = text.trimmed();
    const QStringView label = prefix.trimmed();
    if (!label.isEmpty()) {
        if (rest.startsWith(label))
            rest = rest.mid(label.size()).trimmed();
        else if (label.startsWith(rest))
            return {QValidator::Intermediate, 0};
    }

    const bool negative = rest.startsWith(u'-');
    if (negative)
        rest = rest.mid(1);
    if (negative && minValue >= 0)
        return {};

    qsizetype point = rest.indexOf(u'.');
    if (point < 0)
        point = rest.indexOf(u',');
    const QStringView whole = point < 0 ? rest : rest.left(point);
    const QStringView decimals = point < 0 ? QStringView() : rest.mid(point + 1);
    for (const QStringView part : {whole, decimals})
        for (const QChar c : part)
            if (!isAsciiDigit(c))
                return {};
    if (decimals.size() > 3)
        return {};
    if (whole.isEmpty() && decimals.isEmpty())
        return {QValidator::Intermediate, 0};
    if (point >= 0 && decimals.isEmpty())
        return {QValidator::Intermediate, 0};

    // Beyond this any value is out of an int's range; stop before overflowing.
    constexpr std::int64_t ceiling = std::int64_t{1} << 40;
    std::int64_t thousandths = 0;
    for (const QChar c : whole) {
        thousandths = thousandths * 10 + (c.unicode() - u'0');
        if (thousandths > ceiling)
            return {};
    }
    constexpr std::int64_t wholeThousandths = 1000;
    if (point >= 0 || thousandths <= 1)
        thousandths *= 1000;
    else if (thousandths > wholeThousandths)
        return {QValidator::Intermediate, 0};
    std::int64_t scale = 100;
    for (const QChar c : decimals) {
        thousandths += (c.unicode() - u'0') * scale;
        scale /= 10;
    }
    if (negative)
        thousandths = -thousandths;

    if (thousandths > maxValue)
        return {QValidator::Intermediate, 0};
    if (thousandths < minValue)
        return {negative ? QValidator::Invalid : QValidator::Intermediate, 0};
    return {QValidator::Acceptable, static_cast<int>(thousandths)};
}

} // namespace

ScaledSpinBox::ScaledSpinBox(const char* prefix, int minValue, int maxValue, int step, QWidget* parent,
                             const char* name)
    : CheckedSpinBox(parent, QString::fromUtf8(prefix).section(u'=', 0, 0).trimmed())
    , valuePrefix(prefix)
{
    if (name != nullptr)
        setObjectName(QString::fromLatin1(name));
    setRange(minValue, maxValue);
    setSingleStep(step);
    // QSpinBox formed its first text and size hint before this box's
    // formatting was in place. Setting the base's own (empty) prefix again
    // makes it re-format both.
    setPrefix(QString());
}

// The prefix, then v / 1000 with exactly three decimals.
QString ScaledSpinBox::textFromValue(int value) const
{
    const std::int64_t v = value < 0 ? -std::int64_t{value} : value;
    const QString sign = value < 0 ? QStringLiteral("-") : QString();
    return QStringLiteral("%1%2.%3%4%5")
        .arg(QString::fromUtf8(valuePrefix), sign + QString::number(v / 1000),
             QString::number(((v - v % 100) / 100) % 10), QString::number(((v - v % 10) / 10) % 10),
             QString::number(v % 10));
}

int ScaledSpinBox::valueFromText(const QString& text) const
{
    const Reading reading = readScaled(text, QString::fromUtf8(valuePrefix), minimum(), maximum());
    return reading.state == QValidator::Acceptable ? reading.value : value();
}

QValidator::State ScaledSpinBox::validate(QString& input, int& pos) const
{
    Q_UNUSED(pos);
    return readScaled(input, QString::fromUtf8(valuePrefix), minimum(), maximum()).state;
}

// QSpinBox's fixup drops group separators, which would read "0,1" as "01",
// that is 1.000. The shown form has no group separators: keep the text as it
// is, so that unreadable text leaves the value unchanged.
void ScaledSpinBox::fixup(QString& input) const
{
    Q_UNUSED(input);
}

QString ScaledSpinBox::refusalNote(const QString& text) const
{
    const int shown = int(qstrlen(valuePrefix));
    return QStringLiteral("%1: \u201c%2\u201d refused, %1 stays %3 (type %4 to %5, as 0.25 or 250).")
        .arg(label(), text.trimmed(), textFromValue(value()).mid(shown), QString::number(minimum() / 1000),
             QString::number(maximum() / 1000));
}
