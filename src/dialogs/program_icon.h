#pragma once

#include <wx/bitmap.h>
#include <wx/iconbndl.h>

// The program's own icon (a receipt printer with a paper strip), drawn in code so
// that the program carries no image files. Needs the toolkit to be running.
wxBitmap ProgramIconBitmap(int size);
// 16, 32 and 48 pixels, for window title bars and task lists.
wxIconBundle ProgramIcons();
