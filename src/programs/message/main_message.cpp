// velmara-message TEXT: shows "Velmara cannot start" and TEXT in a small GTK
// message window with an OK button and returns when it is closed. The launcher uses it to tell a user
// who started Velmara from the desktop's menu, and so sees no terminal, why
// it cannot start.
#include <gtk/gtk.h>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: velmara-message TEXT\n");
        return 2;
    }
    if (!gtk_init_check(nullptr, nullptr)) {
        std::fprintf(stderr, "velmara-message: no display\n");
        return 1;
    }
    GtkWidget* dialog =
        gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, GTK_MESSAGE_ERROR, GTK_BUTTONS_OK, "Velmara cannot start");
    gtk_message_dialog_format_secondary_text(GTK_MESSAGE_DIALOG(dialog), "%s", argv[1]);
    gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER);
    gtk_window_set_title(GTK_WINDOW(dialog), "Velmara");
    gtk_window_set_icon_name(GTK_WINDOW(dialog), "velmara");
    gtk_dialog_run(GTK_DIALOG(dialog));
    gtk_widget_destroy(dialog);
    return 0;
}
