#include "app/Settings.h"

#include "app/Document.h"
#include "base/Finder.h"
#include "base/Path.h"
#include "base/Xml.h"

#include <algorithm>

namespace {

constexpr const wchar_t* settings_path = L"%app_path%/settings.ini";
constexpr const wchar_t* skin_folder = L"%app_path%/skin/";
constexpr const wchar_t* language_folder = L"%app_path%/";
constexpr const wchar_t* script_folder = L"%app_path%/data";

// The boolean words of the alarm file; false when the text is none of them.
bool read_boolean(const std::wstring& text, bool& value) {
    if (text == L"true" || text == L"True" || text == L"TRUE" || text == L"1") {
        value = true;
        return true;
    }
    if (text == L"false" || text == L"False" || text == L"FALSE" || text == L"0") {
        value = false;
        return true;
    }
    return false;
}

const wchar_t* boolean_text(bool value) { return value ? L"true" : L"false"; }

} // namespace

Settings::Settings() { load(); }

void Settings::load() {
    liba::XmlNode settings = liba::xml_find_child(liba::xml_load_document(settings_path), L"Settings");
    liba::XmlNode appearance = liba::xml_find_child(settings, L"Appearance");
    liba::XmlNode preference = liba::xml_find_child(settings, L"Preference");
    auto attribute = [](const liba::XmlNode& element, const wchar_t* name) {
        std::wstring text;
        liba::xml_get_attribute(element, name, text);
        return text;
    };

    skin_ = resolve_file(skin_folder, attribute(appearance, L"skin"), L"*.skin", true, default_skin);
    language_ = resolve_file(language_folder, attribute(appearance, L"language"), L"*.lng", false, default_language);
    script_ = resolve_file(script_folder, attribute(preference, L"script"), L"*.script", true, L"");

    liba::xml_get_attribute(preference, L"volume", volume_);
    liba::xml_get_attribute(preference, L"attention", attention_);
    std::wstring text;
    bool flag = false;
    if (liba::xml_get_attribute(preference, L"startday", text) && read_boolean(text, flag))
        startday_ = flag ? 1 : 0;
    text.clear();
    if (liba::xml_get_attribute(preference, L"pronounce", text) && read_boolean(text, flag))
        pronounce_ = flag;
}

void Settings::save() {
    liba::XmlNode document = liba::xml_create_document();
    liba::XmlNode settings = liba::xml_add_child(document, L"Settings");
    liba::XmlNode appearance = liba::xml_add_child(settings, L"Appearance");
    liba::xml_set_attribute(appearance, L"skin", skin_);
    liba::xml_set_attribute(appearance, L"language", language_);
    liba::XmlNode preference = liba::xml_add_child(settings, L"Preference");
    liba::xml_set_attribute(preference, L"volume", volume_);
    liba::xml_set_attribute(preference, L"attention", attention_);
    liba::xml_set_attribute(preference, L"script", script_);
    liba::xml_set_attribute(preference, L"startday", boolean_text(startday_ != 0));
    liba::xml_set_attribute(preference, L"pronounce", boolean_text(pronounce_));
    // The XML layer writes a temporary file and renames it over the old one.
    liba::xml_save_document(document, settings_path);
    if (Document* document_instance = Document::instance())
        document_instance->apply_settings();
}

void Settings::set_skin(const std::wstring& path) {
    skin_ = path;
    save();
}

void Settings::set_language(const std::wstring& path) {
    language_ = path;
    save();
}

void Settings::set_volume(const std::wstring& name) {
    volume_ = name;
    save();
}

void Settings::set_attention(const std::wstring& path) {
    attention_ = path;
    save();
}

void Settings::set_script(const std::wstring& path) {
    script_ = path;
    save();
}

void Settings::set_startday(uint8_t startday) {
    startday_ = startday;
    save();
}

void Settings::set_pronounce(bool pronounce) {
    pronounce_ = pronounce;
    save();
}

double Settings::volume_factor() const {
    if (volume_ == L"VolumeLow")
        return 0.33;
    if (volume_ == L"VolumeMedium")
        return 0.66;
    return 1.0;
}

std::wstring Settings::resolve_file(const std::wstring& folder, const std::wstring& stored, const std::wstring& mask,
                                    bool with_subfolders, const std::wstring& preferred) {
    os::FinderCollector found;
    os::Finder::find(found, folder, mask, L"*", with_subfolders);
    if (found.files.empty())
        return {};
    auto among_found = [&](const std::wstring& path) {
        return !path.empty() && std::any_of(found.files.begin(), found.files.end(),
                                            [&](const std::wstring& file) { return liba::paths_equal(file, path); });
    };
    if (among_found(stored))
        return stored;
    // A first start, or a stored file that is gone, keeps the shipped default
    // rather than whatever sorts first.
    if (among_found(preferred))
        return preferred;
    return found.files.front();
}
