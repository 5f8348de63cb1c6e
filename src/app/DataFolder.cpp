#include "DataFolder.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

#include <filesystem>
#include <system_error>

QString DataFolderPath()
{
    return QDir::home().filePath("Quorvex");
}

QString PrepareDataFolder(const QString& folder)
{
    Q_INIT_RESOURCE(quorvex);  // the example lives in this static library
    const std::filesystem::path path = folder.toStdString();
    std::error_code error;
    std::filesystem::create_directories(path, error);
    if (!error && !std::filesystem::is_directory(path)) {
        error = std::make_error_code(std::errc::not_a_directory);
    }
    if (error) {
        return "Cannot create the folder " + folder + ": " + QString::fromStdString(error.message());
    }

    const std::filesystem::path ini = path / "PTC.INI";
    if (std::filesystem::symlink_status(ini, error).type() != std::filesystem::file_type::not_found) {
        return QString();  // the user's own file (or link) stays as it is
    }
    QFile example(":/quorvex/examples/PTC.INI");
    if (!example.open(QIODevice::ReadOnly)) {
        return "Cannot read the example test-condition file: " + example.errorString();
    }
    // Written whole or not at all, so that a full disk never leaves half a file to load.
    QSaveFile copy(QString::fromStdString(ini.string()));
    if (!copy.open(QIODevice::WriteOnly) || copy.write(example.readAll()) < 0 || !copy.commit()) {
        return "Cannot write " + copy.fileName() + ": " + copy.errorString();
    }
    return QString();
}
