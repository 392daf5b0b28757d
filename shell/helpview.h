// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

// A fixed-size, non-modal window showing the help text: tidmarhelp.txt from
// the working directory, or the help built into the program. It is read once,
// when the window is built.
class Helpview : public QDialog
{
    Q_OBJECT

public:
    explicit Helpview(QWidget* parent = nullptr, const char* name = nullptr, bool modal = false);
};
