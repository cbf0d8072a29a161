// Modal dialogs built from the shell's dialog templates: the controls are
// placed in dialog units of the template's font, and buttons, Escape and
// the close box reach the dialog procedure as Windows reports them.
#include <algorithm>
#include <string>

#include "platform/gtk/icon_gtk.h"
#include "platform/gtk/window_gtk.h"
#include "platform/window.h"
#include "platform/windows1252.h"

namespace platform {

namespace {

struct ModalDialog {
    GtkWidget* dialog = nullptr;
    DialogProcedure procedure = nullptr;
    bool ended = false;
    int result = 0;
    ModalDialog* outer = nullptr;
};

ModalDialog* activeDialog = nullptr;

// Pixels per four horizontal and per eight vertical dialog units: the
// average width of the letters and the line height of the dialog's font.
struct BaseUnits {
    int x;
    int y;
    int toX(int units) const { return units * x / 4; }
    int toY(int units) const { return units * y / 8; }
};

PangoFontDescription* dialogFont(const DialogTemplate& dialog)
{
    PangoFontDescription* font = pango_font_description_new();
    pango_font_description_set_family(font, textToUtf8(dialog.fontFace).c_str());
    pango_font_description_set_size(font, dialog.pointSize * PANGO_SCALE);
    return font;
}

BaseUnits measureBaseUnits(GtkWidget* widget, const DialogTemplate& dialog)
{
    PangoLayout* layout =
        gtk_widget_create_pango_layout(widget, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    PangoFontDescription* font = dialogFont(dialog);
    pango_layout_set_font_description(layout, font);
    int width = 0;
    int height = 0;
    pango_layout_get_pixel_size(layout, &width, &height);
    pango_font_description_free(font);
    g_object_unref(layout);
    return {(width / 26 + 1) / 2, height};
}

// The template's font for the dialog and everything in it.
GtkCssProvider* applyFont(GtkWidget* dialog, const DialogTemplate& dialogTemplate)
{
    const std::string css = ".velmara-dialog, .velmara-dialog * { font-family: \"" +
                            textToUtf8(dialogTemplate.fontFace) + "\"; font-size: " +
                            std::to_string(dialogTemplate.pointSize) + "pt; }";
    GtkCssProvider* provider = gtk_css_provider_new();
    gtk_css_provider_load_from_data(provider, css.c_str(), -1, nullptr);
    gtk_style_context_add_provider_for_screen(gtk_widget_get_screen(dialog), GTK_STYLE_PROVIDER(provider),
                                              GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    gtk_style_context_add_class(gtk_widget_get_style_context(dialog), "velmara-dialog");
    return provider;
}

void onClicked(GtkButton*, gpointer id)
{
    if (activeDialog != nullptr) activeDialog->procedure(DialogMessage::command, GPOINTER_TO_INT(id));
}

GtkWidget* createControl(const DialogControl& control, GtkWidget* dialog, const BaseUnits& units)
{
    const std::string text = control.text != nullptr ? textToUtf8(control.text) : std::string();
    switch (control.kind) {
    case ControlKind::icon: {
        GdkPixbuf* icon = gtk::programIcon(std::min(units.toX(control.width), units.toY(control.height)));
        GtkWidget* image = gtk_image_new_from_pixbuf(icon);
        g_object_unref(icon);
        return image;
    }
    case ControlKind::text: {
        GtkWidget* label = gtk_label_new(text.c_str());
        gtk_label_set_xalign(GTK_LABEL(label), 0.0f);
        gtk_label_set_yalign(GTK_LABEL(label), 0.0f);
        return label;
    }
    case ControlKind::edit: {
        GtkWidget* entry = gtk_entry_new();
        gtk_entry_set_width_chars(GTK_ENTRY(entry), 1);
        gtk_entry_set_activates_default(GTK_ENTRY(entry), TRUE);
        return entry;
    }
    case ControlKind::button:
    case ControlKind::defaultButton: {
        GtkWidget* button = gtk_button_new_with_label(text.c_str());
        g_signal_connect(button, "clicked", G_CALLBACK(onClicked), GINT_TO_POINTER(control.id));
        if (control.kind == ControlKind::defaultButton) {
            gtk_widget_set_can_default(button, TRUE);
            gtk_window_set_default(GTK_WINDOW(dialog), button);
        }
        return button;
    }
    }
    return gtk_label_new("");
}

GtkWidget* buildDialog(const DialogTemplate& dialogTemplate)
{
    GtkWidget* dialog = gtk_dialog_new();
    GtkWindow* window = GTK_WINDOW(dialog);
    gtk_window_set_title(window, textToUtf8(dialogTemplate.caption).c_str());
    gtk_window_set_transient_for(window, gtk::mainWindow());
    gtk_window_set_modal(window, TRUE);
    gtk_window_set_resizable(window, FALSE);
    gtk_window_set_position(window, GTK_WIN_POS_CENTER_ON_PARENT);
    const BaseUnits units = measureBaseUnits(dialog, dialogTemplate);
    GtkWidget* fixed = gtk_fixed_new();
    gtk_widget_set_size_request(fixed, units.toX(dialogTemplate.width), units.toY(dialogTemplate.height));
    for (int i = 0; i < dialogTemplate.count; ++i) {
        const DialogControl& control = dialogTemplate.controls[i];
        GtkWidget* widget = createControl(control, dialog, units);
        gtk_widget_set_size_request(widget, units.toX(control.width), units.toY(control.height));
        gtk_fixed_put(GTK_FIXED(fixed), widget, units.toX(control.x), units.toY(control.y));
    }
    gtk_container_add(GTK_CONTAINER(gtk_dialog_get_content_area(GTK_DIALOG(dialog))), fixed);
    return dialog;
}

}  // namespace

int runModalDialog(const DialogTemplate& dialogTemplate, DialogProcedure procedure)
{
    if (!gtk::startGtk()) return -1;
    ModalDialog run;
    run.procedure = procedure;
    run.outer = activeDialog;
    run.dialog = buildDialog(dialogTemplate);
    GtkCssProvider* font = applyFont(run.dialog, dialogTemplate);
    activeDialog = &run;
    procedure(DialogMessage::init, 0);
    if (!run.ended) gtk_widget_show_all(run.dialog);
    while (!run.ended) {
        // Escape and the close box answer as the Cancel button would.
        if (gtk_dialog_run(GTK_DIALOG(run.dialog)) == GTK_RESPONSE_DELETE_EVENT && !run.ended)
            procedure(DialogMessage::command, dialogCancel);
    }
    activeDialog = run.outer;
    gtk_widget_destroy(run.dialog);
    gtk_style_context_remove_provider_for_screen(gdk_screen_get_default(), GTK_STYLE_PROVIDER(font));
    g_object_unref(font);
    return run.result;
}

void endDialog(int result)
{
    if (activeDialog == nullptr) return;
    activeDialog->ended = true;
    activeDialog->result = result;
    gtk_dialog_response(GTK_DIALOG(activeDialog->dialog), result);
}

}  // namespace platform
