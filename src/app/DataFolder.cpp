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

namespace {

QString Reason(const std::error_code& error)
{
    return QString::fromLocal8Bit(error.message().c_str());
}

QString CopyExampleUnlessPresent(const std::filesystem::path& ini)
{
    std::error_code error;
    if (std::filesystem::symlink_status(ini, error).type() != std::filesystem::file_type::not_found) {
        return QString();  // the user's own file (or link) stays as it is
    }
    QFile example(":/quorvex/examples/PTC.INI");
    if (!example.open(QIODevice::ReadOnly)) {
        return "Cannot read the example test-condition file: " + example.errorString();
    }
    // Written whole or not at all, so that a full disk never leaves half a file to load.
    QSaveFile copy(QFile::decodeName(ini.c_str()));
    if (!copy.open(QIODevice::WriteOnly) || copy.write(example.readAll()) < 0 || !copy.commit()) {
        return "Cannot write " + copy.fileName() + ": " + copy.errorString();
    }
    return QString();
}

}  // namespace

QString EnterDataFolder(const QString& folder)
{
    Q_INIT_RESOURCE(quorvex);  // the example lives in this static library
    const std::filesystem::path path = QFile::encodeName(folder).constData();
    std::error_code error;
    std::filesystem::create_directories(path, error);
    if (!error && !std::filesystem::is_directory(path)) {
        error = std::make_error_code(std::errc::not_a_directory);
    }
    if (error) {
        return "Cannot create the folder " + folder + ": " + Reason(error);
    }
    const QString copyFailure = CopyExampleUnlessPresent(path / "PTC.INI");
    if (!copyFailure.isEmpty()) {
        return copyFailure;
    }
    std::filesystem::current_path(path, error);
    if (error) {
        return "Cannot work in the folder " + folder + ": " + Reason(error);
    }
    return QString();
}
