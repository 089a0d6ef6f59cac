// Ctrl-C, SIGTERM and SIGHUP during a command: the first one asks the running
// transfer to stop after its current packet, so the command can clean up and
// exit 28; a second one ends the process as usual.
#pragma once

class CFlashExplorerData;

namespace quorvex::cli {

void CatchStopSignals();
// The object whose transfer a signal stops (null: none).
void SetStopTarget(CFlashExplorerData* flash);
bool StopRequested();

}  // namespace quorvex::cli
