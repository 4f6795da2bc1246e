#pragma once
#include <cstdint>
#include <string>

namespace skinner {

class Control;
struct MenuRecord;  // the menu entry being built (menus)

// The framework's events. A control raises an event by calling its own
// operation with itself as sender; the control passes it to its container and
// the container to its listener (normally the application's form), each step
// handing the arguments on unchanged.
//
// Convention: the sender control comes first (null when the form itself
// raises the event, as for "#ScreenResolution#"), then the payload. Every
// operation answers an integer: 0 means not handled. The order of the
// operations is part of the interface: application forms override them.
class Listener {
public:
    virtual ~Listener() = default;

    // A button or clickable control was activated.
    virtual int32_t on_click(Control* sender) { (void)sender; return 0; }
    virtual int32_t on_event_1(Control* sender, std::intptr_t data) { (void)sender; (void)data; return 0; }
    // An item (column, row) of a grid or list was activated.
    virtual int32_t on_item_click(Control* sender, int32_t column, int32_t row) {
        (void)sender; (void)column; (void)row; return 0;
    }
    virtual int32_t on_event_3(Control* sender, std::intptr_t data) { (void)sender; (void)data; return 0; }
    // An item was tapped and held (a context request).
    virtual int32_t on_item_context_click(Control* sender, int32_t column, int32_t row) {
        (void)sender; (void)column; (void)row; return 0;
    }
    // The per-item query of a list; data is the list's query record.
    virtual int32_t on_event_5(Control* sender, std::intptr_t data) { (void)sender; (void)data; return 0; }
    virtual int32_t on_event_6(Control* sender, std::intptr_t data) { (void)sender; (void)data; return 0; }
    virtual int32_t on_event_7(Control* sender, std::intptr_t data) { (void)sender; (void)data; return 0; }
    virtual int32_t on_event_8(Control* sender, std::intptr_t data) { (void)sender; (void)data; return 0; }
    // A grid drops its in-cell editor at (column, row), keeping its value when commit is set.
    virtual int32_t on_event_9(Control* sender, int32_t column, int32_t row, bool commit) {
        (void)sender; (void)column; (void)row; (void)commit; return 0;
    }
    virtual int32_t on_event_10(Control* sender, std::intptr_t data) { (void)sender; (void)data; return 0; }
    // A control-specific notification.
    virtual int32_t on_event_11(Control* sender, std::intptr_t data) { (void)sender; (void)data; return 0; }
    // A scroll position changed.
    virtual int32_t on_scroll(Control* sender, int32_t position) { (void)sender; (void)position; return 0; }
    // A menu command, given as its command text (the item's skin name).
    virtual int32_t on_menu_command(Control* sender, const std::wstring& command) {
        (void)sender; (void)command; return 0;
    }
    // A slider or progress track is being moved to value (0..1).
    virtual int32_t on_slider_moved(Control* sender, double value) { (void)sender; (void)value; return 0; }
    // The track was released at value.
    virtual int32_t on_slider_released(Control* sender, double value) { (void)sender; (void)value; return 0; }
    // The text of an edit or frame changed.
    virtual int32_t on_text_changed(Control* sender, const std::wstring& text) {
        (void)sender; (void)text; return 0;
    }
    // A grid header (column, row) was tapped.
    virtual int32_t on_header_click(Control* sender, int32_t column, int32_t row) {
        (void)sender; (void)column; (void)row; return 0;
    }
    virtual int32_t on_header_context_click(Control* sender, int32_t column, int32_t row) {
        (void)sender; (void)column; (void)row; return 0;
    }
    // The selection of a grid, list or combo changed.
    virtual int32_t on_selection_changed(Control* sender) { (void)sender; return 0; }
    // The highlighted (focused) cell changed.
    virtual int32_t on_highlight_changed(Control* sender) { (void)sender; return 0; }
    // The focused child of a container changed; sender is the new one (or null).
    virtual int32_t on_focus_changed(Control* sender) { (void)sender; return 0; }
    // A menu is about to be built: the application fills the record's entries.
    virtual int32_t on_create_menu(Control* sender, MenuRecord& menu) { (void)sender; (void)menu; return 0; }
    // A popup form (a combo drop-down) closed.
    virtual int32_t on_popup_closed(Control* sender) { (void)sender; return 0; }
};

} // namespace skinner
