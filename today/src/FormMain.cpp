#include "FormMain.h"

#include "ExecuteFile.h"
#include "today/TodayShell.h"

#include "alarm/TodayState.h"
#include "base/Log.h"
#include "base/Path.h"
#include "base/Registry.h"
#include "base/Thread.h"
#include "skinner/FormImpl.h"
#include "skinner/Properties.h"
#include "plat/Window.h"

namespace {

constexpr wchar_t key_no_alarms[] = L"no_alarms";
constexpr wchar_t key_waste_alarms[] = L"waste_alarms";

std::wstring read_string(const wchar_t* name) {
    std::wstring text;
    liba::read_registry_string(FormMain::registry_key, name, text);
    return text;
}

} // namespace

skinner::SkinColour today_text_color(skinner::Form& form) {
    const plat::COLORREF colour = plat::COLORREF(
        plat::send_message(plat::get_parent(form.get_window()), today::TODAYM_GETCOLOR, today::TODAYCOLOR_TEXT, 0));
    return {plat::red_of(colour), plat::green_of(colour), plat::blue_of(colour), 255};
}

void FormMain::FrameWithColor::set_color(const skinner::SkinColour& colour) {
    color_ = colour;
    invalidate();
}

FormMain::FormMain(std::unique_ptr<skinner::FormImpl> impl, skinner::Properties* properties,
                   std::wstring_view form_name)
    : FormMainToday(std::move(impl), properties, form_name) {
    reload_skin();
}

FormMain::~FormMain() = default;

int32_t FormMain::on_click(skinner::Control* sender) {
    if (sender == &button_ || (sender && sender->get_name() == L"btnIcon"))
        start_main_program();
    return 0;
}

void FormMain::reload_skin() {
    FormMainToday::reload_skin();
    status_.set_color(today_text_color(*this));
}

int32_t FormMain::on_key_down(int32_t code) {
    if (code == skinner::key::action) {
        start_main_program();
        return 1;
    }
    return skinner::Container::on_key_down(code);
}

void FormMain::start_main_program() { os::execute_file(read_string(main_program_value), L""); }

void FormMain::refresh() {
    status_.store_color(today_text_color(*this));
    bool reread = reload_language();
    // The main program holds the mutex while it replaces the file.
    liba::NamedMutexLock lock(TodayState::mutex_name);
    // Every write of the file is a rename onto it, so a new file or a new
    // write time is a new state, however soon after the last one.
    plat::FileStamp stamp;
    plat::get_file_stamp(TodayState::file_path, stamp);
    if (!(stamp == state_stamp_)) {
        state_stamp_ = stamp;
        reread = true;
    }
    if (!reread)
        return;
    const std::wstring text = status_text();
    if (text != status_.get_text())
        liba::get_log() << L"ChimelyToday status=" << text << L"\n";
    status_.set_text(text);
}

bool FormMain::reload_language() {
    const std::wstring language = read_string(language_value);
    if (language_ && *language_ == language)
        return false;
    language_ = language;
    // The main program's language of that name lies in the main program's folder.
    const std::wstring folder = liba::directory_part(read_string(main_program_value));
    skinner::Properties& properties = *get_properties();
    bool loaded = !language.empty() && properties.load_language(liba::join_path(folder, liba::file_name_part(language)));
    // Until one language has loaded, the item speaks English rather than show its keys.
    if (!loaded && !language_loaded_)
        loaded = properties.load_language(liba::join_path(folder, fallback_language));
    language_loaded_ = language_loaded_ || loaded;
    return true;
}

std::wstring FormMain::status_text() {
    skinner::Properties& properties = *get_properties();
    TodayState state;
    if (!state.load())
        return properties.translate(key_no_alarms);
    if (state.unviewed > 0)
        return properties.translate(key_waste_alarms) + L" : " + std::to_wstring(state.unviewed);
    // An alarm with no subject is still an alarm: its time alone.
    if (!state.has_next)
        return properties.translate(key_no_alarms);
    return state.name.empty() ? state.time : state.time + L"  " + state.name;
}
