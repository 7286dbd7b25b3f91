#pragma once
// The end the system asks for: SIGINT (Ctrl+C in the terminal that started the tool), SIGTERM
// (kill, a session's end) and SIGHUP (the terminal closed) end the tool as its window's end does,
// without asking about unsaved changes (no one may be there to answer): every event loop, the
// main one and a modal screen's or box's, ends, QApplication::exec returns 0 and the main program
// withdraws what it published and removes its single-instance files. A second such signal, of
// the same kind or another, while the first is being handled, ends the process at once, as that
// signal's default does: the first one's handler gives all three back their defaults.

// Call once, after the QApplication is made.
void EndOnEndSignals();
// True once such a signal was handled: a loop that ran before the main one (a box of the start-up)
// ended for it, and the main loop is not to start.
bool EndRequested();
