// GTK 3 dialog window built from a template. Widgets sit in a GtkFixed at
// their template rectangles; a style sheet scoped to our dialogs sets the
// template's font and trims the theme's paddings so that controls fit the
// rectangles a dialog-unit layout gives them.
#include "platform/gtk/dialog_window.h"

#include <gtk/gtk.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>

#include "platform/gtk/foreign_owner.h"
#include "platform/gtk/mnemonic.h"

namespace skyweave {
namespace {

constexpr const char* kWidgetName = "skyweave-dialog";
constexpr const char* kItemIdKey = "skyweave-item-id";
constexpr const char* kCssInstalledKey = "skyweave-dialog-css";
// Sliders show their tick marks; the marks follow the tick frequency.
constexpr bool kShowTickMarks = true;

struct GFreeDeleter {
    void operator()(void* memory) const { g_free(memory); }
};

std::string CssFontFamilies(std::string_view families) {
    std::string css;
    std::string_view rest = families;
    while (!rest.empty()) {
        const std::size_t comma = rest.find(',');
        std::string_view one = rest.substr(0, comma);
        while (!one.empty() && one.front() == ' ') {
            one.remove_prefix(1);
        }
        if (!one.empty()) {
            if (!css.empty()) {
                css += ", ";
            }
            css += '"';
            for (const char c : one) {
                if (c != '"' && c != '\\') {
                    css += c;
                }
            }
            css += '"';
        }
        if (comma == std::string_view::npos) {
            break;
        }
        rest.remove_prefix(comma + 1);
    }
    return css.empty() ? "sans-serif" : css;
}

// Installs, once per screen, the style sheet of our dialogs.
void InstallDialogCss(GdkScreen* screen, const DialogTemplate& dialogTemplate) {
    if (g_object_get_data(G_OBJECT(screen), kCssInstalledKey) != nullptr) {
        return;
    }
    const std::string scope = std::string("#") + kWidgetName;
    std::string css;
    css += scope + ", " + scope +
           " * { font-family: " + CssFontFamilies(dialogTemplate.fontFamilies) +
           "; font-size: " + std::to_string(dialogTemplate.fontPoints) + "pt; }\n";
    css += scope + " button { min-height: 0; min-width: 0; padding: 0 4px; }\n";
    css += scope + " entry { min-height: 0; padding: 0 3px; }\n";
    css += scope + " checkbutton { padding: 0; }\n";
    css += scope + " checkbutton check { min-width: 12px; min-height: 12px; margin: 0 4px 0 0; }\n";
    css += scope + " scale { padding: 0 5px; }\n";
    css += scope + " scale trough { min-height: 4px; }\n";
    css += scope + " scale slider { min-width: 10px; min-height: 18px; margin: -7px 0; }\n";
    css += scope + " scale mark indicator { min-height: 4px; }\n";
    css += scope + " spinbutton { min-height: 0; }\n";
    css += scope + " spinbutton entry { min-height: 0; min-width: 0; padding: 0 3px; }\n";
    css += scope + " spinbutton button { min-height: 0; min-width: 0; padding: 0 3px; }\n";
    GtkCssProvider* provider = gtk_css_provider_new();
    gtk_css_provider_load_from_data(provider, css.c_str(), static_cast<gssize>(css.size()),
                                    nullptr);
    gtk_style_context_add_provider_for_screen(screen, GTK_STYLE_PROVIDER(provider),
                                              GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    // The screen keeps the provider for the rest of the process.
    g_object_set_data_full(G_OBJECT(screen), kCssInstalledKey, provider, g_object_unref);
}

// Measures the template's font the classic way: the width of the 52 letters
// and the height of a line.
DialogBaseUnits MeasureBaseUnits(GtkWidget* widget, const DialogTemplate& dialogTemplate) {
    const std::string fontName =
        std::string(dialogTemplate.fontFamilies) + " " + std::to_string(dialogTemplate.fontPoints);
    PangoFontDescription* font = pango_font_description_from_string(fontName.c_str());
    PangoLayout* layout = gtk_widget_create_pango_layout(
        widget, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    pango_layout_set_font_description(layout, font);
    PangoRectangle logical{};
    pango_layout_get_pixel_extents(layout, nullptr, &logical);
    g_object_unref(layout);
    pango_font_description_free(font);
    return BaseUnitsFromFont(logical.width, logical.height);
}

int ItemIdOf(GtkWidget* widget) {
    return GPOINTER_TO_INT(g_object_get_data(G_OBJECT(widget), kItemIdKey));
}

std::string ValidUtf8(std::string_view text) {
    if (g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr)) {
        return std::string(text);
    }
    std::unique_ptr<gchar, GFreeDeleter> fixed(
        g_utf8_make_valid(text.data(), static_cast<gssize>(text.size())));
    return fixed.get();
}

GtkWidget* MakeWidget(const DialogItem& item) {
    const std::string text(item.text);
    switch (item.kind) {
        case DialogItemKind::DefaultPushButton:
        case DialogItemKind::PushButton:
            return gtk_button_new_with_mnemonic(ToGtkMnemonic(text).c_str());
        case DialogItemKind::Label:
        case DialogItemKind::LabelRight: {
            GtkWidget* label = gtk_label_new_with_mnemonic(ToGtkMnemonic(text).c_str());
            gtk_label_set_xalign(GTK_LABEL(label),
                                 item.kind == DialogItemKind::LabelRight ? 1.0f : 0.0f);
            gtk_label_set_yalign(GTK_LABEL(label), 0.0f);
            return label;
        }
        case DialogItemKind::Edit: {
            GtkWidget* entry = gtk_entry_new();
            gtk_entry_set_text(GTK_ENTRY(entry), text.c_str());
            gtk_entry_set_width_chars(GTK_ENTRY(entry), 1);
            gtk_entry_set_activates_default(GTK_ENTRY(entry), TRUE);
            return entry;
        }
        case DialogItemKind::CheckBox: {
            GtkWidget* check = gtk_check_button_new_with_mnemonic(ToGtkMnemonic(text).c_str());
            // Return on a check box presses the default button, not the box.
            gtk_widget_set_receives_default(check, FALSE);
            return check;
        }
        case DialogItemKind::Slider: {
            GtkWidget* scale = gtk_scale_new_with_range(GTK_ORIENTATION_HORIZONTAL, 0, 100, 1);
            gtk_scale_set_draw_value(GTK_SCALE(scale), FALSE);
            gtk_scale_set_digits(GTK_SCALE(scale), 0);
            // A classic slider has no filled part between its start and the thumb.
            gtk_scale_set_has_origin(GTK_SCALE(scale), FALSE);
            gtk_range_set_round_digits(GTK_RANGE(scale), 0);
            gtk_widget_set_valign(scale, GTK_ALIGN_FILL);
            return scale;
        }
        case DialogItemKind::SpinBox: {
            GtkWidget* spin = gtk_spin_button_new_with_range(0, 100, 1);
            gtk_spin_button_set_digits(GTK_SPIN_BUTTON(spin), 0);
            gtk_spin_button_set_numeric(GTK_SPIN_BUTTON(spin), TRUE);
            // A typed number beyond the range counts as the nearest end.
            gtk_spin_button_set_update_policy(GTK_SPIN_BUTTON(spin), GTK_UPDATE_ALWAYS);
            gtk_entry_set_width_chars(GTK_ENTRY(spin), 1);
            gtk_entry_set_activates_default(GTK_ENTRY(spin), TRUE);
            return spin;
        }
    }
    return gtk_label_new("");
}

}  // namespace

DialogWindow::DialogWindow(const DialogTemplate& dialogTemplate, GtkWindow* parent) {
    Build(dialogTemplate, parent);
}

DialogWindow::~DialogWindow() {
    if (loop_ != nullptr) {
        g_main_loop_quit(loop_);
    }
    gtk_widget_destroy(window_);
    if (owner_ != nullptr) {
        g_object_unref(owner_);
    }
}

void DialogWindow::Build(const DialogTemplate& dialogTemplate, GtkWindow* parent) {
    window_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    GtkWindow* window = GTK_WINDOW(window_);
    gtk_widget_set_name(window_, kWidgetName);
    gtk_window_set_title(window, std::string(dialogTemplate.title).c_str());
    gtk_window_set_type_hint(window, GDK_WINDOW_TYPE_HINT_DIALOG);
    gtk_window_set_resizable(window, FALSE);
    gtk_window_set_skip_taskbar_hint(window, parent != nullptr);
    if (parent != nullptr) {
        gtk_window_set_transient_for(window, parent);
        gtk_window_set_position(window, GTK_WIN_POS_CENTER_ON_PARENT);
    } else {
        gtk_window_set_position(window, GTK_WIN_POS_CENTER);
    }
    InstallDialogCss(gtk_widget_get_screen(window_), dialogTemplate);
    baseUnits_ = MeasureBaseUnits(window_, dialogTemplate);
    clientRect_ = DialogSizeToPixels(dialogTemplate.width, dialogTemplate.height, baseUnits_);

    GtkWidget* fixed = gtk_fixed_new();
    gtk_widget_set_size_request(fixed, clientRect_.width, clientRect_.height);
    gtk_container_add(GTK_CONTAINER(window_), fixed);

    for (const DialogItem& item : dialogTemplate.items) {
        GtkWidget* widget = MakeWidget(item);
        const PixelBox rect = DialogRectToPixels(item.rect, baseUnits_);
        gtk_widget_set_size_request(widget, rect.width, rect.height);
        gtk_fixed_put(GTK_FIXED(fixed), widget, rect.x, rect.y);
        if (item.id != kIdStatic) {
            items_[item.id] = widget;
            rects_[item.id] = rect;
        }
        g_object_set_data(G_OBJECT(widget), kItemIdKey, GINT_TO_POINTER(item.id));
        if (item.kind == DialogItemKind::Label || item.kind == DialogItemKind::LabelRight) {
            continue;
        }
        if (firstFocus_ == nullptr) {
            firstFocus_ = widget;
        }
        if (item.kind == DialogItemKind::DefaultPushButton) {
            gtk_widget_set_can_default(widget, TRUE);
            gtk_window_set_default(window, widget);
        }
        if (GTK_IS_BUTTON(widget)) {
            g_signal_connect(
                widget, "clicked", G_CALLBACK(+[](GtkButton* button, gpointer self) {
                    static_cast<DialogWindow*>(self)->SendCommand(ItemIdOf(GTK_WIDGET(button)));
                }),
                this);
        }
    }

    // Escape and the close button mean Cancel, as in any dialog.
    g_signal_connect(window_, "key-press-event",
                     G_CALLBACK(+[](GtkWidget*, GdkEventKey* event, gpointer self) -> gboolean {
                         if (event->keyval == GDK_KEY_Escape) {
                             static_cast<DialogWindow*>(self)->SendCommand(kIdCancel);
                             return TRUE;
                         }
                         return FALSE;
                     }),
                     this);
    g_signal_connect(window_, "delete-event",
                     G_CALLBACK(+[](GtkWidget*, GdkEvent*, gpointer self) -> gboolean {
                         static_cast<DialogWindow*>(self)->SendCommand(kIdCancel);
                         return TRUE;
                     }),
                     this);
    gtk_widget_show_all(fixed);
}

GtkWindow* DialogWindow::Window() const {
    return GTK_WINDOW(window_);
}

GtkWidget* DialogWindow::Item(int id) const {
    const auto found = items_.find(id);
    return found == items_.end() ? nullptr : found->second;
}

PixelBox DialogWindow::ItemRect(int id) const {
    const auto found = rects_.find(id);
    return found == rects_.end() ? PixelBox{} : found->second;
}

bool DialogWindow::SetOwner(unsigned long xid) {
    GdkWindow* owner = MakeTransientForForeign(Window(), xid);
    if (owner == nullptr) {
        return false;
    }
    if (owner_ != nullptr) {
        g_object_unref(owner_);
    }
    owner_ = owner;
    return true;
}

int DialogWindow::RunModal() {
    result_.reset();
    gtk_window_set_modal(Window(), TRUE);
    // The first control in tab order takes the focus, before the window maps
    // so that GTK does not pick one by position.
    if (firstFocus_ != nullptr) {
        gtk_window_set_focus(Window(), firstFocus_);
    }
    gtk_widget_show(window_);
    gtk_window_present(Window());
    if (!result_) {
        loop_ = g_main_loop_new(nullptr, FALSE);
        g_main_loop_run(loop_);
        g_main_loop_unref(loop_);
        loop_ = nullptr;
    }
    gtk_widget_hide(window_);
    return result_.value_or(kIdCancel);
}

void DialogWindow::EndDialog(int result) {
    result_ = result;
    if (loop_ != nullptr) {
        g_main_loop_quit(loop_);
    }
}

void DialogWindow::SendCommand(int id) {
    if (suppressCommands_ > 0) {
        return;
    }
    const bool handled = handler_ && handler_(id);
    if (!handled && (id == kIdOk || id == kIdCancel)) {
        EndDialog(id);
    }
}

void DialogWindow::SetItemText(int id, std::string_view text) {
    GtkWidget* widget = Item(id);
    if (widget == nullptr) {
        return;
    }
    const std::string valid = ValidUtf8(text);
    if (GTK_IS_ENTRY(widget)) {
        gtk_entry_set_text(GTK_ENTRY(widget), valid.c_str());
    } else if (GTK_IS_LABEL(widget)) {
        gtk_label_set_text_with_mnemonic(GTK_LABEL(widget), ToGtkMnemonic(valid).c_str());
    } else if (GTK_IS_BUTTON(widget)) {
        gtk_button_set_label(GTK_BUTTON(widget), ToGtkMnemonic(valid).c_str());
    }
}

std::string DialogWindow::GetItemText(int id) const {
    GtkWidget* widget = Item(id);
    if (widget == nullptr) {
        return {};
    }
    const char* text = nullptr;
    if (GTK_IS_ENTRY(widget)) {
        text = gtk_entry_get_text(GTK_ENTRY(widget));
    } else if (GTK_IS_LABEL(widget)) {
        text = gtk_label_get_text(GTK_LABEL(widget));
    } else if (GTK_IS_BUTTON(widget)) {
        text = gtk_button_get_label(GTK_BUTTON(widget));
    }
    return text == nullptr ? std::string() : std::string(text);
}

void DialogWindow::SetCheck(int id, bool checked) {
    GtkWidget* widget = Item(id);
    if (widget == nullptr || !GTK_IS_TOGGLE_BUTTON(widget)) {
        return;
    }
    // Setting the state emits "clicked"; that is not a user's click.
    ++suppressCommands_;
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(widget), checked ? TRUE : FALSE);
    --suppressCommands_;
}

bool DialogWindow::GetCheck(int id) const {
    GtkWidget* widget = Item(id);
    return widget != nullptr && GTK_IS_TOGGLE_BUTTON(widget) &&
           gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(widget)) != FALSE;
}

void DialogWindow::SetSliderRange(int id, int minimum, int maximum) {
    GtkWidget* widget = Item(id);
    if (widget == nullptr || !GTK_IS_RANGE(widget)) {
        return;
    }
    if (maximum < minimum) {
        maximum = minimum;
    }
    // A page is a fifth of the range, as on classic sliders.
    const int page = std::max(1, (maximum - minimum) / 5);
    gtk_range_set_range(GTK_RANGE(widget), minimum, maximum);
    gtk_range_set_increments(GTK_RANGE(widget), 1, page);
    RefreshTicks(id);
}

std::pair<int, int> DialogWindow::SliderRange(int id) const {
    GtkWidget* widget = Item(id);
    if (widget == nullptr || !GTK_IS_RANGE(widget)) {
        return {0, 0};
    }
    GtkAdjustment* adjustment = gtk_range_get_adjustment(GTK_RANGE(widget));
    return {static_cast<int>(std::lround(gtk_adjustment_get_lower(adjustment))),
            static_cast<int>(std::lround(gtk_adjustment_get_upper(adjustment)))};
}

void DialogWindow::SetSliderTickFrequency(int id, int frequency) {
    if (Item(id) == nullptr) {
        return;
    }
    tickFrequencies_[id] = frequency;
    RefreshTicks(id);
}

int DialogWindow::SliderTickFrequency(int id) const {
    const auto found = tickFrequencies_.find(id);
    return found == tickFrequencies_.end() ? 0 : found->second;
}

void DialogWindow::RefreshTicks(int id) {
    GtkWidget* widget = Item(id);
    if (!kShowTickMarks || widget == nullptr || !GTK_IS_SCALE(widget)) {
        return;
    }
    GtkScale* scale = GTK_SCALE(widget);
    gtk_scale_clear_marks(scale);
    const int frequency = SliderTickFrequency(id);
    if (frequency <= 0) {
        return;
    }
    const auto [minimum, maximum] = SliderRange(id);
    // Bounded: a tiny frequency over a huge range would drown the slider.
    if ((static_cast<long long>(maximum) - minimum) / frequency > 200) {
        return;
    }
    for (long long tick = minimum; tick <= maximum; tick += frequency) {
        gtk_scale_add_mark(scale, static_cast<double>(tick), GTK_POS_BOTTOM, nullptr);
    }
    if ((static_cast<long long>(maximum) - minimum) % frequency != 0) {
        gtk_scale_add_mark(scale, maximum, GTK_POS_BOTTOM, nullptr);
    }
}

void DialogWindow::SetSliderPosition(int id, int position) {
    GtkWidget* widget = Item(id);
    if (widget == nullptr || !GTK_IS_RANGE(widget)) {
        return;
    }
    gtk_range_set_value(GTK_RANGE(widget), position);
}

int DialogWindow::GetSliderPosition(int id) const {
    GtkWidget* widget = Item(id);
    if (widget == nullptr || !GTK_IS_RANGE(widget)) {
        return 0;
    }
    return static_cast<int>(std::lround(gtk_range_get_value(GTK_RANGE(widget))));
}

namespace {

GtkSpinButton* SpinButtonOf(GtkWidget* widget) {
    return widget != nullptr && GTK_IS_SPIN_BUTTON(widget) ? GTK_SPIN_BUTTON(widget) : nullptr;
}

}  // namespace

void DialogWindow::SetSpinRange(int id, int minimum, int maximum) {
    GtkSpinButton* spin = SpinButtonOf(Item(id));
    if (spin == nullptr) {
        return;
    }
    maximum = std::max(minimum, maximum);
    gtk_spin_button_set_range(spin, minimum, maximum);
    // Page Up and Page Down step by a tenth of the range.
    gtk_spin_button_set_increments(spin, 1, std::max(1, (maximum - minimum) / 10));
}

std::pair<int, int> DialogWindow::SpinRange(int id) const {
    GtkSpinButton* spin = SpinButtonOf(Item(id));
    if (spin == nullptr) {
        return {0, 0};
    }
    double minimum = 0;
    double maximum = 0;
    gtk_spin_button_get_range(spin, &minimum, &maximum);
    return {static_cast<int>(std::lround(minimum)), static_cast<int>(std::lround(maximum))};
}

void DialogWindow::SetSpinValue(int id, int value) {
    if (GtkSpinButton* spin = SpinButtonOf(Item(id))) {
        gtk_spin_button_set_value(spin, value);
    }
}

int DialogWindow::GetSpinValue(int id) const {
    GtkSpinButton* spin = SpinButtonOf(Item(id));
    if (spin == nullptr) {
        return 0;
    }
    // A whole number typed counts (beyond the range as its nearest end);
    // anything else, an emptied box too, gives the last value back.
    const std::string_view typed = gtk_entry_get_text(GTK_ENTRY(spin));
    std::string_view digits = typed;
    if (digits.starts_with('-') || digits.starts_with('+')) {
        digits.remove_prefix(1);
    }
    const bool number = !digits.empty() && digits.find_first_not_of("0123456789") == digits.npos;
    if (number) {
        gtk_spin_button_update(spin);
    } else {
        gtk_spin_button_set_value(spin, gtk_spin_button_get_value(spin));
    }
    return gtk_spin_button_get_value_as_int(spin);
}

}  // namespace skyweave
