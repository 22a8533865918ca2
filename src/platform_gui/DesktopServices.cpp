#include "platform_gui/DesktopServices.h"

#include <QDesktopServices>
#include <QFileInfo>

namespace {
DesktopServices::Opener &installed()
{
    static DesktopServices::Opener opener;
    return opener;
}
} // namespace

namespace DesktopServices {

bool openUrl(const QUrl &url)
{
    if (!url.isValid())
        return false;
    if (installed())
        return installed()(url);
    return QDesktopServices::openUrl(url);
}

bool openFile(const QString &path)
{
    if (path.isEmpty())
        return false;
    return openUrl(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
}

Opener setOpener(Opener opener)
{
    Opener previous = std::move(installed());
    installed() = std::move(opener);
    return previous;
}

} // namespace DesktopServices
