#include "file_io.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QString>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "../platform/ondrel_error.h"

namespace ondrel {

std::string ReadWholeFile(const std::string& path) {
    std::error_code error;
    if (std::filesystem::is_directory(path, error))
        throw Exception("Cannot open file " + path + ": it is a directory");
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw Exception("Cannot open file " + path + ": " + std::strerror(errno));
    std::ostringstream bytes;
    bytes << in.rdbuf();
    if (in.bad())
        throw Exception("Cannot read file " + path + ": " + std::strerror(errno));
    return bytes.str();
}

void WriteWholeFile(const std::string& path, const std::string& bytes) {
    const QString name = QString::fromLocal8Bit(path.c_str());
    const QFileInfo info(name);
    if (info.isDir())
        throw Exception("Cannot write file " + path + ": it is a directory");
    const qint64 size = static_cast<qint64>(bytes.size());
    if (info.exists() && !info.isFile()) {
        // A device or FIFO takes the bytes as a stream; replacing it would
        // put a plain file in its place.
        QFile device(name);
        if (!device.open(QIODevice::WriteOnly) || device.write(bytes.data(), size) != size ||
            !device.flush())
            throw Exception("Cannot write file " + path + ": " +
                            device.errorString().toStdString());
        return;
    }
    // QSaveFile writes a temporary file beside the target and renames it
    // over the target only once everything is written: a symbolic link is
    // followed to its target, an existing file keeps its permissions, and a
    // failure leaves the old file as it was.
    QSaveFile file(name);
    if (!file.open(QIODevice::WriteOnly))
        throw Exception("Cannot create file " + path + ": " + file.errorString().toStdString());
    if (file.write(bytes.data(), size) != size || !file.commit())
        throw Exception("Cannot write file " + path + ": " + file.errorString().toStdString());
}

void CheckWritable(const std::string& path) {
    const QFileInfo info(QString::fromLocal8Bit(path.c_str()));
    if (info.isDir())
        throw Exception("Cannot write file " + path + ": it is a directory");
    if (info.exists())
        return;
    const QFileInfo folder(info.absolutePath());
    if (!folder.isDir())
        throw Exception("Cannot create file " + path + ": the folder " +
                        folder.filePath().toStdString() + " does not exist");
    if (!folder.isWritable())
        throw Exception("Cannot create file " + path + ": the folder " +
                        folder.filePath().toStdString() + " is not writable");
}

std::string ExtensionOf(const std::string& path) {
    return std::filesystem::path(path).filename().extension().string();
}

}  // namespace ondrel
