#include "app/FormAbout.h"

#include "base/Stopwatch.h"

namespace dialogs {

FormAbout::FormAbout(skinner::Form* parent, skinner::Properties& skin, std::wstring_view form_name,
                     const std::wstring& caption)
    : Form(parent, &skin, form_name), controls_(*this, caption), menu_(this, L"MenuMain") {}

FormAbout::~FormAbout() = default;

int32_t FormAbout::on_click(skinner::Control* sender) {
    if (sender == nullptr)
        return 0;
    if (sender->get_name() == L"btnOk")
        close();
    // The browser refuses anything but web and mail links.
    const std::wstring url = controls_.url_of(sender);
    if (!url.empty())
        liba::open_url(url);
    return 1;
}

} // namespace dialogs
