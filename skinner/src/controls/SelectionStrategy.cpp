#include "skinner/controls/SelectionStrategy.h"

namespace skinner {

void GridSelectionStrategyWithHighlight::set_highlight(int32_t column, int32_t row) {
    if (column == highlight_column_ && row == highlight_row_)
        return;
    highlight_column_ = column;
    highlight_row_ = row;
    on_highlight_changed();
}

} // namespace skinner
