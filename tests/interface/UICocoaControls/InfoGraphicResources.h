#pragma once

#include <QTemporaryDir>

namespace lumenreel::test {

// Makes a main bundle whose resources are the project's info-graphic pictures, for as long as
// it exists.
class InfoGraphicBundle {
public:
    InfoGraphicBundle();
    ~InfoGraphicBundle();

private:
    QTemporaryDir mFolder;
};

} // namespace lumenreel::test
