// The message box: a modal GTK message dialog with the caption as its title,
// the text, and only an OK button.
#include <cstdio>

#include "platform/gtk/window_gtk.h"
#include "platform/window.h"
#include "platform/windows1252.h"

namespace platform {

void messageBox(const char* text, const char* caption)
{
    if (!gtk::startGtk()) {
        std::fprintf(stderr, "%s: %s\n", caption, text);
        return;
    }
    GtkWidget* box = gtk_message_dialog_new(gtk::mainWindow(), GTK_DIALOG_MODAL, GTK_MESSAGE_OTHER, GTK_BUTTONS_OK,
                                            "%s", textToUtf8(text).c_str());
    gtk_window_set_title(GTK_WINDOW(box), textToUtf8(caption).c_str());
    gtk_dialog_run(GTK_DIALOG(box));
    gtk_widget_destroy(box);
}

}  // namespace platform
