#include "skinner/controls/ControlTab.h"

#include "skinner/Capabilities.h"
#include "skinner/Form.h"
#include "skinner/MenuRecord.h"
#include "skinner/controls/ControlTabElement.h"

#include <algorithm>

namespace skinner {

ControlTab::Grid::Grid(ControlTab& tab, std::wstring_view kind)
    : ControlGrid(tab.get_container(), kind, creation_kind), tab_(tab) {}

int32_t ControlTab::Grid::get_column_count() { return int32_t(tab_.get_pages().size()); }

int32_t ControlTab::Grid::get_row_height(int32_t) { return get_size().y; }

int32_t ControlTab::Grid::get_column_width(int32_t column) {
    return column >= 0 && size_t(column) < widths.size() ? widths[size_t(column)] : 0;
}

void ControlTab::Grid::paint_cell(int32_t column, int32_t, Canvas& canvas, plat::POINT position, plat::POINT size,
                                  bool selected, bool highlighted) {
    const GridItemStyle& style = get_item_style(selected, highlighted);
    style.picture.draw_shifted(canvas, position, size);
    if (column >= 0 && size_t(column) < tab_.get_pages().size())
        style.font.draw_text(canvas, style.colour, tab_.get_pages()[size_t(column)]->get_caption(), position, size, 1,
                             1);
}

void ControlTab::Grid::on_selection_changed() {
    const int32_t column = get_selected_column();
    if (column >= 0 && size_t(column) < tab_.get_pages().size())
        tab_.get_pages()[size_t(column)]->set_visible(true);
    ControlGrid::on_selection_changed();
}

ControlTab::ControlTab(Container* parent, std::wstring_view name_or_kind, int creation_mode)
    : ControlTabBase(parent, name_or_kind, creation_mode),
      header_(*this, get_string_property(L"KindGrid", L"")),
      button_min_(get_container(), get_string_property(L"KindMin", L""), creation_kind),
      button_max_(get_container(), get_string_property(L"KindMax", L""), creation_kind) {
    header_.set_z_order(0);
    button_min_.set_z_order(1);
    button_max_.set_z_order(1);
    button_min_.set_wants_focus(false);
    button_max_.set_wants_focus(false);
    if (is_smartphone())
        show_header(false);
    read_skin();
    relayout();
}

ControlTab::~ControlTab() {
    // Taking the tab out of the menu bar before the pages go.
    show_header(true);
    destroying_ = true;
    const Control* members[] = {&header_, &button_min_, &button_max_};
    for (;;) {
        const std::vector<Control*>& children = get_container()->get_children();
        const auto page = std::find_if(children.rbegin(), children.rend(), [&](Control* child) {
            return std::find(std::begin(members), std::end(members), child) == std::end(members);
        });
        if (page == children.rend())
            break;
        delete *page;
    }
}

void ControlTab::read_skin() {
    header_height_ = get_scaled_int_property(L"HeaderHeight", 0);
    button_width_ = get_scaled_int_property(L"ButtonWidth", 0);
    text_border_ = get_scaled_int_property(L"TextBorder", 0);
    bottom_ = get_string_property(L"Orientation", L"") == L"BOTTOM";
}

void ControlTab::load_skin() {
    ControlTabBase::load_skin();
    read_skin();
    relayout();
}

void ControlTab::show_header(bool visible) {
    if (visible == header_visible_)
        return;
    header_visible_ = visible;
    header_.set_visible(visible);
    button_min_.set_visible(visible);
    button_max_.set_visible(visible);
    if (Form* form = get_form()) {
        if (visible)
            MenuManager::remove_item(*form, this);
        else
            MenuManager::insert_item(*form, this);
    }
    relayout();
}

void ControlTab::set_rect(plat::POINT position, plat::POINT size) {
    ControlTabBase::set_rect(position, size);
    const std::vector<ControlTabElement*>& pages = get_pages();
    header_.widths.assign(pages.size(), 0);
    if (!header_visible_) {
        for (ControlTabElement* page : pages)
            page->set_rect(position, size);
        return;
    }
    const plat::POINT page_size{size.x, size.y - header_height_};
    const plat::POINT page_at{position.x, bottom_ ? position.y : position.y + header_height_};
    const int32_t strip_top = bottom_ ? position.y + size.y - header_height_ : position.y;
    for (ControlTabElement* page : pages)
        page->set_rect(page_at, page_size);
    int32_t total = 0;
    for (size_t i = 0; i < pages.size(); ++i) {
        int32_t widest = 0;
        for (const bool selected : {false, true})
            for (const bool highlighted : {false, true})
                widest = std::max(widest,
                                  header_.get_item_style(selected, highlighted).font.get_text_extent(pages[i]->get_caption()).x);
        header_.widths[i] = widest + 2 * text_border_;
        total += header_.widths[i];
    }
    const int32_t w = total > size.x ? button_width_ : 0;
    header_.set_rect({position.x, strip_top}, {size.x - 2 * w, header_height_});
    button_min_.set_rect({position.x + size.x - 2 * w, strip_top}, {w, header_height_});
    button_max_.set_rect({position.x + size.x - w, strip_top}, {w, header_height_});
}

void ControlTab::sync_header() {
    header_.refresh();
    header_.set_selected_column(get_visible_index());
    header_.ensure_column_visible(header_.get_selected_column());
    header_.refresh();
}

int32_t ControlTab::on_click(Control* sender) {
    if (sender != &button_min_ && sender != &button_max_)
        return ControlTabBase::on_click(sender);
    ControlScrollBar& bar = header_.get_horizontal_bar();
    const int32_t half = header_.get_size().x / 2;
    bar.set_position(bar.get_position() + (sender == &button_min_ ? -half : half));
    header_.invalidate();
    return 1;
}

int32_t ControlTab::on_item_click(Control* sender, int32_t column, int32_t row) {
    if (sender == &header_) {
        const int32_t index = header_.get_selected_column();
        if (index >= 0 && size_t(index) < get_pages().size())
            get_pages()[size_t(index)]->take_focus();
    }
    return ControlTabBase::on_item_click(sender, column, row);
}

int32_t ControlTab::on_menu_command(Control* sender, const std::wstring& command) {
    for (ControlTabElement* page : get_pages())
        if (page->get_name() == command) {
            page->set_visible(true);
            return 1;
        }
    return ControlTabBase::on_menu_command(sender, command);
}

int32_t ControlTab::on_create_menu(Control* sender, MenuRecord& menu) {
    if (sender != this)
        return ControlTabBase::on_create_menu(sender, menu);
    for (ControlTabElement* page : get_pages()) {
        MenuRecord entry(page->get_name(), page->get_caption());
        entry.checked = page->is_own_visible();
        menu.entries.append(entry);
    }
    return 1;
}

void ControlTab::fill_record(MenuRecord& record) {
    record.command = get_name();
    record.caption = translate(get_name(), L"");
    record.enabled = is_enabled();
    record.owner = this;
}

} // namespace skinner
