// The open-file chooser: GTK's file chooser with the system's filters,
// matched ignoring letter case as Windows does, starting in the working
// directory.
#include <fnmatch.h>

#include <string>

#include "platform/gtk/window_gtk.h"
#include "platform/window.h"
#include "platform/windows1252.h"

namespace platform {

namespace {

// A pattern may list several, separated by ";" ("*.org;*.ORG").
gboolean matchesPattern(const GtkFileFilterInfo* info, gpointer pattern)
{
    if (info->display_name == nullptr) return FALSE;
    std::string patterns = static_cast<const char*>(pattern);
    std::size_t start = 0;
    while (start <= patterns.size()) {
        std::size_t end = patterns.find(';', start);
        if (end == std::string::npos) end = patterns.size();
        const std::string one = patterns.substr(start, end - start);
        if (!one.empty() && fnmatch(one.c_str(), info->display_name, FNM_CASEFOLD) == 0) return TRUE;
        start = end + 1;
    }
    return FALSE;
}

void addFilter(GtkFileChooser* chooser, const FileFilter& filter)
{
    GtkFileFilter* gtkFilter = gtk_file_filter_new();
    gtk_file_filter_set_name(gtkFilter, textToUtf8(filter.description).c_str());
    gtk_file_filter_add_custom(gtkFilter, GTK_FILE_FILTER_DISPLAY_NAME, matchesPattern,
                               const_cast<char*>(filter.pattern), nullptr);
    gtk_file_chooser_add_filter(chooser, gtkFilter);
}

}  // namespace

ChooserResult chooseOpenFile(const FileFilter* filters, int filterCount, std::string& path)
{
    if (!gtk::startGtk()) return ChooserResult::cancelled;
    GtkWidget* dialog = gtk_file_chooser_dialog_new("Open", gtk::mainWindow(), GTK_FILE_CHOOSER_ACTION_OPEN,
                                                    "_Cancel", GTK_RESPONSE_CANCEL, "_Open", GTK_RESPONSE_ACCEPT,
                                                    nullptr);
    GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
    for (int i = 0; i < filterCount; ++i) addFilter(chooser, filters[i]);
    gchar* here = g_get_current_dir();
    gtk_file_chooser_set_current_folder(chooser, here);
    g_free(here);
    ChooserResult result = ChooserResult::cancelled;
    if (gtk_dialog_run(GTK_DIALOG(dialog)) == GTK_RESPONSE_ACCEPT) {
        gchar* chosen = gtk_file_chooser_get_filename(chooser);
        if (chosen != nullptr) {
            path = chosen;
            result = ChooserResult::chosen;
            g_free(chosen);
        }
    }
    gtk_widget_destroy(dialog);
    return result;
}

}  // namespace platform
