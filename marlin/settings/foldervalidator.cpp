#include "marlin/settings/foldervalidator.h"

#include "kelframe/kelfolders.h"
#include "shared/keltext.h"

#include <QDir>
#include <QFileInfo>

namespace Tarn {

FolderValidator::FolderValidator(QObject *parent)
    : QValidator(parent)
{
}

QValidator::State FolderValidator::validate(QString &input, int &pos) const
{
    Q_UNUSED(pos)
    return isAcceptable(input) ? Acceptable : Invalid;
}

bool FolderValidator::isAcceptable(const QString &folder)
{
    // A drive-letter pattern would refuse every folder of a platform
    // without drives; what matters is that the path is absolute here.
    const QString path = QDir::fromNativeSeparators(folder);
    if (path.isEmpty() || !QDir::isAbsolutePath(path) || !Kel::Text::isValidPath(path))
        return false;
    return QFileInfo(path).isDir() && Kel::isFolderWritable(path);
}

} // namespace Tarn
