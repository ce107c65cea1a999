// Console lines of the airship, shown on the simulator's console.
#ifndef GATE_PILOT_CONSOLE_H
#define GATE_PILOT_CONSOLE_H

// Formats text into the library's buffer and prints it, the library's
// three-call pattern; text longer than the buffer is cut.
void consolePrint(const char *text);

#endif
