#pragma once
#include "skinner/Container.h"
#include "skinner/Control.h"

#include <memory>

namespace skinner {

// A control that holds a group of controls laid out by a form template of
// the skin ("FormTemplate"), in a container of its own over its background.
// Input, focus, timers and layout go on to that container; its children's
// events come through the panel.
class ControlPanel : public Control {
public:
    // With no properties the parent's skin is used.
    ControlPanel(Container* parent, std::wstring_view name_or_kind, int creation_mode = creation_named,
                 Properties* properties = nullptr);
    ~ControlPanel() override;

    void on_got_focus() override;
    void on_lost_focus() override;
    void on_visible_changed(bool visible) override;
    bool get_gestures(plat::POINT point) override;
    void on_enabled_changed(bool enabled) override;
    void paint(Canvas& canvas, plat::POINT clip_position, plat::POINT clip_size) override;
    bool hit_test(plat::POINT point) override;
    void on_mouse_move(plat::POINT point) override;
    void on_mouse_leave() override;
    void on_mouse_down(plat::POINT point, bool double_click) override;
    void on_mouse_up(plat::POINT point, bool double_click) override;
    void on_context_down(plat::POINT point, bool flag) override;
    void on_context_up(plat::POINT point, bool flag) override;
    void on_button3_down(plat::POINT point, bool flag) override;
    void on_button3_up(plat::POINT point, bool flag) override;
    int32_t on_wheel(plat::POINT point, int32_t steps) override;
    int32_t on_char(const std::wstring& text) override;
    int32_t on_key_down(int32_t code) override;
    int32_t on_key_up(int32_t code) override;
    void on_timer(int32_t id) override;
    int32_t set_native_focus() override;
    void set_rect(plat::POINT position, plat::POINT size) override;
    plat::POINT get_preferred_size() override;
    void load_skin() override;
    Container* get_container() override { return container_.get(); }

    const std::wstring& get_template() const { return template_; }
    const Picture& get_background() const { return background_; }

private:
    void read_background();

    std::wstring template_;
    std::unique_ptr<Container> container_;
    Picture background_;
};

} // namespace skinner
