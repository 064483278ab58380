#include "app/AtomicWrite.h"

#include <QSaveFile>

bool writeFileAtomically(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    // Writing straight into the target would lose the old contents when the write fails.
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    // commit() does not notice a failure of the final buffer flush (a full disk, a file
    // size limit) and would put a truncated file in place, so flush and check first.
    if (file.write(bytes) != bytes.size() || !file.flush())
        return false;
    return file.commit();
}
