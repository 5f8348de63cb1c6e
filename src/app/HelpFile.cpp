#include "HelpFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

QStringList HelpFileCandidates()
{
    const QDir programDir(QCoreApplication::applicationDirPath());
    return {
        programDir.filePath("Quorvex.html"),
        QDir::cleanPath(programDir.filePath(QUORVEX_DOCDIR_FROM_BINDIR "/Quorvex.html")),
    };
}

QString HelpFilePath()
{
    for (const QString& candidate : HelpFileCandidates()) {
        if (QFileInfo(candidate).isFile()) {
            return candidate;
        }
    }
    return QString();
}
