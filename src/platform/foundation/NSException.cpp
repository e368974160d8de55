#include "platform/foundation/NSException.h"

#include <utility>

NSException::NSException(QString name, QString reason)
    : mName(std::move(name)), mReason(std::move(reason)) {}

void NSException::raise(const QString& name, const QString& reason) {
    throw NSException(name, reason);
}
