#pragma once

// The console the tools print to.

// Lets a console show the tools' UTF-8 output, on stdout as on stderr: on
// Windows it switches the console to its UTF-8 code page for the run and
// gives the shell's back at exit; elsewhere terminals take UTF-8 as it is.
// Called before any output.
void UseUtf8Console();

// Whether stderr is a terminal that understands the cursor controls of a
// progress line (on Windows, switched on for the run).
bool StderrIsTerminal();
