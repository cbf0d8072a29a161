// The main window's menu bar, built from the shell's menu table.
#pragma once

#include <gtk/gtk.h>

#include "platform/window.h"

namespace platform::gtk {

// A menu bar for the menu, "&" mnemonics shown as GTK's "_"; choosing an
// item calls chosen with its command id.
GtkWidget* buildMenuBar(const Menu& menu, void (*chosen)(int command));

}  // namespace platform::gtk
