// The options dialog and the About box as real GTK windows on a private
// Xvfb display: widget states after start, the heading "Random" box clicked
// as a user would, the pixel layout of the template, and modal runs ended by
// the OK button and by the close button.
#include <gtk/gtk.h>

#include <algorithm>

#include "platform/gtk/gtk_startup.h"
#include "platform/profile/temp_config_home.h"
#include "settings/saver_settings.h"
#include "ui/about_box.h"
#include "ui/dialog_templates.h"
#include "ui/options_dialog.h"
#include "ui/options_dialog_ids.h"
#include "ui/options_dialog_view.h"
#include "x11_probe.h"
#include "xvfb_display.h"

namespace skyweave {
namespace {

class OptionsDialogGtkTest : public testing::TempConfigHome {
  protected:
    void SetUp() override {
        TempConfigHome::SetUp();
        ASSERT_FALSE(testing::EnsureXvfbDisplay().empty()) << "Xvfb did not start";
        ASSERT_TRUE(StartGtk());
        profile_.SetRegistryKey("Corvane");
        dialog_.emplace(profile_);
        view_.emplace();
        dialog_->Attach(&*view_);
        view_->Window().SetCommandHandler([this](int id) { return dialog_->OnCommand(id); });
        dialog_->OnInitDialog();
    }
    void TearDown() override {
        view_.reset();
        dialog_.reset();
        TempConfigHome::TearDown();
    }

    GtkWidget* Item(int id) { return view_->Window().Item(id); }
    std::string LabelText(int id) { return gtk_label_get_text(GTK_LABEL(Item(id))); }
    bool Active(int id) { return gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(Item(id))); }

    void ExpectScale(int id, double lower, double upper, double value) {
        SCOPED_TRACE(id);
        GtkAdjustment* adjustment = gtk_range_get_adjustment(GTK_RANGE(Item(id)));
        EXPECT_EQ(gtk_adjustment_get_lower(adjustment), lower);
        EXPECT_EQ(gtk_adjustment_get_upper(adjustment), upper);
        EXPECT_EQ(gtk_range_get_value(GTK_RANGE(Item(id))), value);
    }

    static void Pump() {
        while (gtk_events_pending()) {
            gtk_main_iteration();
        }
    }

    ProfileStore profile_{"skyweave"};
    std::optional<COptionsDlg> dialog_;
    std::optional<OptionsDialogView> view_;
};

TEST_F(OptionsDialogGtkTest, DefaultsAppearOnTheWidgets) {
    EXPECT_STREQ(gtk_window_get_title(view_->Window().Window()), "Skyweave Options");
    EXPECT_STREQ(gtk_entry_get_text(GTK_ENTRY(Item(kIdFilePathEdit))), "(none)");
    EXPECT_TRUE(Active(kIdMovingCheck));
    EXPECT_TRUE(Active(kIdHeadingRandomCheck));
    EXPECT_TRUE(Active(kIdPitchRandomCheck));
    EXPECT_TRUE(Active(kIdRollRandomCheck));
    EXPECT_EQ(LabelText(kIdTurningLeftLabel), "Slower");
    EXPECT_EQ(LabelText(kIdTurningRightLabel), "Faster");
    ExpectScale(kIdTurningSlider, 0, 300, 15);
    ExpectScale(kIdPitchingSlider, 0, 300, 2);
    ExpectScale(kIdRollingSlider, 0, 300, 0);
    ExpectScale(kIdZoomSlider, 30, 130, 100);
    ExpectScale(kIdWindowSizeSlider, 20, 100, 20);
    EXPECT_EQ(view_->Window().SliderTickFrequency(kIdWindowSizeSlider), 8);
    EXPECT_EQ(view_->Window().SliderTickFrequency(kIdZoomSlider), 10);
    ASSERT_TRUE(GTK_IS_SPIN_BUTTON(Item(kIdChangeEverySpin)));
    EXPECT_EQ(view_->Window().SpinRange(kIdChangeEverySpin), std::make_pair(10, 3600));
    EXPECT_EQ(gtk_spin_button_get_value_as_int(GTK_SPIN_BUTTON(Item(kIdChangeEverySpin))), 120);
    EXPECT_TRUE(Active(kIdCrossfadeCheck));

    // "&Browse..." answers to Alt+B.
    GtkWidget* browseLabel = gtk_bin_get_child(GTK_BIN(Item(kIdBrowseButton)));
    EXPECT_STREQ(gtk_label_get_text(GTK_LABEL(browseLabel)), "Browse...");
    EXPECT_EQ(gtk_label_get_mnemonic_keyval(GTK_LABEL(browseLabel)), static_cast<guint>(GDK_KEY_b));
    // OK is the default button.
    EXPECT_TRUE(gtk_widget_has_default(Item(kIdOk)));
}

TEST_F(OptionsDialogGtkTest, ClickingHeadingRandomRelabelsTheTurningSlider) {
    gtk_button_clicked(GTK_BUTTON(Item(kIdHeadingRandomCheck)));  // untick
    EXPECT_FALSE(Active(kIdHeadingRandomCheck));
    EXPECT_EQ(LabelText(kIdTurningLeftLabel), "Full Left");
    EXPECT_EQ(LabelText(kIdTurningRightLabel), "Full Right");
    ExpectScale(kIdTurningSlider, -300, 300, 15);
    EXPECT_EQ(view_->Window().SliderTickFrequency(kIdTurningSlider), 60);

    gtk_range_set_value(GTK_RANGE(Item(kIdTurningSlider)), -250);
    gtk_button_clicked(GTK_BUTTON(Item(kIdHeadingRandomCheck)));  // tick: move discarded
    EXPECT_TRUE(Active(kIdHeadingRandomCheck));
    EXPECT_EQ(LabelText(kIdTurningLeftLabel), "Slower");
    ExpectScale(kIdTurningSlider, 0, 300, 15);

    gtk_range_set_value(GTK_RANGE(Item(kIdZoomSlider)), 35);
    gtk_entry_set_text(GTK_ENTRY(Item(kIdFilePathEdit)), "/srv/pans/dome.pan");
    gtk_button_clicked(GTK_BUTTON(Item(kIdOk)));
    EXPECT_EQ(view_->Window().Result(), kIdOk);
    const SaverSettings stored = LoadSaverSettings(profile_);
    EXPECT_EQ(stored.zoom, 125u);
    EXPECT_EQ(stored.heading, -15);
    EXPECT_EQ(stored.filePath, "/srv/pans/dome.pan");
}

TEST_F(OptionsDialogGtkTest, ChangeEveryTakesWhatIsTypedWithinItsRange) {
    // Typed but never confirmed with Return or Tab: OK still takes it.
    const std::pair<const char*, int> cases[] = {
        {"75", 75}, {"99999", 3600}, {"5", 10}, {"", 120}, {"12x", 120}, {"-30", 10},
    };
    for (const auto& [typed, stored] : cases) {
        SCOPED_TRACE(typed);
        std::filesystem::remove(root_ / "Corvane" / "skyweave.conf");
        dialog_.emplace(profile_);
        view_.emplace();
        dialog_->Attach(&*view_);
        view_->Window().SetCommandHandler([this](int id) { return dialog_->OnCommand(id); });
        dialog_->OnInitDialog();
        gtk_entry_set_text(GTK_ENTRY(Item(kIdChangeEverySpin)), typed);
        gtk_button_clicked(GTK_BUTTON(Item(kIdCrossfadeCheck)));
        gtk_button_clicked(GTK_BUTTON(Item(kIdOk)));
        const SaverSettings loaded = LoadSaverSettings(profile_);
        EXPECT_EQ(loaded.changeEvery, stored);
        EXPECT_FALSE(loaded.fade);
    }
}

TEST_F(OptionsDialogGtkTest, ControlsSitWhereTheTemplatePutsThem) {
    DialogWindow& window = view_->Window();
    const DialogBaseUnits units = window.BaseUnits();
    // An 8-point font on a 96 dpi screen.
    EXPECT_GE(units.x, 5);
    EXPECT_LE(units.x, 8);
    EXPECT_GE(units.y, 11);
    EXPECT_LE(units.y, 16);
    gtk_widget_show(GTK_WIDGET(window.Window()));
    Pump();
    GtkAllocation client{};
    gtk_widget_get_allocation(gtk_bin_get_child(GTK_BIN(window.Window())), &client);
    EXPECT_EQ(client.width, window.ClientRect().width);
    EXPECT_EQ(client.height, window.ClientRect().height);
    for (const DialogItem& item : OptionsDialogTemplate().items) {
        if (item.id == kIdStatic) {
            continue;
        }
        SCOPED_TRACE(item.id);
        const PixelBox expected = DialogRectToPixels(item.rect, units);
        GtkAllocation allocation{};
        gtk_widget_get_allocation(Item(item.id), &allocation);
        EXPECT_EQ(allocation.x, expected.x);
        EXPECT_EQ(allocation.y, expected.y);
        // The trimmed theme lets every control fit its template rectangle.
        EXPECT_EQ(allocation.width, expected.width);
        EXPECT_EQ(allocation.height, expected.height);
    }
}

TEST_F(OptionsDialogGtkTest, ModalRunEndsWithOkOrWithTheCloseButton) {
    const auto pressOk = +[](gpointer self) -> gboolean {
        auto* window = static_cast<DialogWindow*>(self);
        gtk_button_clicked(GTK_BUTTON(window->Item(kIdOk)));
        return G_SOURCE_REMOVE;
    };
    g_timeout_add(50, pressOk, &view_->Window());
    EXPECT_EQ(view_->Window().RunModal(), kIdOk);
    // The defaults as shown: the turning slider's +15 is stored negated.
    SaverSettings shown;
    shown.heading = -15;
    EXPECT_EQ(LoadSaverSettings(profile_), shown);
    EXPECT_TRUE(std::filesystem::exists(root_ / "Corvane" / "skyweave.conf"));

    std::filesystem::remove(root_ / "Corvane" / "skyweave.conf");
    const auto closeWindow = +[](gpointer self) -> gboolean {
        auto* window = static_cast<DialogWindow*>(self);
        gtk_range_set_value(GTK_RANGE(window->Item(kIdPitchingSlider)), 120);
        gtk_window_close(window->Window());
        return G_SOURCE_REMOVE;
    };
    g_timeout_add(50, closeWindow, &view_->Window());
    EXPECT_EQ(view_->Window().RunModal(), kIdCancel);
    EXPECT_FALSE(std::filesystem::exists(root_ / "Corvane" / "skyweave.conf"));
}

TEST_F(OptionsDialogGtkTest, AboutBoxShowsItsLinesAndClosesWithOk) {
    DialogWindow about(AboutBoxTemplate(), view_->Window().Window());
    EXPECT_STREQ(gtk_window_get_title(about.Window()), "About Skyweave Screensaver");
    EXPECT_EQ(gtk_window_get_transient_for(about.Window()), view_->Window().Window());
    const PixelBox ok = about.ItemRect(kIdOk);
    EXPECT_EQ(ok, DialogRectToPixels({250, 5, 46, 14}, about.BaseUnits()));
    EXPECT_NE(AboutBuildLabel().find("Build 1.0.3.902, GTK 3."), std::string::npos);

    // Every line of the box, found among its labels.
    std::vector<std::string> lines;
    GtkWidget* fixed = gtk_bin_get_child(GTK_BIN(about.Window()));
    GList* children = gtk_container_get_children(GTK_CONTAINER(fixed));
    for (GList* child = children; child != nullptr; child = child->next) {
        if (GTK_IS_LABEL(child->data)) {
            lines.emplace_back(gtk_label_get_text(GTK_LABEL(child->data)));
        }
    }
    g_list_free(children);
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Skyweave Module v1.0.3.902"), lines.end());
    const auto mentions = [&](std::string_view word) {
        return std::any_of(lines.begin(), lines.end(),
                           [&](const std::string& line) { return line.find(word) != line.npos; });
    };
    EXPECT_TRUE(mentions("libjpeg-turbo"));
    EXPECT_TRUE(mentions("SDL2"));
    EXPECT_TRUE(mentions("GTK"));
    EXPECT_TRUE(mentions("Corvane"));
    EXPECT_TRUE(mentions("every panorama in a folder"));

    const auto pressOk = +[](gpointer window) -> gboolean {
        static_cast<DialogWindow*>(window)->SendCommand(kIdOk);
        return G_SOURCE_REMOVE;
    };
    g_timeout_add(50, pressOk, &about);
    EXPECT_EQ(about.RunModal(), kIdOk);
}

TEST_F(OptionsDialogGtkTest, ForeignOwnerIsTakenAndBogusOwnersIgnored) {
    // A plain X window of another kind stands in for the display settings.
    GdkWindowAttr attributes{};
    attributes.width = 800;
    attributes.height = 600;
    attributes.wclass = GDK_INPUT_OUTPUT;
    attributes.window_type = GDK_WINDOW_TOPLEVEL;
    GdkWindow* host = gdk_window_new(nullptr, &attributes, 0);
    gdk_window_show(host);
    Pump();
    const unsigned long xid = testing::XidOf(host);
    EXPECT_FALSE(view_->Window().SetOwner(0));
    EXPECT_FALSE(view_->Window().SetOwner(0x7ffffff0ul));  // names no window
    EXPECT_TRUE(view_->Window().SetOwner(xid));
    EXPECT_EQ(testing::TransientForOf(view_->Window().Window()), xid);
    gdk_window_destroy(host);
}

}  // namespace
}  // namespace skyweave
