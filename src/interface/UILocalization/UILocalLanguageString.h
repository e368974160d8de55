#pragma once

#include <QString>

#include <map>
#include <string>

// A text of the interface named from code: an identifier and its default (US English) text,
// meant as a static object. Its defaults are gathered before main and recorded by the language
// controller when it is first set up. The identifier text is not copied and must outlive the
// object.
class UILocalLanguageString {
public:
    UILocalLanguageString(const char* identifier, const char* defaultText);

    // The text from the language controller; a null text when there is none.
    operator QString() const;
    // Its UTF-8 form, valid until the current release scope of the thread is drained; null when
    // there is no text.
    operator const char*() const;

    // Identifier -> default text, in identifier order; made by the first object, never freed.
    static std::map<std::string, std::string>* sCplusPlusStaticStrings;

private:
    const char* mID;
};
