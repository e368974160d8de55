#include "InfoGraphicResources.h"

#include "platform/corefoundation/CFBundle.h"

#include <QDir>
#include <QFile>

namespace lumenreel::test {

InfoGraphicBundle::InfoGraphicBundle() {
    const QDir source(QStringLiteral(LUMENREEL_INFOGRAPHICS_DIR));
    QDir(mFolder.path()).mkpath(QStringLiteral("Resources"));
    for (const QString& name : source.entryList({QStringLiteral("*.pdf")}, QDir::Files))
        QFile::copy(source.filePath(name), mFolder.filePath(QStringLiteral("Resources/") + name));
    CFBundleSetMainBundleFolder(mFolder.path().toUtf8().constData());
}

InfoGraphicBundle::~InfoGraphicBundle() {
    CFBundleSetMainBundleFolder(nullptr);
}

} // namespace lumenreel::test
