#pragma once
// Ctrl+C (and SIGTERM) ask a render to stop after the frame in hand, so the
// video written so far is finished properly. A second Ctrl+C kills at once.
void CatchInterrupts();
bool Interrupted();
