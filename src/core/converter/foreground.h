#pragma once
// Making a window the foreground window even where the system's foreground
// lock would refuse a plain request.

#include "platform.h"

namespace quill {

// Attaches the program's input to the thread of the current foreground
// window (unless that is the program's own thread), sets the foreground lock
// time-out to 0 for the one request, then restores the time-out and, last,
// detaches. Nothing is tested or reported.
void forceForeground(Foreground& foreground, WindowHandle window);

}  // namespace quill
