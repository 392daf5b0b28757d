#pragma once

#include <QDialog>

// A fixed-size, non-modal window showing the help file. The file is read once,
// when the window is built; without it the window stays empty.
class Helpview : public QDialog
{
    Q_OBJECT

public:
    explicit Helpview(QWidget* parent = nullptr, const char* name = nullptr, bool modal = false);
};
