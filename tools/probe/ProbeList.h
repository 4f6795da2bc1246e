#pragma once
#include "skinner/controls/ControlList.h"

#include <string>

namespace probe {

// A fixed source of twelve texts, "Item 1" to "Item 12", drawn in the list's item styles.
class ProbeListItems : public skinner::ListDataSource {
public:
    void paint_item(int32_t column, int32_t row, skinner::Canvas& canvas, plat::POINT position, plat::POINT size,
                    bool selected, bool highlighted) override;
    int32_t get_row_count() override { return row_count; }
    int32_t get_column_count() override { return 1; }
    int32_t get_selected() override { return selected_; }
    void set_selected(int32_t row) override { selected_ = row; }
    int32_t get_column_width(int32_t) override { return -1; }

    static constexpr int32_t row_count = 12;
    skinner::List* list = nullptr;  // set once the list exists; nothing paints before

private:
    int32_t selected_ = -1;
};

// The source comes first so it exists when the list reads its rows.
struct ProbeListItemsMember {
    ProbeListItems items;
};

// A list that owns its items, so a skin can name it as a kind.
class ProbeList : private ProbeListItemsMember, public skinner::List {
public:
    ProbeList(skinner::Container* parent, std::wstring_view name);
};

} // namespace probe
