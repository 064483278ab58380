#include "app/RegularFile.h"

#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool openRegularFile(const QString& path, qint64 maxBytes, QFile& file) {
    // The type is checked on the name first, so that no device is even opened, and again
    // on the opened file, which is opened without waiting in case a pipe took the name's
    // place meanwhile.
    const QFileInfo info(path);
    if (!info.isFile() || info.size() > maxBytes)
        return false;
    const int descriptor =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (descriptor < 0)
        return false;
    if (!file.open(descriptor, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(descriptor);
        return false;
    }
    struct stat status {};
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode) ||
        status.st_size > maxBytes) {
        file.close();
        return false;
    }
    return true;
}
