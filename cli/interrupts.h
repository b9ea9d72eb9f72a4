#pragma once

// Ctrl+C and a request to terminate only set a flag from CatchInterrupts on,
// so that the program can end at a point of its own choosing: a file half
// written would otherwise be left behind. Not for a program started with
// them ignored (as nohup starts it), which keeps ignoring them.
void CatchInterrupts();
bool InterruptRequested();

// Ends the program the way the caught interrupt would have, so that the
// shell or script that started it sees it interrupted and stops too.
[[noreturn]] void EndAsInterrupted();
