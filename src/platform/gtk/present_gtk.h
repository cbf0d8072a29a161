// Showing the window picture: the drawing area paints the cairo surface
// unscaled at its top left, and changes the system drew at any time since
// the last look are sent to the screen.
#pragma once

#include <gtk/gtk.h>

#include <chrono>

namespace platform::gtk {

// The drawing area's "draw" handler.
gboolean drawWindowPicture(GtkWidget* area, cairo_t* cr, gpointer);

// Compares the picture with what was last shown and redraws the rows that
// changed; does nothing when called again within a frame's time. Returns
// how soon to call again for a change made now to be shown: the rest of the
// frame after such a call, else no limit (the next call looks).
std::chrono::milliseconds presentChanges(GtkWidget* area);

}  // namespace platform::gtk
