#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace liba {
class ResourceReader;
}

namespace skinner {

// Offset of a record in the skin image; 0 means none.
using SkinOffset = uint32_t;

enum class SkinPropertyType { integer, point, string, picture, color, font };

struct SkinDesignSize {
    int32_t width = 0;
    int32_t height = 0;
};

struct SkinPointValue {
    int16_t x = 0;
    int16_t y = 0;
};

struct SkinPictureValue {
    // Outer top-left, inner top-left, inner bottom-right, outer bottom-right.
    std::array<uint16_t, 8> points{};
    uint8_t picture = 0; // index into the picture names
    uint8_t stretch = 0;
};

// A compiled skin held whole in memory and searched in place. Every offset,
// range, name and index read from the image is checked before use: a bad
// reference is "not found", never a read outside the image.
class SkinFile {
public:
    static constexpr uint32_t header_size = 540;
    static constexpr int text_units = 32;
    static constexpr int design_size_count = 32;
    static constexpr uint32_t element_record_size = 60;
    static constexpr uint32_t form_record_size = 68;
    static constexpr uint16_t magic[4] = {0x0421, 0x043A, 0x0438, 0x043D};
    // Longest texts a skin is read with, NUL not counted: names of elements, controls, kinds and
    // properties are short identifiers; string values, picture names and font descriptions are
    // no longer than a device path. A longer text counts as cut off, so that a hostile file whose
    // records all point at one long run costs no more than its records.
    static constexpr uint32_t max_name_units = 128;
    static constexpr uint32_t max_text_units = 260;
    // Offsets of the header fields.
    static constexpr uint32_t at_identification = 8;
    static constexpr uint32_t at_form_root = 72;
    static constexpr uint32_t at_kind_root = 76;
    static constexpr uint32_t at_picture_count = 80;
    static constexpr uint32_t at_font_count = 84;
    static constexpr uint32_t at_name_table = 88;
    static constexpr uint32_t at_design_sizes = 92;
    static constexpr uint32_t design_size_record = 12;
    static constexpr uint32_t at_devices = 476;
    // Offsets inside an element record.
    static constexpr uint32_t at_left = 0;
    static constexpr uint32_t at_right = 4;
    static constexpr uint32_t at_name = 8;
    static constexpr uint32_t at_arrays = 12;
    static constexpr uint32_t at_control_root = 60;
    static constexpr uint32_t at_control_count = 64;
    static constexpr uint32_t at_control_list = 68;

    static uint32_t record_size(SkinPropertyType type);

    // Takes the image; true when its header is accepted (else the skin is empty).
    bool assign(std::vector<uint8_t> image);
    // Reads `size` bytes as the image; bytes that do not arrive stay zero.
    // Returns false for a short read; the header check decides the rest.
    bool load(liba::ResourceReader& reader, uint32_t size);
    // Reads the skin at a device path: the first entry with the extension
    // "skin" (any case) of a stored-only zip archive, else the file itself.
    // A short read is logged and returns false; the header check decides the rest.
    bool load_path(std::wstring_view path);

    bool valid() const { return valid_; }
    const std::vector<uint8_t>& image() const { return image_; }

    std::wstring identification() const;
    std::wstring devices() const;
    SkinDesignSize design_size(int index) const;
    SkinOffset form_root() const;
    SkinOffset kind_root() const;
    // The header's counts as far as the name table holds their names: a count is never
    // trusted beyond the file's bytes, so what loops over it costs no more than the file.
    uint32_t picture_count() const;
    uint32_t font_count() const;
    // Empty optional for an index beyond the table or a name that is cut off.
    std::optional<std::wstring> picture_name(uint32_t index) const;
    std::optional<std::wstring> font_description(uint32_t index) const;

    // Tree searches; each comparison counts.
    SkinOffset find_element(SkinOffset root, std::wstring_view name);
    SkinOffset find_form(std::wstring_view name) { return find_element(form_root(), name); }
    SkinOffset find_kind(std::wstring_view name) { return find_element(kind_root(), name); }
    // Visits a tree, record before its left then right subtree; a record met
    // twice (a cyclic file) ends the walk.
    void visit_pre_order(SkinOffset root, const std::function<void(SkinOffset)>& visit) const;
    void visit_in_order(SkinOffset root, const std::function<void(SkinOffset)>& visit) const;

    std::optional<std::wstring> element_name(SkinOffset element) const;
    SkinOffset control_root(SkinOffset form) const;
    uint32_t control_count(SkinOffset form) const;
    // The control and kind names of entry `index`; empty optional when bad.
    std::optional<std::pair<std::wstring, std::wstring>> control_entry(SkinOffset form, uint32_t index) const;

    // Records of one property array (in file order, sorted when well made).
    uint32_t property_count(SkinOffset element, SkinPropertyType type) const;
    SkinOffset property_record(SkinOffset element, SkinPropertyType type, uint32_t index) const;
    std::optional<std::wstring> property_name(SkinOffset record) const;
    // Binary search of the element's array of that type; 0 when absent.
    SkinOffset find_property(SkinOffset element, SkinPropertyType type, std::wstring_view key);

    // Values of a property record of the matching type.
    int32_t integer_value(SkinOffset record) const;
    SkinPointValue point_value(SkinOffset record) const;
    std::array<uint8_t, 4> color_value(SkinOffset record) const;
    std::optional<std::wstring> string_value(SkinOffset record) const;
    SkinPictureValue picture_value(SkinOffset record) const;
    int32_t font_value(SkinOffset record) const;

    uint64_t comparisons() const { return comparisons_; }
    void reset_comparisons() { comparisons_ = 0; }

    // Key against a stored name, by unsigned 16-bit code units; a proper prefix
    // is smaller. Empty optional when the stored name runs outside the image.
    std::optional<int> compare(std::u16string_view key, uint32_t stored) const;
    static std::u16string to_units(std::wstring_view text);

private:
    bool fits(uint64_t offset, uint64_t count) const { return offset <= image_.size() && count <= image_.size() - offset; }
    uint32_t u32(uint64_t offset) const;
    uint16_t u16(uint64_t offset) const;
    std::optional<std::wstring> text(uint64_t offset, uint32_t max_units) const;
    bool good_text_field(uint32_t offset) const;
    bool record_fits(SkinOffset element, uint32_t size) const;
    void walk(SkinOffset root, bool pre_order, const std::function<void(SkinOffset)>& visit) const;

    std::vector<uint8_t> image_;
    bool valid_ = false;
    std::vector<uint32_t> names_; // offsets of the name table's texts, as far as the image holds them
    uint64_t comparisons_ = 0;
};

} // namespace skinner
