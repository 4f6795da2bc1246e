#include "app/FormMessage.h"

FormMessage::FormMessage(skinner::Form* parent, skinner::Properties& properties, std::wstring_view caption,
                         std::wstring_view text, std::wstring_view form_name)
    : Form(parent, &properties, form_name), menu_(this, L"MenuMain"), caption_(this, L"btnCaption"),
      text_(this, L"frmText") {
    caption_.set_wants_focus(false);
    caption_.set_text(std::wstring(caption));
    text_.set_text(text);
}

FormMessage::~FormMessage() = default;

int32_t FormMessage::on_click(skinner::Control* sender) {
    // The caption only shows the question; it answers nothing.
    if (!sender || sender == &caption_)
        return 0;
    if (pressed_.empty()) {
        pressed_ = sender->get_name();
        close();
    }
    return 1;
}

std::wstring FormMessage::run() {
    do_modal();
    return pressed_;
}
