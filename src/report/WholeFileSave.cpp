#include "WholeFileSave.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

QString SaveWholeFile(const QString& path, const QByteArray& bytes)
{
    const QFileInfo target(path);
    if (target.exists() && !target.isFile()) {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.flush()) {
            return file.errorString();
        }
        file.close();
        return file.error() == QFileDevice::NoError ? QString() : file.errorString();
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        return file.errorString();
    }
    return {};
}
