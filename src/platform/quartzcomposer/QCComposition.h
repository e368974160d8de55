#pragma once

#include "platform/foundation/NSObject.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <optional>

struct QCCompositionModel;

// The contents of the composition file at `in_path`, read without waiting on anything but the
// disk: the file is opened without blocking and must be a regular file (a FIFO, socket or
// device is refused, not read). Nothing, with a one-line reason naming the path, when it does
// not exist, is not a regular file, is larger than a shader source can be or cannot be read.
std::optional<QByteArray> QCReadCompositionFile(const QString& in_path, QString* out_error);

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
    // failure too: "not a composition: ..." for data that is neither form, else the format's
    // own complaint ("ISF: imported image ...").
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
