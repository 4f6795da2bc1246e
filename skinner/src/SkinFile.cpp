#include "skinner/SkinFile.h"

#include "base/File.h"
#include "base/Log.h"
#include "base/ZipFile.h"
#include "plat/Text.h"

#include <algorithm>
#include <unordered_set>

namespace skinner {

uint32_t SkinFile::record_size(SkinPropertyType type) {
    switch (type) {
    case SkinPropertyType::integer: return 8;
    case SkinPropertyType::point: return 6;
    case SkinPropertyType::string: return 4;
    case SkinPropertyType::picture: return 20;
    case SkinPropertyType::color: return 6;
    case SkinPropertyType::font: return 8;
    }
    return 8;
}

std::u16string SkinFile::to_units(std::wstring_view text) {
    std::string bytes = plat::to_utf16le(text);
    std::u16string units(bytes.size() / 2, u'\0');
    for (size_t i = 0; i < units.size(); ++i)
        units[i] = char16_t(uint8_t(bytes[2 * i]) | uint8_t(bytes[2 * i + 1]) << 8);
    return units;
}

uint32_t SkinFile::u32(uint64_t offset) const {
    if (!fits(offset, 4))
        return 0;
    const uint8_t* p = &image_[offset];
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

uint16_t SkinFile::u16(uint64_t offset) const {
    if (!fits(offset, 2))
        return 0;
    return uint16_t(image_[offset] | image_[offset + 1] << 8);
}

std::optional<std::wstring> SkinFile::text(uint64_t offset, uint32_t max_units) const {
    const uint64_t last = offset + 2 * uint64_t(max_units);
    for (uint64_t end = offset; end <= last && fits(end, 2); end += 2) {
        if (u16(end) == 0)
            return plat::from_utf16le(&image_[offset], size_t(end - offset));
    }
    return std::nullopt;
}

bool SkinFile::good_text_field(uint32_t offset) const {
    int i = 0;
    while (i < text_units && u16(offset + 2 * i) != 0)
        ++i;
    if (i == text_units)
        return false;
    for (; i < text_units; ++i)
        if (u16(offset + 2 * i) != 0)
            return false;
    return true;
}

bool SkinFile::record_fits(SkinOffset element, uint32_t size) const {
    return element != 0 && fits(element, size);
}

bool SkinFile::assign(std::vector<uint8_t> image) {
    image_ = std::move(image);
    names_.clear();
    comparisons_ = 0;
    valid_ = image_.size() >= header_size && good_text_field(at_identification) && good_text_field(at_devices);
    for (int i = 0; i < 4 && valid_; ++i)
        valid_ = u16(2 * i) == magic[i];
    if (!valid_)
        return false;
    // The walk ends with the image (a name takes two bytes at least), whatever the header counts.
    const uint64_t wanted = uint64_t(u32(at_picture_count)) + u32(at_font_count);
    uint64_t offset = u32(at_name_table);
    while (names_.size() < wanted && fits(offset, 2)) {
        uint64_t end = offset;
        const uint64_t last = offset + 2 * uint64_t(max_text_units);
        while (end <= last && fits(end, 2) && u16(end) != 0)
            end += 2;
        if (end > last || !fits(end, 2))
            break;
        names_.push_back(uint32_t(offset));
        offset = end + 2;
    }
    return true;
}

bool SkinFile::load(liba::ResourceReader& reader, uint32_t size) {
    std::vector<uint8_t> image(size, 0);
    uint32_t total = 0;
    while (total < size) {
        uint32_t n = reader.read(image.data() + total, size - total);
        if (n == 0)
            break;
        total += n;
    }
    assign(std::move(image));
    return total == size;
}

bool SkinFile::load_path(std::wstring_view path) {
    os::File file(path, os::File::mode_read);
    // What cannot be opened (missing, or refused as no regular file) is not tried again as an archive.
    if (file.has_error()) {
        assign({});
    } else {
        liba::ZipFile archive(path);
        for (std::wstring entry = archive.read_entry_header(); !entry.empty(); entry = archive.read_entry_header()) {
            size_t dot = entry.rfind(L'.');
            if (dot == std::wstring::npos || !plat::equal_no_case(std::wstring_view(entry).substr(dot + 1), L"skin"))
                continue;
            // The archive never serves an entry whose data lies past its end, so the size is bounded by the file.
            if (load(archive, archive.get_size()))
                return true;
            liba::get_log() << L"Error: skin [" << path << L"] failed to load from archive\n";
            return false;
        }
        if (load(file, file.get_size()))
            return true;
    }
    liba::get_log() << L"Error: skin [" << path << L"] failed to load\n";
    return false;
}

std::wstring SkinFile::identification() const {
    return valid_ ? text(at_identification, text_units).value_or(L"") : L"";
}

std::wstring SkinFile::devices() const { return valid_ ? text(at_devices, text_units).value_or(L"") : L""; }

SkinDesignSize SkinFile::design_size(int index) const {
    if (!valid_ || index < 0 || index >= design_size_count)
        return {};
    uint32_t at = at_design_sizes + uint32_t(index) * design_size_record;
    return {int32_t(u32(at)), int32_t(u32(at + 4))};
}

SkinOffset SkinFile::form_root() const { return valid_ ? u32(at_form_root) : 0; }
SkinOffset SkinFile::kind_root() const { return valid_ ? u32(at_kind_root) : 0; }
uint32_t SkinFile::picture_count() const {
    return valid_ ? uint32_t(std::min<uint64_t>(u32(at_picture_count), names_.size())) : 0;
}

uint32_t SkinFile::font_count() const {
    if (!valid_)
        return 0;
    const uint64_t first = std::min<uint64_t>(u32(at_picture_count), names_.size());
    return uint32_t(std::min<uint64_t>(u32(at_font_count), names_.size() - first));
}

std::optional<std::wstring> SkinFile::picture_name(uint32_t index) const {
    if (index >= picture_count())
        return std::nullopt;
    return text(names_[index], max_text_units);
}

std::optional<std::wstring> SkinFile::font_description(uint32_t index) const {
    if (index >= font_count())
        return std::nullopt;
    return text(names_[size_t(uint64_t(u32(at_picture_count)) + index)], max_text_units);
}

std::optional<int> SkinFile::compare(std::u16string_view key, uint32_t stored) const {
    for (size_t i = 0;; ++i) {
        uint64_t at = uint64_t(stored) + 2 * i;
        if (!fits(at, 2))
            return std::nullopt;
        uint16_t unit = u16(at);
        if (i == key.size())
            return unit == 0 ? 0 : -1;
        if (unit == 0)
            return 1;
        if (uint16_t(key[i]) != unit)
            return uint16_t(key[i]) < unit ? -1 : 1;
    }
}

SkinOffset SkinFile::find_element(SkinOffset root, std::wstring_view name) {
    std::u16string key = to_units(name);
    // A well-made tree is never deeper than the records the image can hold;
    // past that the offsets go round in a circle.
    uint64_t steps = image_.size() / element_record_size + 1;
    for (SkinOffset node = root; node != 0 && steps-- > 0;) {
        if (!record_fits(node, element_record_size))
            return 0;
        ++comparisons_;
        std::optional<int> order = compare(key, u32(node + at_name));
        if (!order)
            return 0;
        if (*order == 0)
            return node;
        node = u32(node + (*order < 0 ? at_left : at_right));
    }
    return 0;
}

void SkinFile::walk(SkinOffset root, bool pre_order, const std::function<void(SkinOffset)>& visit) const {
    std::unordered_set<SkinOffset> seen;
    std::vector<SkinOffset> stack;
    if (pre_order) {
        stack.push_back(root);
        while (!stack.empty()) {
            SkinOffset node = stack.back();
            stack.pop_back();
            if (!record_fits(node, element_record_size))
                continue;
            if (!seen.insert(node).second)
                return;
            visit(node);
            stack.push_back(u32(node + at_right));
            stack.push_back(u32(node + at_left));
        }
        return;
    }
    SkinOffset node = root;
    while (record_fits(node, element_record_size) || !stack.empty()) {
        while (record_fits(node, element_record_size)) {
            if (!seen.insert(node).second)
                return;
            stack.push_back(node);
            node = u32(node + at_left);
        }
        node = stack.back();
        stack.pop_back();
        visit(node);
        node = u32(node + at_right);
    }
}

void SkinFile::visit_pre_order(SkinOffset root, const std::function<void(SkinOffset)>& visit) const {
    walk(root, true, visit);
}

void SkinFile::visit_in_order(SkinOffset root, const std::function<void(SkinOffset)>& visit) const {
    walk(root, false, visit);
}

std::optional<std::wstring> SkinFile::element_name(SkinOffset element) const {
    if (!record_fits(element, element_record_size))
        return std::nullopt;
    return text(u32(element + at_name), max_name_units);
}

SkinOffset SkinFile::control_root(SkinOffset form) const {
    return record_fits(form, form_record_size) ? u32(form + at_control_root) : 0;
}

uint32_t SkinFile::control_count(SkinOffset form) const {
    if (!record_fits(form, form_record_size))
        return 0;
    uint64_t room = (image_.size() - (uint64_t(form) + form_record_size)) / 4;
    return uint32_t(std::min<uint64_t>(u32(form + at_control_count), room));
}

std::optional<std::pair<std::wstring, std::wstring>> SkinFile::control_entry(SkinOffset form, uint32_t index) const {
    if (index >= control_count(form))
        return std::nullopt;
    uint64_t at = uint64_t(form) + at_control_list + 4 * uint64_t(index);
    std::optional<std::wstring> control = text(u16(at), max_name_units);
    std::optional<std::wstring> kind = text(u16(at + 2), max_name_units);
    if (!control || !kind)
        return std::nullopt;
    return std::make_pair(*control, *kind);
}

uint32_t SkinFile::property_count(SkinOffset element, SkinPropertyType type) const {
    if (!record_fits(element, element_record_size))
        return 0;
    uint32_t at = element + at_arrays + 8 * uint32_t(type);
    uint32_t begin = u32(at), end = u32(at + 4);
    if (end <= begin || begin >= image_.size())
        return 0;
    uint64_t in_image = std::min<uint64_t>(end, image_.size()) - begin;
    return uint32_t(in_image / record_size(type));
}

SkinOffset SkinFile::property_record(SkinOffset element, SkinPropertyType type, uint32_t index) const {
    if (index >= property_count(element, type))
        return 0;
    return u32(element + at_arrays + 8 * uint32_t(type)) + index * record_size(type);
}

std::optional<std::wstring> SkinFile::property_name(SkinOffset record) const {
    if (!fits(record, 2))
        return std::nullopt;
    return text(u16(record), max_name_units);
}

SkinOffset SkinFile::find_property(SkinOffset element, SkinPropertyType type, std::wstring_view key) {
    std::u16string units = to_units(key);
    uint32_t low = 0, high = property_count(element, type);
    while (low != high) {
        uint32_t middle = low + (high - low) / 2;
        SkinOffset record = property_record(element, type, middle);
        ++comparisons_;
        std::optional<int> order = compare(units, u16(record));
        if (!order)
            return 0;
        if (*order == 0)
            return record;
        if (*order < 0)
            high = middle;
        else
            low = middle + 1;
    }
    return 0;
}

int32_t SkinFile::integer_value(SkinOffset record) const { return int32_t(u32(uint64_t(record) + 4)); }

SkinPointValue SkinFile::point_value(SkinOffset record) const {
    return {int16_t(u16(uint64_t(record) + 2)), int16_t(u16(uint64_t(record) + 4))};
}

std::array<uint8_t, 4> SkinFile::color_value(SkinOffset record) const {
    std::array<uint8_t, 4> color{};
    if (fits(uint64_t(record) + 2, 4))
        for (int i = 0; i < 4; ++i)
            color[i] = image_[record + 2 + i];
    return color;
}

std::optional<std::wstring> SkinFile::string_value(SkinOffset record) const {
    if (!fits(record, 4))
        return std::nullopt;
    return text(u16(uint64_t(record) + 2), max_text_units);
}

SkinPictureValue SkinFile::picture_value(SkinOffset record) const {
    SkinPictureValue value;
    if (!fits(record, 20))
        return value;
    for (int i = 0; i < 8; ++i)
        value.points[i] = u16(uint64_t(record) + 2 + 2 * i);
    value.picture = image_[record + 18];
    value.stretch = image_[record + 19];
    return value;
}

int32_t SkinFile::font_value(SkinOffset record) const { return int32_t(u32(uint64_t(record) + 4)); }

} // namespace skinner
