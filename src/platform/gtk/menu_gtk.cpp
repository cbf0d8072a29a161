// The main window's menu bar, built from the shell's menu table.
#include "platform/gtk/menu_gtk.h"

#include <string>

#include "platform/windows1252.h"

namespace platform::gtk {

namespace {

void (*commandChosen)(int command) = nullptr;

void onActivate(GtkMenuItem*, gpointer command) { commandChosen(GPOINTER_TO_INT(command)); }

// "&x" marks the mnemonic x and "&&" is a plain "&"; GTK writes the mark as
// "_" and a plain underscore as "__".
std::string mnemonicLabel(const char* text)
{
    const std::string utf8 = textToUtf8(text);
    std::string label;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        if (utf8[i] == '_') label += "__";
        else if (utf8[i] != '&') label += utf8[i];
        else if (i + 1 < utf8.size() && utf8[i + 1] == '&') label += utf8[++i];
        else label += '_';
    }
    return label;
}

GtkWidget* buildPopup(const MenuPopup& popup)
{
    GtkWidget* menu = gtk_menu_new();
    for (int i = 0; i < popup.count; ++i) {
        GtkWidget* item = gtk_menu_item_new_with_mnemonic(mnemonicLabel(popup.items[i].text).c_str());
        g_signal_connect(item, "activate", G_CALLBACK(onActivate), GINT_TO_POINTER(popup.items[i].command));
        gtk_menu_shell_append(GTK_MENU_SHELL(menu), item);
    }
    GtkWidget* title = gtk_menu_item_new_with_mnemonic(mnemonicLabel(popup.text).c_str());
    gtk_menu_item_set_submenu(GTK_MENU_ITEM(title), menu);
    return title;
}

}  // namespace

GtkWidget* buildMenuBar(const Menu& menu, void (*chosen)(int command))
{
    commandChosen = chosen;
    GtkWidget* bar = gtk_menu_bar_new();
    for (int i = 0; i < menu.count; ++i) gtk_menu_shell_append(GTK_MENU_SHELL(bar), buildPopup(menu.popups[i]));
    return bar;
}

}  // namespace platform::gtk
