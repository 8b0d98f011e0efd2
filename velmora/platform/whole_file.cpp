#include "whole_file.h"

#include <QFile>
#include <QSaveFile>
#include <cerrno>
#include <cstring>

namespace velmora {

std::string WriteAll(QFileDevice& file, const char* data, long long size) {
    errno = 0;
    const qint64 written = file.write(data, size);
    if (written == size)
        return {};
    // The device stops at the first write that fails, and errno still holds
    // its cause.
    const int cause = errno;
    return cause != 0 ? std::strerror(cause) : file.errorString().toStdString();
}

std::string WriteWholeFile(const std::string& path, const std::string& bytes) {
    QSaveFile file(QFile::decodeName(path.c_str()));
    // Unbuffered, so that a write cut short is seen, not committed.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return file.errorString().toStdString();
    if (std::string why = WriteAll(file, bytes.data(), static_cast<long long>(bytes.size()));
        !why.empty()) {
        file.cancelWriting();
        return why;
    }
    if (!file.commit())
        return file.errorString().toStdString();
    return {};
}

}  // namespace velmora
