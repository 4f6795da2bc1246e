#include "app/SkinChoice.h"

#include "app/Settings.h"
#include "base/Log.h"
#include "base/Path.h"
#include "skinner/Properties.h"
#include "skinner/PropertiesImpl.h"

namespace skin_choice {

bool fits(std::wstring_view path, plat::POINT screen) {
    skinner::PropertiesImpl probe(path, screen);
    return !probe.empty() && probe.choose_form(main_form) != 0;
}

void load_first_skin(skinner::Properties& properties, Settings& settings, plat::POINT screen) {
    // No form is built from the properties yet, so the skin is read once and checked where it lies.
    properties.load_skin(settings.get_skin(), screen);
    skinner::PropertiesImpl& loaded = properties.get_impl();
    if (!loaded.empty() && loaded.choose_form(main_form) != 0)
        return;
    liba::get_log() << L"skin {" << settings.get_skin() << L"} does not load for this screen; using the default skin\n";
    if (!liba::paths_equal(settings.get_skin(), Settings::default_skin))
        settings.set_skin(Settings::default_skin);
    properties.load_skin(Settings::default_skin, screen);
}

void load_app_skin(skinner::Properties& properties, Settings& settings, plat::POINT screen) {
    std::wstring path = settings.get_skin();
    if (!fits(path, screen)) {
        liba::get_log() << L"skin {" << path << L"} does not load for this screen; using the default skin\n";
        path = Settings::default_skin;
        if (!liba::paths_equal(settings.get_skin(), path))
            settings.set_skin(path);
    }
    properties.load_skin(path, screen);
}

} // namespace skin_choice
