#pragma once
#include "skinner/Control.h"

#include <string>
#include <string_view>
#include <vector>

namespace skinner {

// A text over an optional background picture: labels, captions, the time on
// the ringing form, message bodies. It takes no input (taps fall through it)
// and never wants focus. Skin names carry the prefix "frm".
class ControlFrame : public Control {
public:
    // The in-text line-break marker: backslash and "n".
    static constexpr std::wstring_view default_line_break = L"\\n";
    static constexpr wchar_t ellipsis_character = L'\u2026';

    ControlFrame(Container* parent, std::wstring_view name_or_kind, int creation_mode = creation_named);
    ~ControlFrame() override;

    using Control::on_text_changed;
    void paint(Canvas& canvas, plat::POINT clip_position, plat::POINT clip_size) override;
    bool hit_test(plat::POINT point) override;
    // Re-breaks the lines, since wrapping depends on the width.
    void set_rect(plat::POINT position, plat::POINT size) override;
    // The larger of the text's own size (with auto size) and the skin size.
    plat::POINT get_preferred_size() override;
    void load_skin() override;
    // Breaks the text into display lines (and measures them with auto size).
    virtual void on_text_changed(const std::wstring& text);

    // Same text: nothing; else stored, broken into lines and invalidated.
    void set_text(std::wstring_view text);
    const std::wstring& get_text() const { return text_; }
    const std::vector<std::wstring>& get_lines() const { return lines_; }
    int32_t get_auto_width() const { return auto_width_; }
    int32_t get_auto_height() const { return auto_height_; }

protected:
    plat::POINT border_min_;
    plat::POINT border_max_;
    Picture picture_;
    Font font_;
    SkinColour color_{};
    std::wstring text_;
    int h_alignment_ = 1;  // 0 left, 1 centre, 2 right
    int v_alignment_ = 1;  // 0 top, 1 centre, 2 bottom
    int32_t auto_width_ = 0;
    int32_t auto_height_ = 0;
    std::vector<std::wstring> lines_;
    std::wstring line_break_{default_line_break};
    bool wrap_ = false;
    bool auto_size_ = false;
    bool ellipsis_ = false;

private:
    void read_skin();
};

} // namespace skinner
