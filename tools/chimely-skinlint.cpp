// chimely-skinlint SKIN FORM WxH PROFILE: builds the program's Document in the device root
// (CHIMELY_ROOT, whose "\Program Files\Chimely" holds the skins and language files), loads the skin
// SKIN (a device path) for a WxH screen of PROFILE (pocketpc, pocketpc-old, smartphone) with the
// settings' language, builds the form class FORM on it and ends with 0. A control, kind or form
// variant that the skin lacks ends the process through the fatal report (exit 70).
// chimely-skinlint list: one line per form class, its name and the skin it is built on
// ("application": the skins under %app_path%/skin; "dialogs": %app_path%/dialogs.skin).
#include "app/Document.h"
#include "app/FormAbout.h"
#include "app/FormAlarm.h"
#include "app/FormAttention.h"
#include "app/FormEvent.h"
#include "app/FormMain.h"
#include "app/FormCalendar.h"
#include "app/FormSchedule.h"
#include "app/MessageAlarmAction.h"

#include "os/Application.h"
#include "skinner/Properties.h"
#include "plat/Paths.h"
#include "plat/Screen.h"
#include "plat/Text.h"

#include <charconv>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace {

enum class Skin { application, dialogs };

struct FormClass {
    const char* name;
    Skin skin;
    // Builds the form on the skin and lets it go again; parent is the form to open it over (none here).
    void (*build)(skinner::Properties& skin, skinner::Form* parent);
};

// Every form class of the program, one line each; a new screen adds its line here.
const FormClass form_classes[] = {
    {"FormMain", Skin::application, [](skinner::Properties& skin, skinner::Form*) { FormMain form(skin); }},
    {"FormEvent", Skin::application, [](skinner::Properties& skin, skinner::Form*) { FormEvent form(skin); }},
    {"FormAlarm", Skin::application, [](skinner::Properties& skin, skinner::Form* parent) { FormAlarm form(parent, skin); }},
    {"FormAttention", Skin::application,
     [](skinner::Properties& skin, skinner::Form* parent) { FormAttention form(parent, skin, L""); }},
    {"FormSchedule", Skin::application,
     [](skinner::Properties& skin, skinner::Form* parent) { FormSchedule form(parent, skin); }},
    {"FormCalendar", Skin::application,
     [](skinner::Properties& skin, skinner::Form* parent) { FormCalendar form(parent, skin, liba::TimeStamp::now()); }},
    {"FormMessageAlarmAction", Skin::dialogs,
     [](skinner::Properties& skin, skinner::Form* parent) {
         MessageAlarmAction form(parent, skin, L"", L"", Alarm(), liba::TimeStamp::now(), true);
     }},
    {"FormAbout", Skin::dialogs,
     [](skinner::Properties& skin, skinner::Form* parent) {
         dialogs::FormAbout form(parent, skin, L"About", Document::app_title());
     }},
};

int usage() {
    std::fputs("usage: chimely-skinlint SKIN FORM WxH pocketpc|pocketpc-old|smartphone\n"
               "       chimely-skinlint list\n",
               stderr);
    return 2;
}

bool parse_size(std::string_view text, int& width, int& height) {
    const size_t x = text.find('x');
    if (x == std::string_view::npos)
        return false;
    const auto w = std::from_chars(text.data(), text.data() + x, width);
    const auto h = std::from_chars(text.data() + x + 1, text.data() + text.size(), height);
    return w.ec == std::errc() && w.ptr == text.data() + x && h.ec == std::errc() &&
           h.ptr == text.data() + text.size() && width > 0 && height > 0;
}

const FormClass* find_class(std::string_view name) {
    for (const FormClass& form_class : form_classes)
        if (name == form_class.name)
            return &form_class;
    return nullptr;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "list") == 0) {
        for (const FormClass& form_class : form_classes)
            std::printf("%s %s\n", form_class.name, form_class.skin == Skin::application ? "application" : "dialogs");
        return 0;
    }
    if (argc != 5)
        return usage();
    const FormClass* form_class = find_class(argv[2]);
    if (!form_class) {
        std::fprintf(stderr, "chimely-skinlint: no form class %s (see chimely-skinlint list)\n", argv[2]);
        return 2;
    }
    int width = 0, height = 0;
    const std::string_view profile = argv[4];
    if (!parse_size(argv[3], width, height) ||
        (profile != "pocketpc" && profile != "pocketpc-old" && profile != "smartphone"))
        return usage();

    // The device the skin is checked for, and %app_path% inside the root as the installed program's.
    plat::set_screen_profile(plat::make_screen_profile(argv[3], profile));
    plat::set_module_file_name(L"\\Program Files\\Chimely\\Chimely");

    os::Application application(nullptr);
    Document document;
    skinner::Properties skin;
    skin.load(plat::from_utf8(argv[1]), document.get_settings().get_language(), skinner::get_screen_size());
    form_class->build(skin, nullptr);
    return 0;
}
