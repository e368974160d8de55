#pragma once

#include <QString>

// The GPU reset check of a robust context (one made with reset notification). Needs the
// renderer's context current.

// True when the context was lost to a GPU reset since it was made; out_why then says whose
// fault the reset was. Always false on a context without reset notification.
bool QCGraphicsWasReset(QString* out_why);

// Tests only: makes QCGraphicsWasReset report a reset of this kind (a GL reset status such as
// GL_GUILTY_CONTEXT_RESET; 0 reports none) instead of asking the driver.
void QCSimulateGraphicsResetForTesting(unsigned in_status);
