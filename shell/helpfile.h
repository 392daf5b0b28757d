// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

// Finding and reading the help text "tidmarhelp.txt".

// Reads of the help file stop after this many bytes.
constexpr qint64 maxHelpBytes = 2 * 1024 * 1024;

QString helpFileName();

// Where the help file is looked for: the working directory.
QStringList helpFolders();

// The help text compiled into the program, a Qt resource.
QString builtInHelpPath();

// The path of the help file in the first folder that holds it as a readable
// regular file, or an empty string when none does.
QString findHelpFile(const QStringList& folders);

// The file's text, decoded as UTF-8 with invalid bytes replaced and NUL
// characters dropped; at most maxHelpBytes are read. Empty when the file
// cannot be opened.
QString readHelpText(const QString& path);

// The text the help viewer shows: the help file of the first folder that
// holds one, otherwise the built-in help.
QString helpText(const QStringList& folders);
