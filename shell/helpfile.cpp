#include "helpfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

QString helpFileName()
{
    return QStringLiteral("tidmarhelp.txt");
}

QStringList helpFolders()
{
    QStringList folders{QDir::currentPath()};
    if (QCoreApplication::instance() != nullptr)
        folders << QCoreApplication::applicationDirPath();
#ifdef TIDMAR_DATADIR
    folders << QStringLiteral(TIDMAR_DATADIR);
#endif
    return folders;
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
