#include "skinner/Properties.h"

#include "skinner/Container.h"
#include "plat/System.h"

namespace skinner {

namespace {
Properties::FormList form_list = nullptr;
}

plat::POINT get_screen_size() {
    return {plat::get_system_metrics(plat::SM_CXSCREEN), plat::get_system_metrics(plat::SM_CYSCREEN)};
}

Properties::Properties()
    : impl_(std::make_unique<PropertiesImpl>()), translator_(std::make_unique<liba::StringTranslator>()) {}

Properties::~Properties() = default;

void Properties::load(std::wstring_view skin_path, std::wstring_view language_path, plat::POINT screen_size) {
    translator_ = std::make_unique<liba::StringTranslator>(language_path);
    load_skin(skin_path, screen_size);
}

void Properties::load_skin(std::wstring_view skin_path, plat::POINT screen_size) {
    // The new skin is in place before the old one goes, and only then do forms reload.
    std::unique_ptr<PropertiesImpl> old = std::exchange(impl_, std::make_unique<PropertiesImpl>(skin_path, screen_size));
    old.reset();
    refresh_forms();
}

bool Properties::load_language(std::wstring_view language_path) {
    auto translator = std::make_unique<liba::StringTranslator>();
    if (!translator->load_file(language_path))
        return false;
    translator_ = std::move(translator);
    refresh_forms();
    return true;
}

std::wstring Properties::translate(std::wstring_view key) const {
    return translator_->translate(key, key);
}

std::wstring Properties::translate_or(std::wstring_view key, std::wstring_view default_text) const {
    return translator_->translate(key, default_text);
}

void Properties::refresh_forms() {
    impl_->reset_statistics();
    if (!form_list)
        return;
    for (Container* form : form_list())
        if (form->get_properties() == this)
            form->reload_skin();
}

void Properties::set_form_list(FormList list) {
    form_list = list;
}

std::wstring Properties::get_string(std::wstring_view form_name, std::wstring_view name, std::wstring_view key,
                                    std::wstring_view default_value) {
    const std::optional<std::wstring> text = impl_->get_string(form_name, name, key);
    return text ? translate_or(*text, *text) : std::wstring(default_value);
}

} // namespace skinner
