#include "app/AboutControls.h"

#include "base/Path.h"
#include "base/StringTranslator.h"
#include "skinner/Form.h"
#include "skinner/Properties.h"

using namespace skinner;

namespace dialogs {

AboutControls::AboutControls(Form& form, const std::wstring& caption)
    : form_(form),
      product_(&form, L"frmProduct"),
      logo_(&form, L"frmLOGO"),
      logo_link_(&form, L"btnLOGO"),
      maker_link_(&form, L"btnQEVA") {
    product_.set_text(caption);
    {
        const liba::StringTranslator portal(portal_file);
        prefix_ = portal.translate(L"Portal", default_prefix);
    }
    if (prefix_.empty())
        prefix_ = default_prefix;
    Picture chosen = load_logo(prefix_ + L"_LOGO_S");
    const Picture medium = load_logo(prefix_ + L"_LOGO_M");
    const plat::POINT room = logo_.get_size();
    if (medium.loaded() && medium.get_size().x <= room.x && medium.get_size().y <= room.y)
        chosen = medium;
    // Without a logo to show, its link has nothing to stand on either.
    if (chosen.loaded()) {
        logo_.set_picture(chosen);
    } else {
        logo_.set_visible(false);
        logo_link_.set_visible(false);
    }
}

std::wstring AboutControls::text_of(const std::wstring& key) const {
    return form_.get_properties()->translate_or(key, L"");
}

// A picture that failed, an empty one or a missing key all count as none.
Picture AboutControls::load_logo(const std::wstring& key) const {
    const std::wstring file = text_of(key);
    if (file.empty())
        return Picture();
    const std::wstring name = liba::extension_part(file).empty() ? file : liba::base_name_part(file);
    Picture picture = Picture::from_name(logo_folder, name, false);
    if (!picture.loaded() || picture.get_size().x <= 0 || picture.get_size().y <= 0)
        return Picture();
    return picture;
}

std::wstring AboutControls::url_of(const Control* sender) const {
    if (sender == &logo_link_)
        return text_of(prefix_ + L"_LOGO_URL");
    if (sender == &maker_link_)
        return text_of(maker_url_key);
    return {};
}

} // namespace dialogs
