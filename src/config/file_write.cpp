#include "config/file_write.h"

#include <QSaveFile>

namespace fileWrite {

bool whole(const QString& path, const QByteArray& bytes, QString* error) {
    QSaveFile file(path);
    // Unbuffered, so a short write shows in write()'s count instead of a cut file at commit.
    const bool ok = file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) && file.write(bytes) == bytes.size() &&
                    file.commit();
    if (!ok && error) *error = file.errorString();
    return ok;
}

}  // namespace fileWrite
