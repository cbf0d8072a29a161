// The program's icon, a front of organ pipes drawn at any size.
#pragma once

#include <gtk/gtk.h>

namespace platform::gtk {

GdkPixbuf* programIcon(int size);

}  // namespace platform::gtk
