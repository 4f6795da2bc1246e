#pragma once
#include "skinner/controls/ControlPanel.h"

#include <vector>

namespace skinner {

class ControlTabElement;

// A panel that shows one of its pages at a time. The pages are child
// controls of the panel's container: they register and unregister
// themselves, the list does not own them.
class ControlTabBase : public ControlPanel {
public:
    using ControlPanel::ControlPanel;

    // Appended and laid out; the first page is shown and takes the focus, later ones are hidden.
    void register_page(ControlTabElement* page);
    // Another page is shown when none is left visible; the tab lays itself out again.
    void unregister_page(ControlTabElement* page);
    void show_element(std::wstring_view name);
    // No wrap-around: nothing at the last (first) page.
    void next_page();
    void previous_page();
    // A page became visible: every other page is hidden.
    void on_page_shown(ControlTabElement* page);

    // The index of the first visible page, -1 for none.
    int32_t get_visible_index() const;
    const std::vector<ControlTabElement*>& get_pages() const { return pages_; }

    // Brings the page selector in line with the visible page.
    virtual void sync_header() {}

protected:
    void show_page(int32_t index);
    void relayout() { set_rect(get_position(), get_size()); }
    // Set while the tab deletes its pages: they unregister into a tab that no longer lays out.
    bool destroying_ = false;

private:
    std::vector<ControlTabElement*> pages_;
};

} // namespace skinner
