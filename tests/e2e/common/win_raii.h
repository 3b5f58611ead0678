// Owners for the Win32 resources that the end-to-end helpers and tests use:
// the program's own (scoped.h, header only).
#pragma once

#include <windows.h>

#include "scoped.h"

namespace quill::e2e {

using win32::ClipboardSession;
using win32::GlobalLock;
using win32::OleSession;
// Processes, threads, events, mutexes: NULL when there is none.
using win32::UniqueHandle;
// Files, and anything else whose failed open gives INVALID_HANDLE_VALUE
// (a Toolhelp snapshot).
using win32::UniqueFile;
using win32::UniqueGlobal;
using win32::UniqueHook;
// A window this program created.
using win32::UniqueWindow;

}  // namespace quill::e2e
