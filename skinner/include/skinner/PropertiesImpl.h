#pragma once
#include "skinner/Canvas.h"
#include "skinner/Font.h"
#include "skinner/Picture.h"
#include "skinner/SkinFile.h"
#include "plat/Gdi.h"
#include "plat/Input.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace skinner {

// The cursor a skin text names ("ARROW", "HAND", "IBEAM", ...; exact case),
// loaded as the device's standard cursor; null for any other text.
plat::HCURSOR cursor_from_name(std::wstring_view name);

// One loaded skin: the file image searched in place, its pictures and fonts
// at the chosen scale, the form variant chosen for the device, and caches of
// the last control and kind found. Lookups of something the skin must hold
// and lacks end the process through the fatal report; a missing property
// key only gives the caller's default.
class PropertiesImpl {
public:
    // An empty skin (scale 1): every element lookup is fatal.
    PropertiesImpl();
    // Loads the skin at a device path for a screen of that size; a bad file
    // gives an empty skin. The work area and the device kind are read now.
    PropertiesImpl(std::wstring_view path, plat::POINT screen_size);
    PropertiesImpl(const PropertiesImpl&) = delete;
    PropertiesImpl& operator=(const PropertiesImpl&) = delete;

    bool empty() const { return !skin_.valid(); }
    int get_scale() const { return scale_; }
    const std::wstring& get_path() const { return path_; }
    plat::POINT get_work_area_size() const { return work_area_size_; }
    plat::POINT get_screen_size() const { return screen_size_; }
    SkinFile& get_skin() { return skin_; }
    // The device kind read at load: a smartphone's forms may differ.
    bool is_smartphone() const { return smartphone_; }

    // Statistics: name comparisons and element lookups since the last reset.
    uint64_t get_comparisons() const { return skin_.comparisons(); }
    uint64_t get_lookups() const { return lookups_; }
    void reset_statistics();

    // The form record chosen for a requested name (cached); 0 when none fits.
    SkinOffset choose_form(std::wstring_view name);
    // What the last choice visited: "-NAME" for names that do not match,
    // "+NAME Size=W H Devices=TEXT[ good_for_device]" for those that do.
    const std::wstring& get_forms_log() const { return forms_log_; }

    // Per-control getters: the control `name` of form `form_name`, or the kind
    // `name` when form_name is empty. get_string gives the stored text as it
    // stands (Properties translates it).
    SkinColour get_color(std::wstring_view form_name, std::wstring_view name, std::wstring_view key,
                         const SkinColour& default_value);
    std::optional<std::wstring> get_string(std::wstring_view form_name, std::wstring_view name, std::wstring_view key);
    int32_t get_scaled_int(std::wstring_view form_name, std::wstring_view name, std::wstring_view key,
                           int32_t default_value);
    int32_t get_int(std::wstring_view form_name, std::wstring_view name, std::wstring_view key, int32_t default_value);
    plat::POINT get_point(std::wstring_view form_name, std::wstring_view name, std::wstring_view key,
                          plat::POINT default_value);
    plat::HCURSOR get_cursor(std::wstring_view form_name, std::wstring_view name, std::wstring_view key,
                             plat::HCURSOR default_value);
    Picture get_picture(std::wstring_view form_name, std::wstring_view name, std::wstring_view key,
                        const Picture& default_value);
    Font get_font(std::wstring_view form_name, std::wstring_view name, std::wstring_view key,
                  const Font& default_value);
    // Whether the element gives the key a value of any type.
    bool has_property(std::wstring_view form_name, std::wstring_view name, std::wstring_view key);

    // Getters of the chosen form record's own properties.
    int32_t get_form_int(std::wstring_view form_name, std::wstring_view key, int32_t default_value);
    plat::POINT get_form_point(std::wstring_view form_name, std::wstring_view key, plat::POINT default_value);
    Picture get_form_picture(std::wstring_view form_name, std::wstring_view key, const Picture& default_value);
    uint32_t get_form_control_count(std::wstring_view form_name);
    // (control name, kind name) of entry `index`; empty for an unreadable entry.
    std::optional<std::pair<std::wstring, std::wstring>> get_form_control(std::wstring_view form_name, uint32_t index);

private:
    void choose_scale();
    bool load_pictures_and_fonts();
    bool suits_device(std::wstring_view devices) const;
    // Element lookup: a control record, a kind record, or 0 for an empty kind name.
    SkinOffset find_element(std::wstring_view form_name, std::wstring_view name);
    SkinOffset find_form(std::wstring_view form_name);
    SkinOffset find_property(std::wstring_view form_name, std::wstring_view name, SkinPropertyType type,
                             std::wstring_view key);
    plat::POINT scaled_point(SkinOffset record) const;
    std::optional<Picture> picture_of(SkinOffset record) const;
    [[noreturn]] void report_no_skin() const;
    [[noreturn]] void report_no_control(std::wstring_view form_name, std::wstring_view name) const;
    [[noreturn]] void report_no_kind(std::wstring_view kind) const;
    [[noreturn]] void report_no_form(std::wstring_view form_name) const;

    uint64_t lookups_ = 0;
    plat::POINT work_area_size_;
    plat::POINT screen_size_;
    bool smartphone_ = false;
    SkinFile skin_;
    std::vector<Picture> pictures_;
    std::vector<Font> fonts_;
    SkinOffset chosen_form_ = 0;
    std::wstring chosen_name_;
    bool has_choice_ = false;  // a name was asked for (its result, even none, stands)
    SkinOffset control_ = 0;
    std::wstring control_name_;
    SkinOffset kind_ = 0;
    std::wstring kind_name_;
    bool has_kind_ = false;
    std::wstring path_;
    int scale_ = 1;
    std::wstring forms_log_;
};

} // namespace skinner
