#pragma once
#include "skinner/PropertiesImpl.h"
#include "base/StringTranslator.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace skinner {

class Container;

// The screen's width and height in pixels; the application loads skins for it.
plat::POINT get_screen_size();

// What the application and every form hold to reach the skin and the
// language: one loaded skin and one translator, both always present. Loading
// a new skin or language tells every form built from this object to reload.
class Properties {
public:
    Properties();
    ~Properties();
    Properties(const Properties&) = delete;
    Properties& operator=(const Properties&) = delete;

    // A new translator from the language file, then load_skin.
    void load(std::wstring_view skin_path, std::wstring_view language_path, plat::POINT screen_size);
    // Never fails: a bad file gives an empty skin (the first lookup is fatal).
    void load_skin(std::wstring_view skin_path, plat::POINT screen_size);
    // False, keeping the current language, when the file does not load.
    bool load_language(std::wstring_view language_path);

    // The language text; the key itself (translate) or the default when missing.
    std::wstring translate(std::wstring_view key) const;
    std::wstring translate_or(std::wstring_view key, std::wstring_view default_text) const;

    // Resets the statistics and reloads the skin of every live form built from this object.
    void refresh_forms();
    // The live forms, in creation order; the forms set it (the framework's form list).
    using FormList = std::vector<Container*> (*)();
    static void set_form_list(FormList list);

    PropertiesImpl& get_impl() { return *impl_; }
    const liba::StringTranslator& get_translator() const { return *translator_; }

    // Per-control getters (see PropertiesImpl); a stored text is a language
    // key that falls back to itself, the default comes back untranslated.
    SkinColour get_color(std::wstring_view form_name, std::wstring_view name, std::wstring_view key,
                         const SkinColour& default_value) {
        return impl_->get_color(form_name, name, key, default_value);
    }
    std::wstring get_string(std::wstring_view form_name, std::wstring_view name, std::wstring_view key,
                            std::wstring_view default_value);
    int32_t get_scaled_int(std::wstring_view form_name, std::wstring_view name, std::wstring_view key,
                           int32_t default_value) {
        return impl_->get_scaled_int(form_name, name, key, default_value);
    }
    int32_t get_int(std::wstring_view form_name, std::wstring_view name, std::wstring_view key, int32_t default_value) {
        return impl_->get_int(form_name, name, key, default_value);
    }
    plat::POINT get_point(std::wstring_view form_name, std::wstring_view name, std::wstring_view key,
                          plat::POINT default_value) {
        return impl_->get_point(form_name, name, key, default_value);
    }
    plat::HCURSOR get_cursor(std::wstring_view form_name, std::wstring_view name, std::wstring_view key,
                             plat::HCURSOR default_value) {
        return impl_->get_cursor(form_name, name, key, default_value);
    }
    Picture get_picture(std::wstring_view form_name, std::wstring_view name, std::wstring_view key,
                        const Picture& default_value) {
        return impl_->get_picture(form_name, name, key, default_value);
    }
    Font get_font(std::wstring_view form_name, std::wstring_view name, std::wstring_view key,
                  const Font& default_value) {
        return impl_->get_font(form_name, name, key, default_value);
    }

    // Getters of the form record chosen for form_name.
    int32_t get_form_int(std::wstring_view form_name, std::wstring_view key, int32_t default_value) {
        return impl_->get_form_int(form_name, key, default_value);
    }
    plat::POINT get_form_point(std::wstring_view form_name, std::wstring_view key, plat::POINT default_value) {
        return impl_->get_form_point(form_name, key, default_value);
    }
    Picture get_form_picture(std::wstring_view form_name, std::wstring_view key, const Picture& default_value) {
        return impl_->get_form_picture(form_name, key, default_value);
    }
    uint32_t get_form_control_count(std::wstring_view form_name) { return impl_->get_form_control_count(form_name); }
    std::optional<std::pair<std::wstring, std::wstring>> get_form_control(std::wstring_view form_name,
                                                                          uint32_t index) {
        return impl_->get_form_control(form_name, index);
    }

private:
    std::unique_ptr<PropertiesImpl> impl_;
    std::unique_ptr<liba::StringTranslator> translator_;
};

} // namespace skinner
