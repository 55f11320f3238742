#include "gui/QtText.h"

#include <dirent.h>
#include <sys/stat.h>

#include <QFile>
#include <QFileInfo>
#include <memory>

#include "load/Windows1251.h"

namespace quillmere::gui {

QString FromWindows1251(std::string_view bytes) { return FromUtf8(load::Windows1251ToUtf8(bytes)); }

QString FromUtf8(std::string_view bytes) {
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

QString FromFileSystem(std::string_view bytes) {
    return QFile::decodeName(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

std::string ToFileSystem(const QString& path) {
    const QByteArray encoded = QFile::encodeName(path);
    struct stat info {};
    if (::lstat(encoded.constData(), &info) == 0) return encoded.toStdString();

    const QFileInfo file(path);
    const QByteArray folder = QFile::encodeName(file.path());
    const std::unique_ptr<DIR, int (*)(DIR*)> listing(::opendir(folder.constData()), &::closedir);
    if (listing) {
        while (const dirent* entry = ::readdir(listing.get())) {
            if (QFile::decodeName(entry->d_name) == file.fileName()) {
                return folder.toStdString() + "/" + entry->d_name;
            }
        }
    }
    return encoded.toStdString();  // not there at all: the load names the problem
}

}  // namespace quillmere::gui
