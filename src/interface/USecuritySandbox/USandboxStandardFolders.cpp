#include "interface/USecuritySandbox/USandboxStandardFolders.h"

#include "platform/foundation/NSPathUtilities.h"

namespace {

NSClass::ClassMethod searchPathFolder(NSSearchPathDirectory directory) {
    return [directory](Class) {
        return QVariant(USandboxUserFolder::defaultFolderPathForNSSearchPathDirectory(directory));
    };
}

} // namespace

NS_IMPLEMENT_CLASS(USandboxMoviesFolder, USandboxUserFolder, [](NSClass& cls) {
    cls.addClassMethod("defaultFolderPath", searchPathFolder(NSMoviesDirectory));
})

NS_IMPLEMENT_CLASS(USandboxPicturesFolder, USandboxUserFolder, [](NSClass& cls) {
    cls.addClassMethod("defaultFolderPath", searchPathFolder(NSPicturesDirectory));
})

NS_IMPLEMENT_CLASS(USandboxDocumentsFolder, USandboxUserFolder, [](NSClass& cls) {
    cls.addClassMethod("defaultFolderPath", searchPathFolder(NSDocumentDirectory));
})

NS_IMPLEMENT_CLASS(USandboxTemporaryFolder, USandboxUserFolder, [](NSClass& cls) {
    cls.addClassMethod("defaultFolderPath", [](Class) { return QVariant(NSTemporaryDirectory()); });
})

int import_USandboxStandardFolders() {
    return USandboxMoviesFolder::classObject() && USandboxPicturesFolder::classObject() &&
           USandboxDocumentsFolder::classObject() && USandboxTemporaryFolder::classObject() &&
           import_USandboxUserFolder();
}
