#pragma once
#include "plat/CommonControls.h"
#include "plat/Font.h"
#include "plat/Window.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace plat::ui::controls {

// The "EDIT" window of the smartphone shell: one line of text with caret,
// selection and horizontal scrolling (see "plat/CommonControls.h").
class NativeEdit {
public:
    NativeEdit(HWND window, const CreateStruct& create);
    ~NativeEdit();
    NativeEdit(const NativeEdit&) = delete;
    NativeEdit& operator=(const NativeEdit&) = delete;

    static void register_class();
    LRESULT handle(uint32_t message, WPARAM wparam, LPARAM lparam);

private:
    bool read_only() const;
    void adopt_title();
    // The one way the user's edits change the text; false when read-only.
    void replace_selection(std::wstring_view with);
    void set_text(std::wstring_view text);
    void changed();
    void move_caret(size_t to, bool extend);
    void backspace();
    void delete_forward();
    void type(std::wstring_view typed);
    void key_down(uint32_t key);
    void set_selection(std::intptr_t anchor, std::intptr_t caret);
    int x_of(size_t index) const;
    size_t index_at(int x) const;
    RECT text_area() const;
    void scroll_to_caret();
    void paint();

    HWND window_ = nullptr;
    int scale_ = 1;
    HFONT font_ = nullptr;
    HDC measure_dc_ = nullptr;
    std::wstring text_;
    size_t caret_ = 0;
    size_t anchor_ = 0;  // the selection's other end; none when it is the caret
    int scroll_ = 0;     // pixels of text scrolled out on the left
    bool numbers_ = false;
};

} // namespace plat::ui::controls
