// SPDX-License-Identifier: GPL-3.0-or-later
#include "checkedspinbox.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QToolTip>

CheckedSpinBox::CheckedSpinBox(QWidget* parent, const QString& label)
    : QSpinBox(parent)
    , valueLabel(label)
{
    setKeyboardTracking(false);
}

void CheckedSpinBox::setNoteHandler(NoteHandler handler)
{
    noteHandler = std::move(handler);
}

bool CheckedSpinBox::takeRefusal()
{
    return std::exchange(refused, false);
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
    const bool refusedOnCommit = commit && !acceptable(before);
    QSpinBox::keyPressEvent(event);
    if (refusedOnCommit) {
        refused = true;
        refuse(before);
    }
}

void CheckedSpinBox::focusOutEvent(QFocusEvent* event)
{
    const QString before = lineEdit()->text();
    const bool refusedNow = !acceptable(before);
    QSpinBox::focusOutEvent(event);
    if (refusedNow) {
        refused = true;
        refuse(before);
    }
}

QString CheckedSpinBox::refusalNote(const QString& text) const
{
    return QStringLiteral("%1: \u201c%2\u201d refused, a whole number from %3 to %4 is needed; %1 stays %5.")
        .arg(valueLabel.isEmpty() ? QStringLiteral("Value") : valueLabel, text.trimmed())
        .arg(minimum())
        .arg(maximum())
        .arg(value());
}

void CheckedSpinBox::refuse(const QString& text)
{
    const QString note = refusalNote(text);
    if (noteHandler)
        noteHandler(note);
    else
        QToolTip::showText(mapToGlobal(QPoint(0, height())), note, this);
}
