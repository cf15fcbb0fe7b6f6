#pragma once
// Ctrl+C (and SIGTERM, and SIGHUP when the terminal closes) ask a render to stop after the frame in hand, so the
// video written so far is finished properly. A second Ctrl+C kills at once,
// unless `secondKills` is false (a song of a batch, which hears the
// terminal's Ctrl+C and the batch's own).
void CatchInterrupts(bool secondKills = true);
bool Interrupted();
