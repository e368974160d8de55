#include "platform/quartzcomposer/QCLog.h"

#include "platform/foundation/NSLog.h"

#include <QString>

void QCLog(const QString& in_line) {
    NSLog("%@", in_line);
}
