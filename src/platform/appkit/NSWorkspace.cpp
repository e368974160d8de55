#include "platform/appkit/NSWorkspace.h"

#include "platform/foundation/NSURL.h"

#include <QDesktopServices>
#include <QUrl>

#include <utility>

namespace {

NSWorkspace::Opener& installedOpener() {
    static NSWorkspace::Opener sOpener;
    return sOpener;
}

} // namespace

NSWorkspace* NSWorkspace::sharedWorkspace() {
    static NSWorkspace sShared;
    return &sShared;
}

bool NSWorkspace::openURL(const NSURL* url) {
    if (!url)
        return false;
    if (const Opener& opener = installedOpener())
        return opener(url->path());
    return QDesktopServices::openUrl(QUrl::fromLocalFile(url->path()));
}

NSWorkspace::Opener NSWorkspace::setOpener(Opener opener) {
    return std::exchange(installedOpener(), std::move(opener));
}
