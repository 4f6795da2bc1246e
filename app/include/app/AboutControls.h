#pragma once
#include "skinner/controls/ControlButton.h"
#include "skinner/controls/ControlFrame.h"
#include "skinner/controls/ControlPicture.h"

#include <string>

namespace skinner {
class Form;
}

namespace dialogs {

// The About box's content: the product caption, the partner's logo and the
// two links. The partner is named by "%app_path%/portal.txt" (key "Portal",
// "QEVA" without it); its logo files and address come from the language.
class AboutControls {
public:
    static constexpr const wchar_t* portal_file = L"%app_path%/portal.txt";
    static constexpr const wchar_t* logo_folder = L"%app_path%/fun/";
    static constexpr const wchar_t* default_prefix = L"QEVA";
    static constexpr const wchar_t* maker_url_key = L"QEVA_URL";

    AboutControls(skinner::Form& form, const std::wstring& caption);

    // The address of a link button, empty when the language lacks its key.
    std::wstring url_of(const skinner::Control* sender) const;

    const std::wstring& get_prefix() const { return prefix_; }
    skinner::ControlPicture& get_logo() { return logo_; }
    skinner::ControlButton& get_logo_link() { return logo_link_; }
    skinner::ControlButton& get_maker_link() { return maker_link_; }

private:
    // The language's text for key; empty when missing.
    std::wstring text_of(const std::wstring& key) const;
    skinner::Picture load_logo(const std::wstring& key) const;

    skinner::Form& form_;
    skinner::ControlFrame product_;
    skinner::ControlPicture logo_;
    skinner::ControlButton logo_link_;
    skinner::ControlButton maker_link_;
    std::wstring prefix_ = default_prefix;
};

} // namespace dialogs
