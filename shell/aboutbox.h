#pragma once

#include <QString>

class QWidget;

// The About text of the program.
QString aboutText();

// Shows the About box, modal over parent, and returns when it is closed.
void showAbout(QWidget* parent);
