#pragma once
#include "skinner/FormImpl.h"

namespace today {
struct TodayListItem;
}

// The item window's handler: the item is drawn over the home screen's
// background (a snapshot of what lies under it, taken again after each
// erase), answers the screen's refresh query with its height, and takes
// the screen's action press at (1, 1) as the action key.
class FormMainTodayImpl : public skinner::FormImpl {
public:
    explicit FormMainTodayImpl(plat::HWND window);
    ~FormMainTodayImpl() override;

    plat::LRESULT handle_message(uint32_t message, plat::WPARAM wparam, plat::LPARAM lparam, bool& pass_on) override;

private:
    void paint_item();
    plat::LRESULT erase_background(plat::HDC dc);
    plat::LRESULT query_refresh(today::TodayListItem* item);
    // Without invalidating: used while painting.
    void add_to_dirty(const plat::RECT& rect);
    void drop_working();

    plat::HBITMAP snapshot_ = nullptr;  // the background under the item
    plat::HBITMAP working_ = nullptr;   // background and form, composed
};
