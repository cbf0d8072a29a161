// What the other pieces of the GTK window system take from the main window:
// GTK's start, and the main window as the owner of every dialog.
#pragma once

#include <gtk/gtk.h>

namespace platform::gtk {

// Starts GTK once; false when there is no display to show windows on.
bool startGtk();

// The main window once created, else null.
GtkWindow* mainWindow();

}  // namespace platform::gtk
