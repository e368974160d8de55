#include "interface/UILocalization/UILocalLanguageString.h"

#include "interface/UILocalization/UILocalLanguageController.h"
#include "platform/foundation/NSObject.h"

#include <QByteArray>

namespace {

// Bytes that live until the release scope they are handed to is drained.
class AutoreleasedBytes : public NSObject {
public:
    explicit AutoreleasedBytes(QByteArray bytes) : mBytes(std::move(bytes)) {}
    const char* data() const { return mBytes.constData(); }

private:
    QByteArray mBytes;
};

} // namespace

std::map<std::string, std::string>* UILocalLanguageString::sCplusPlusStaticStrings = nullptr;

UILocalLanguageString::UILocalLanguageString(const char* identifier, const char* defaultText)
    : mID(identifier) {
    if (!sCplusPlusStaticStrings)
        sCplusPlusStaticStrings = new std::map<std::string, std::string>;
    (*sCplusPlusStaticStrings)[identifier ? identifier : ""] = defaultText ? defaultText : "";
}

UILocalLanguageString::operator QString() const {
    return UILocalLanguageController::stringWithID(QString::fromUtf8(mID));
}

UILocalLanguageString::operator const char*() const {
    const QString text = *this;
    if (text.isNull())
        return nullptr;
    auto* bytes = new AutoreleasedBytes(text.toUtf8());
    bytes->autorelease();
    return bytes->data();
}
