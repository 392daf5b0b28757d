// SPDX-License-Identifier: GPL-3.0-or-later
#include "helpfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

QString helpFileName()
{
    return QStringLiteral("tidmarhelp.txt");
}

QStringList helpFolders()
{
    return {QDir::currentPath()};
}

QString builtInHelpPath()
{
    return QStringLiteral(":/tidmar/tidmarhelp.txt");
}

QString findHelpFile(const QStringList& folders)
{
    for (const QString& folder : folders) {
        if (folder.isEmpty())
            continue;
        // Regular files only: a directory or a pipe of that name is passed over.
        const QFileInfo info(QDir(folder), helpFileName());
        if (info.isFile() && info.isReadable())
            return info.filePath();
    }
    return {};
}

QString readHelpText(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    QString text = QString::fromUtf8(file.read(maxHelpBytes));
    text.remove(QChar(u'\0'));
    return text;
}

QString helpText(const QStringList& folders)
{
    const QString path = findHelpFile(folders);
    return readHelpText(path.isEmpty() ? builtInHelpPath() : path);
}
