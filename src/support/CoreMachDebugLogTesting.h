#pragma once

// For tests only: forgets the Logs folder and the log file's path, so that the next file write
// initialises again, and tells whether the last initialisation succeeded.
void CoreMachDebugLogResetForTesting();
bool CoreMachDebugLogIsInitializedForTesting();
