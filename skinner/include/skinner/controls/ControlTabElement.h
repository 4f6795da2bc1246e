#pragma once
#include "skinner/controls/ControlPanel.h"

#include <string>

namespace skinner {

class ControlTabBase;

// One page of a tab, built inside the tab's container; its caption is the skin's "Text".
class ControlTabElement : public ControlPanel {
public:
    ControlTabElement(ControlTabBase& tab, std::wstring_view name_or_kind, int creation_mode = creation_named,
                      Properties* properties = nullptr);
    ~ControlTabElement() override;

    void on_visible_changed(bool visible) override;
    // Left and right the page's controls leave alone move to the neighbouring page.
    int32_t on_key_down(int32_t code) override;
    void load_skin() override;

    const std::wstring& get_caption() const { return caption_; }
    ControlTabBase& get_tab() const { return tab_; }

private:
    ControlTabBase& tab_;
    std::wstring caption_;
};

} // namespace skinner
