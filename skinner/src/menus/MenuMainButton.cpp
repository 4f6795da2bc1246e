#include "skinner/MenuMainButton.h"

#include "skinner/Form.h"

namespace skinner {

MenuMainButton::MenuMainButton(Container* parent, std::wstring_view name, std::wstring_view caption,
                               int32_t priority, std::wstring_view placement)
    : Control(parent, name, creation_none), default_caption_(caption), placement_(placement) {
    set_z_order(priority);
    set_wants_focus(false);
    caption_ = translate(get_name(), default_caption_);
    if (is_visible())
        MenuManager::insert_item(*get_form(), this);
}

MenuMainButton::~MenuMainButton() { MenuManager::remove_item(*get_form(), this); }

void MenuMainButton::fill_record(MenuRecord& record) {
    record.command = get_name();
    record.caption = caption_;
    record.enabled = is_enabled();
    record.separator_after = separator_after_;
    record.checked = checked_;
    record.owner = this;
    record.image = image_;
}

void MenuMainButton::on_visible_changed(bool visible) {
    if (visible)
        MenuManager::insert_item(*get_form(), this);
    else
        MenuManager::remove_item(*get_form(), this);
}

void MenuMainButton::on_enabled_changed(bool) { mark_dirty(); }

void MenuMainButton::load_skin() {
    Control::load_skin();
    caption_ = translate(get_name(), default_caption_);
    mark_dirty();
}

void MenuMainButton::set_caption(std::wstring_view caption) {
    caption_ = caption;
    mark_dirty();
}

void MenuMainButton::set_image(int32_t image) {
    image_ = image;
    mark_dirty();
}

void MenuMainButton::set_separator_after(bool separator) {
    separator_after_ = separator;
    mark_dirty();
}

void MenuMainButton::set_checked(bool checked) {
    checked_ = checked;
    mark_dirty();
}

void MenuMainButton::mark_dirty() {
    if (Form* form = get_form())
        form->mark_menu_dirty();
}

} // namespace skinner
