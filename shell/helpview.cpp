// SPDX-License-Identifier: GPL-3.0-or-later
#include "helpview.h"

#include "helpfile.h"

#include <QPushButton>
#include <QTextEdit>

Helpview::Helpview(QWidget* parent, const char* name, bool modal)
    : QDialog(parent)
{
    if (name != nullptr)
        setObjectName(QString::fromLatin1(name));
    setModal(modal);
    setWindowTitle(QStringLiteral(" Helpfile for Tidmar III "));

    // No layout: the text fills the window and the button lies on top of its
    // lower right corner.
    auto* textView = new QTextEdit(this);
    auto* closeButton = new QPushButton(QStringLiteral(" &Close"), this);
    closeButton->setObjectName(QStringLiteral("quit"));
    closeButton->setGeometry(540, 370, 100, 30);
    textView->setReadOnly(true);
    textView->setGeometry(0, 0, 640, 400);

    // setText lets the view decide between plain and rich text.
    textView->setText(helpText(helpFolders()));

    setGeometry(320, 320, 640, 400);
    setFixedSize(640, 400);

    connect(closeButton, &QPushButton::clicked, this, &QWidget::hide);
}
