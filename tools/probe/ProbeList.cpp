#include "ProbeList.h"

namespace probe {

void ProbeListItems::paint_item(int32_t, int32_t row, skinner::Canvas& canvas, plat::POINT position,
                                plat::POINT size, bool selected, bool highlighted) {
    if (list == nullptr || row < 0 || row >= row_count)
        return;
    const skinner::GridItemStyle& style = list->get_item_style(selected, highlighted);
    style.picture.draw_shifted(canvas, position, size);
    const plat::POINT border_min = list->get_border_min();
    const plat::POINT border_max = list->get_border_max();
    const int32_t indent = list->get_indent();
    const plat::POINT at{position.x + border_min.x + indent, position.y + border_min.y};
    const plat::POINT extent{size.x - border_min.x - border_max.x - indent, size.y - border_min.y - border_max.y};
    style.font.draw_text(canvas, style.colour, L"Item " + std::to_wstring(row + 1), at, extent, 0, 1);
}

ProbeList::ProbeList(skinner::Container* parent, std::wstring_view name)
    : skinner::List(parent, name, skinner::creation_named, &items) {
    items.list = this;
}

} // namespace probe
