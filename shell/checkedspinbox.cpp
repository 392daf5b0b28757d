// SPDX-License-Identifier: GPL-3.0-or-later
#include "checkedspinbox.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QToolTip>

#include <algorithm>

CheckedSpinBox::CheckedSpinBox(QWidget* parent, const QString& label)
    : QSpinBox(parent)
    , valueLabel(label)
{
    setKeyboardTracking(false);
    connect(this, &QSpinBox::valueChanged, this, [this] { refused = false; });
}

void CheckedSpinBox::setNoteHandler(NoteHandler handler)
{
    noteHandler = std::move(handler);
}

// Digits beyond the range are Intermediate rather than Invalid, so "2000" in
// a box up to 1000 stays on screen until it is refused as a whole.
QValidator::State CheckedSpinBox::validate(QString& input, int& pos) const
{
    const QValidator::State state = QSpinBox::validate(input, pos);
    if (state != QValidator::Invalid)
        return state;
    const QString digits = input.trimmed();
    const bool whole = !digits.isEmpty()
                       && std::all_of(digits.begin(), digits.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    return whole ? QValidator::Intermediate : QValidator::Invalid;
}

bool CheckedSpinBox::acceptable(const QString& text) const
{
    QString copy = text;
    int pos = 0;
    return validate(copy, pos) == QValidator::Acceptable;
}

// A printable key that would make the text invalid is refused with a note;
// Enter on text that is no value turns it back with a note.
void CheckedSpinBox::keyPressEvent(QKeyEvent* event)
{
    QLineEdit* edit = lineEdit();
    const QString typed = event->text();
    if (!typed.isEmpty() && typed.at(0).isPrint() && !edit->isReadOnly()) {
        QString candidate = edit->text();
        const int start = edit->hasSelectedText() ? edit->selectionStart() : edit->cursorPosition();
        candidate.replace(start, edit->selectedText().size(), typed);
        int pos = start + int(typed.size());
        if (validate(candidate, pos) == QValidator::Invalid)
            refuse(candidate);
    }
    const bool commit = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    const QString before = edit->text();
    QSpinBox::keyPressEvent(event);
    if (commit)
        committed(before);
}

void CheckedSpinBox::focusOutEvent(QFocusEvent* event)
{
    const QString before = lineEdit()->text();
    QSpinBox::focusOutEvent(event);
    committed(before);
}

// After Enter or leaving the box: text was taken, or turned back.
void CheckedSpinBox::committed(const QString& text)
{
    refused = !acceptable(text);
    if (refused)
        refuse(text);
}

// The arrows take a typed value not yet taken and step from it: a box at its
// minimum showing a typed 0.5 steps down from 0.5, and a box at 0.460
// showing a typed 0 takes the 0 on Down.
QAbstractSpinBox::StepEnabled CheckedSpinBox::stepEnabled() const
{
    StepEnabled enabled = QSpinBox::stepEnabled();
    const QString text = lineEdit()->displayText();
    if (isReadOnly() || wrapping() || !acceptable(text))
        return enabled;
    const int typed = valueFromText(text);
    if (typed < maximum())
        enabled |= StepUpEnabled;
    if (typed > minimum())
        enabled |= StepDownEnabled;
    return enabled;
}

QString CheckedSpinBox::refusalNote(const QString& text) const
{
    return QStringLiteral("%1: \u201c%2\u201d refused, %1 stays %3 (a whole number from %4 to %5).")
        .arg(valueLabel.isEmpty() ? QStringLiteral("Value") : valueLabel, text.trimmed())
        .arg(value())
        .arg(minimum())
        .arg(maximum());
}

void CheckedSpinBox::refuse(const QString& text)
{
    const QString note = refusalNote(text);
    if (noteHandler)
        noteHandler(note);
    else
        QToolTip::showText(mapToGlobal(QPoint(0, height())), note, this);
}
