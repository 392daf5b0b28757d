// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QSpinBox>

#include <functional>

// A spin box whose typed values count only when the user presses Enter or
// leaves the box (no keyboard tracking); the arrows and the wheel change the
// value at once. Text that is no value of the box is refused visibly: a key
// that cannot lead to a value is not taken, and text that is still no value
// on Enter or on leaving turns back to the value the box holds. Either way a
// short note says why, through the note handler: by default a tooltip at the
// box. A whole number beyond the range can be typed, so that it is seen and
// refused as a whole rather than cut short.
//
// No Q_OBJECT: the meta-object system reports the box as a QSpinBox.
class CheckedSpinBox : public QSpinBox
{
public:
    using NoteHandler = std::function<void(const QString& note)>;

    // label names the value in notes ("Width").
    explicit CheckedSpinBox(QWidget* parent = nullptr, const QString& label = QString());

    void setNoteHandler(NoteHandler handler);
    // True when the box's last typed text was turned back and its value has
    // not changed since.
    bool hasRefusal() const { return refused; }
    void forgetRefusal() { refused = false; }

protected:
    QValidator::State validate(QString& input, int& pos) const override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    StepEnabled stepEnabled() const override;

    // Why text is refused, in a short sentence that names the value kept.
    virtual QString refusalNote(const QString& text) const;
    QString label() const { return valueLabel; }

private:
    bool acceptable(const QString& text) const;
    void committed(const QString& text);
    void refuse(const QString& text);

    QString valueLabel;
    NoteHandler noteHandler;
    bool refused = false;
};
