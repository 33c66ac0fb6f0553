// How the Linux front ends are told to end: an idle daemon or XScreenSaver sends SIGTERM, a
// terminal SIGINT.
#pragma once

// `onStop` runs on either signal; it should only set the front end's stop flag. No
// SA_RESTART, so a wait in poll returns at once.
void catchStopSignals(void (*onStop)(int));
