#pragma once

#include "platform/foundation/NSObject.h"

#include <QByteArray>
#include <QString>

#include <memory>

struct QCCompositionModel;

// A composition: a GLSL program in the ISF form (versions 1 and 2) or the single-pass
// Shadertoy form, checked and ready for a QCRenderer. Immutable once made.
class QCComposition : public NSObject {
    Q_OBJECT
public:
    // The composition the data describes, autoreleased into the calling thread's release scope;
    // nullptr (with one log line) when the data is not a composition. `in_location` is the path
    // of the file the data was read from, or its folder: the files the composition loads are
    // resolved against that folder, and the ISF companion vertex shader is the file of the same
    // base name with the extension "vs". `out_error`, when given, receives the reason of a
    // failure too.
    static QCComposition* compositionWithData(const QByteArray& in_data,
                                              const QString& in_location = QString(),
                                              QString* out_error = nullptr);

    const QCCompositionModel& model() const { return *mModel; }
    // "ISF" or "Shadertoy".
    QString formatName() const;
    QString description() const override;

private:
    explicit QCComposition(std::shared_ptr<const QCCompositionModel> in_model);
    ~QCComposition() override;

    std::shared_ptr<const QCCompositionModel> mModel;
};
