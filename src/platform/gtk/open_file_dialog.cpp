// GtkFileChooserDialog in open mode, with a button that takes a folder when
// the caller wants one.
#include "platform/gtk/open_file_dialog.h"

#include <gtk/gtk.h>

#include <filesystem>
#include <system_error>

#include "platform/gtk/mnemonic.h"

namespace skyweave {
namespace {

// Points the chooser at the initial file: selects it when it exists, opens
// it when it is a folder, else opens the folder it would be in when that
// exists.
void ApplyInitialFile(GtkFileChooser* chooser, const std::string& initialFile) {
    if (initialFile.empty()) {
        return;
    }
    std::error_code ec;
    const std::filesystem::path path = std::filesystem::absolute(initialFile, ec);
    if (ec) {
        return;
    }
    if (std::filesystem::is_regular_file(path, ec)) {
        gtk_file_chooser_set_filename(chooser, path.c_str());
    } else if (std::filesystem::is_directory(path, ec)) {
        gtk_file_chooser_set_current_folder(chooser, path.c_str());
    } else if (std::filesystem::is_directory(path.parent_path(), ec)) {
        gtk_file_chooser_set_current_folder(chooser, path.parent_path().c_str());
    }
}

// Completes a name that names no file with the default extension when that
// gives an existing file, as typed names were completed before.
std::string WithDefaultExtension(const std::string& chosen, const std::string& extension) {
    std::error_code ec;
    if (extension.empty() || std::filesystem::exists(chosen, ec) ||
        std::filesystem::path(chosen).has_extension()) {
        return chosen;
    }
    std::string completed = chosen + "." + extension;
    return std::filesystem::exists(completed, ec) ? completed : chosen;
}

// The response of the folder button.
constexpr int kResponseFolder = 1;

// The folder selected in the list, else the folder the list shows.
std::optional<std::string> ChosenFolder(GtkFileChooser* chooser) {
    std::optional<std::string> folder;
    if (gchar* selected = gtk_file_chooser_get_filename(chooser)) {
        std::error_code ec;
        if (std::filesystem::is_directory(selected, ec)) {
            folder = selected;
        }
        g_free(selected);
    }
    if (!folder) {
        if (gchar* shown = gtk_file_chooser_get_current_folder(chooser)) {
            folder = shown;
            g_free(shown);
        }
    }
    return folder;
}

}  // namespace

std::optional<std::string> RunOpenFileDialog(GtkWindow* parent, const OpenFileRequest& request) {
    GtkWidget* dialog =
        gtk_file_chooser_dialog_new("Open", parent, GTK_FILE_CHOOSER_ACTION_OPEN, "_Cancel",
                                    GTK_RESPONSE_CANCEL, "_Open", GTK_RESPONSE_ACCEPT, nullptr);
    GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
    gtk_file_chooser_set_local_only(chooser, TRUE);
    gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_ACCEPT);
    for (const FileFilter& filter : request.filters) {
        GtkFileFilter* gtkFilter = gtk_file_filter_new();
        gtk_file_filter_set_name(gtkFilter, filter.name.c_str());
        for (const std::string& pattern : filter.patterns) {
            gtk_file_filter_add_pattern(gtkFilter, CaseInsensitiveGlob(pattern).c_str());
        }
        gtk_file_chooser_add_filter(chooser, gtkFilter);  // takes the floating reference
    }
    ApplyInitialFile(chooser, request.initialFile);

    if (!request.folderButton.empty()) {
        gtk_dialog_add_button(GTK_DIALOG(dialog), ToGtkMnemonic(request.folderButton).c_str(),
                              kResponseFolder);
    }

    std::optional<std::string> chosen;
    const int response = gtk_dialog_run(GTK_DIALOG(dialog));
    if (response == GTK_RESPONSE_ACCEPT) {
        if (gchar* name = gtk_file_chooser_get_filename(chooser)) {
            chosen = WithDefaultExtension(name, request.defaultExtension);
            g_free(name);
        }
    } else if (response == kResponseFolder) {
        chosen = ChosenFolder(chooser);
    }
    gtk_widget_destroy(dialog);
    return chosen;
}

}  // namespace skyweave
