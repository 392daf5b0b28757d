// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "checkedspinbox.h"

// A spin box for a probability held in thousandths: the integer value v (for
// instance 300) is shown behind a fixed prefix as v / 1000 with exactly three
// decimals ("A2 =   0.300"). Typed text is read back in the same form, with a
// decimal comma as well as a point; a whole number from 2 to 1000 is read as
// thousandths ("300" is 0.300). A typed value counts on Enter or on leaving
// the box; text that is no such value is refused with a note and the box
// keeps its value (CheckedSpinBox).
//
// The class adds no slots or signals; it deliberately carries no Q_OBJECT, so
// the meta-object system reports it as a QSpinBox.
class ScaledSpinBox : public CheckedSpinBox
{
public:
    // prefix is not copied: pass a string that outlives the box, such as a
    // literal. name becomes the object name.
    ScaledSpinBox(const char* prefix, int minValue, int maxValue, int step, QWidget* parent = nullptr,
                  const char* name = nullptr);

protected:
    QString textFromValue(int value) const override;
    int valueFromText(const QString& text) const override;
    QValidator::State validate(QString& input, int& pos) const override;
    void fixup(QString& input) const override;
    QString refusalNote(const QString& text) const override;

private:
    const char* valuePrefix = nullptr;
};
