#include "skinner/controls/ControlTabBase.h"

#include "skinner/controls/ControlTabElement.h"

#include <algorithm>

namespace skinner {

void ControlTabBase::register_page(ControlTabElement* page) {
    pages_.push_back(page);
    relayout();
    if (pages_.size() == 1) {
        page->set_visible(true);
        page->take_focus();
    } else {
        page->set_visible(false);
    }
    sync_header();
}

void ControlTabBase::unregister_page(ControlTabElement* page) {
    std::erase(pages_, page);
    if (destroying_)
        return;
    if (!pages_.empty() && get_visible_index() < 0)
        show_page(0);
    // The strip's column count changed with the list: it must hear of it before its next paint.
    relayout();
    sync_header();
    invalidate();
}

void ControlTabBase::show_element(std::wstring_view name) {
    for (ControlTabElement* page : std::vector<ControlTabElement*>(pages_))
        if (page->get_name() == name)
            page->set_visible(true);
}

void ControlTabBase::next_page() {
    const int32_t index = get_visible_index();
    if (index >= 0 && size_t(index) + 1 < pages_.size()) {
        show_page(index + 1);
        pages_[size_t(index) + 1]->take_focus();
    }
}

void ControlTabBase::previous_page() {
    const int32_t index = get_visible_index();
    if (index > 0) {
        show_page(index - 1);
        pages_[size_t(index) - 1]->take_focus();
    }
}

void ControlTabBase::on_page_shown(ControlTabElement* page) {
    for (ControlTabElement* other : std::vector<ControlTabElement*>(pages_))
        if (other != page)
            other->set_visible(false);
    sync_header();
    invalidate();
}

int32_t ControlTabBase::get_visible_index() const {
    for (size_t i = 0; i < pages_.size(); ++i)
        if (pages_[i]->is_own_visible())
            return int32_t(i);
    return -1;
}

void ControlTabBase::show_page(int32_t index) {
    if (index >= 0 && size_t(index) < pages_.size())
        pages_[size_t(index)]->set_visible(true);
}

} // namespace skinner
