// What the pieces of the GTK window system share: GTK's start, the main
// window as owner of dialogs, the menu bar and the program icon.
#pragma once

#include <gtk/gtk.h>

#include "platform/window.h"

namespace platform::gtk {

// Starts GTK once; false when there is no display to show windows on.
bool startGtk();

// The main window once created, else null: the owner of every dialog.
GtkWindow* mainWindow();

// A menu bar for the menu, "&" mnemonics shown as GTK's "_"; choosing an
// item calls chosen with its command id.
GtkWidget* buildMenuBar(const Menu& menu, void (*chosen)(int command));

// The program's icon, drawn at the given size in pixels.
GdkPixbuf* programIcon(int size);

}  // namespace platform::gtk
