#include "skinner/PropertiesImpl.h"

#include "base/Log.h"
#include "plat/Screen.h"
#include "plat/System.h"

#include <array>
#include <utility>

namespace skinner {

namespace {

constexpr std::array<std::pair<std::wstring_view, int>, 12> cursor_names{{
    {L"ARROW", plat::IDC_ARROW},
    {L"HAND", plat::IDC_HAND},
    {L"IBEAM", plat::IDC_IBEAM},
    {L"SIZENESW", plat::IDC_SIZENESW},
    {L"SIZENS", plat::IDC_SIZENS},
    {L"SIZENWSE", plat::IDC_SIZENWSE},
    {L"SIZEWE", plat::IDC_SIZEWE},
    {L"WAIT", plat::IDC_WAIT},
    {L"SIZEALL", plat::IDC_SIZEALL},
    {L"NO", plat::IDC_NO},
    {L"HELP", plat::IDC_HELP},
    {L"APPSTARTING", plat::IDC_APPSTARTING},
}};

constexpr int max_scale = 4;

// The reader states its record sizes on every load, so a log shows which
// layout the program expected.
void log_record_sizes() {
    static constexpr std::array<std::pair<const wchar_t*, SkinPropertyType>, 5> records{{
        {L"IntegerNode", SkinPropertyType::integer},
        {L"PointNode", SkinPropertyType::point},
        {L"ColorNode", SkinPropertyType::color},
        {L"StringNode", SkinPropertyType::string},
        {L"PictureNode", SkinPropertyType::picture},
    }};
    for (const auto& [name, type] : records) {
        const unsigned size = SkinFile::record_size(type);
        liba::get_log() << L"sizeof(" << name << L")=" << size << L"\n";
        liba::get_log() << name << L"::Size=" << size << L"\n";
    }
}

plat::POINT work_area_size() {
    const plat::RECT area = plat::work_area();
    return {area.right - area.left, area.bottom - area.top};
}

bool device_is_smartphone() {
    return plat::screen_profile().platform == plat::PlatformType::smartphone;
}

} // namespace

plat::HCURSOR cursor_from_name(std::wstring_view name) {
    for (const auto& [text, id] : cursor_names)
        if (text == name)
            return plat::load_cursor(id);
    return nullptr;
}

PropertiesImpl::PropertiesImpl() : smartphone_(device_is_smartphone()) {
    log_record_sizes();
}

PropertiesImpl::PropertiesImpl(std::wstring_view path, plat::POINT screen_size)
    : work_area_size_(work_area_size()), screen_size_(screen_size), smartphone_(device_is_smartphone()),
      path_(path) {
    log_record_sizes();
    skin_.load_path(path);
    if (!skin_.valid())
        return;
    choose_scale();
    if (!load_pictures_and_fonts()) {
        pictures_.clear();
        fonts_.clear();
        skin_.assign({});
        scale_ = 1;
    }
}

void PropertiesImpl::reset_statistics() {
    lookups_ = 0;
    skin_.reset_comparisons();
}

void PropertiesImpl::choose_scale() {
    scale_ = 1;
    const int64_t w = screen_size_.x;
    const int64_t h = screen_size_.y;
    const SkinDesignSize first = skin_.design_size(0);
    if ((w == 0 && h == 0) || first.width == 0 || first.height == 0)
        return;
    if (suits_device(skin_.devices())) {
        for (int i = 1; i <= max_scale; ++i)
            for (int k = 0; k < SkinFile::design_size_count; ++k) {
                const SkinDesignSize d = skin_.design_size(k);
                if (w == i * int64_t(d.width) && h == i * int64_t(d.height)) {
                    scale_ = i;
                    return;
                }
            }
    }
    // Nearest fit: the design that leaves the least unused width, then height.
    int64_t best = (w + 1) * h;
    for (int i = 1; i <= max_scale; ++i)
        for (int k = 0; k < SkinFile::design_size_count; ++k) {
            const SkinDesignSize d = skin_.design_size(k);
            const int64_t a = h * (w - i * int64_t(d.width));
            if (a < 0)
                continue;
            const int64_t b = h - i * int64_t(d.height);
            if (b < 0)
                continue;
            if (a + b < best) {
                best = a + b;
                scale_ = i;
            }
        }
}

bool PropertiesImpl::load_pictures_and_fonts() {
    for (uint32_t k = 0; k < skin_.picture_count(); ++k) {
        const std::optional<std::wstring> name = skin_.picture_name(k);
        Picture picture;
        if (name)
            picture = Picture::load(path_, *name, false, scale_);
        if (!picture.loaded()) {
            liba::get_log() << L"PropertiesImpl::PropertiesImpl picture failed to load {" << name.value_or(L"")
                            << L"}\n";
            return false;
        }
        pictures_.push_back(picture);
    }
    for (uint32_t k = 0; k < skin_.font_count(); ++k) {
        FontDescription description(scale_);
        description.parse(skin_.font_description(k).value_or(L""));
        fonts_.emplace_back(description);
    }
    return true;
}

bool PropertiesImpl::suits_device(std::wstring_view devices) const {
    return devices.empty() || devices.find(smartphone_ ? L'S' : L'P') != std::wstring_view::npos;
}

SkinOffset PropertiesImpl::choose_form(std::wstring_view name) {
    if (has_choice_ && name == chosen_name_)
        return chosen_form_;
    has_choice_ = false;
    chosen_form_ = 0;
    chosen_name_.clear();
    control_ = 0;
    control_name_.clear();
    if (name.empty())
        return 0;
    forms_log_.clear();
    plat::POINT best;
    SkinOffset choice = 0;
    skin_.visit_pre_order(skin_.form_root(), [&](SkinOffset form) {
        const std::wstring form_name = skin_.element_name(form).value_or(L"");
        if (name.size() > form_name.size() || form_name.compare(0, name.size(), name) != 0) {
            forms_log_ += L"-" + form_name + L"\n";
            return;
        }
        const SkinOffset size_record = skin_.find_property(form, SkinPropertyType::point, L"Size");
        const plat::POINT size = size_record ? scaled_point(size_record) : plat::POINT{};
        const SkinOffset devices_record = skin_.find_property(form, SkinPropertyType::string, L"Devices");
        const std::wstring devices = devices_record ? skin_.string_value(devices_record).value_or(L"") : L"";
        const SkinOffset full_record = skin_.find_property(form, SkinPropertyType::integer, L"Fullscreen");
        const bool full_screen = full_record && skin_.integer_value(full_record) != 0;
        forms_log_ += L"+" + form_name + L" Size=" + std::to_wstring(size.x) + L" " + std::to_wstring(size.y) +
                      L" Devices=" + devices;
        const plat::POINT area = full_screen ? screen_size_ : work_area_size_;
        if (suits_device(devices)) {
            forms_log_ += L" good_for_device";
            const bool fits = size.x <= area.x && size.y <= area.y;
            if (fits && (size.x > best.x || (size.x == best.x && size.y >= best.y))) {
                choice = form;
                best = size;
            }
        }
        forms_log_ += L"\n";
    });
    if (choice) {
        has_choice_ = true;
        chosen_form_ = choice;
        chosen_name_ = name;
    }
    return choice;
}

SkinOffset PropertiesImpl::find_element(std::wstring_view form_name, std::wstring_view name) {
    ++lookups_;
    if (empty())
        report_no_skin();
    if (!form_name.empty()) {
        const SkinOffset form = choose_form(form_name);
        if (form && control_ && name == control_name_)
            return control_;
        const SkinOffset control = form ? skin_.find_element(skin_.control_root(form), name) : 0;
        if (!control)
            report_no_control(form_name, name);
        control_ = control;
        control_name_ = name;
        return control;
    }
    if (has_kind_ && name == kind_name_)
        return kind_;
    kind_ = name.empty() ? 0 : skin_.find_kind(name);
    kind_name_ = name;
    has_kind_ = true;
    if (!kind_ && !name.empty())
        report_no_kind(name);
    return kind_;
}

SkinOffset PropertiesImpl::find_form(std::wstring_view form_name) {
    ++lookups_;
    if (empty())
        report_no_skin();
    const SkinOffset form = choose_form(form_name);
    if (!form)
        report_no_form(form_name);
    return form;
}

SkinOffset PropertiesImpl::find_property(std::wstring_view form_name, std::wstring_view name, SkinPropertyType type,
                                         std::wstring_view key) {
    const SkinOffset element = find_element(form_name, name);
    return element ? skin_.find_property(element, type, key) : 0;
}

plat::POINT PropertiesImpl::scaled_point(SkinOffset record) const {
    const SkinPointValue value = skin_.point_value(record);
    return {int32_t(double(value.x) * scale_), int32_t(double(value.y) * scale_)};
}

std::optional<Picture> PropertiesImpl::picture_of(SkinOffset record) const {
    const SkinPictureValue value = skin_.picture_value(record);
    if (value.picture >= pictures_.size())
        return std::nullopt;
    Picture picture = pictures_[value.picture];
    const auto point = [&](int k) {
        return plat::POINT{int32_t(value.points[2 * k]) * scale_, int32_t(value.points[2 * k + 1]) * scale_};
    };
    picture.set_p0(point(0));
    picture.set_p1(point(1));
    picture.set_p2(point(2));
    picture.set_p3(point(3));
    picture.set_stretch(value.stretch != 0);
    return picture;
}

SkinColour PropertiesImpl::get_color(std::wstring_view form_name, std::wstring_view name, std::wstring_view key,
                                     const SkinColour& default_value) {
    const SkinOffset record = find_property(form_name, name, SkinPropertyType::color, key);
    return record ? skin_.color_value(record) : default_value;
}

std::optional<std::wstring> PropertiesImpl::get_string(std::wstring_view form_name, std::wstring_view name,
                                                       std::wstring_view key) {
    const SkinOffset record = find_property(form_name, name, SkinPropertyType::string, key);
    if (!record)
        return std::nullopt;
    return skin_.string_value(record);
}

int32_t PropertiesImpl::get_scaled_int(std::wstring_view form_name, std::wstring_view name, std::wstring_view key,
                                       int32_t default_value) {
    const SkinOffset record = find_property(form_name, name, SkinPropertyType::integer, key);
    return record ? int32_t(int64_t(skin_.integer_value(record)) * scale_) : default_value;
}

int32_t PropertiesImpl::get_int(std::wstring_view form_name, std::wstring_view name, std::wstring_view key,
                                int32_t default_value) {
    const SkinOffset record = find_property(form_name, name, SkinPropertyType::integer, key);
    return record ? skin_.integer_value(record) : default_value;
}

plat::POINT PropertiesImpl::get_point(std::wstring_view form_name, std::wstring_view name, std::wstring_view key,
                                      plat::POINT default_value) {
    const SkinOffset record = find_property(form_name, name, SkinPropertyType::point, key);
    return record ? scaled_point(record) : default_value;
}

plat::HCURSOR PropertiesImpl::get_cursor(std::wstring_view form_name, std::wstring_view name, std::wstring_view key,
                                         plat::HCURSOR default_value) {
    const std::optional<std::wstring> text = get_string(form_name, name, key);
    const plat::HCURSOR cursor = text ? cursor_from_name(*text) : nullptr;
    return cursor ? cursor : default_value;
}

Picture PropertiesImpl::get_picture(std::wstring_view form_name, std::wstring_view name, std::wstring_view key,
                                    const Picture& default_value) {
    const SkinOffset record = find_property(form_name, name, SkinPropertyType::picture, key);
    return record ? picture_of(record).value_or(default_value) : default_value;
}

Font PropertiesImpl::get_font(std::wstring_view form_name, std::wstring_view name, std::wstring_view key,
                              const Font& default_value) {
    const SkinOffset record = find_property(form_name, name, SkinPropertyType::font, key);
    if (!record)
        return default_value;
    const int32_t index = skin_.font_value(record);
    return index >= 0 && size_t(index) < fonts_.size() ? fonts_[size_t(index)] : default_value;
}

bool PropertiesImpl::has_property(std::wstring_view form_name, std::wstring_view name, std::wstring_view key) {
    const SkinOffset element = find_element(form_name, name);
    if (!element)
        return false;
    for (SkinPropertyType type : {SkinPropertyType::integer, SkinPropertyType::point, SkinPropertyType::string,
                                  SkinPropertyType::picture, SkinPropertyType::color, SkinPropertyType::font})
        if (skin_.find_property(element, type, key))
            return true;
    return false;
}

int32_t PropertiesImpl::get_form_int(std::wstring_view form_name, std::wstring_view key, int32_t default_value) {
    const SkinOffset record = skin_.find_property(find_form(form_name), SkinPropertyType::integer, key);
    return record ? skin_.integer_value(record) : default_value;
}

plat::POINT PropertiesImpl::get_form_point(std::wstring_view form_name, std::wstring_view key,
                                           plat::POINT default_value) {
    const SkinOffset record = skin_.find_property(find_form(form_name), SkinPropertyType::point, key);
    return record ? scaled_point(record) : default_value;
}

Picture PropertiesImpl::get_form_picture(std::wstring_view form_name, std::wstring_view key,
                                         const Picture& default_value) {
    const SkinOffset record = skin_.find_property(find_form(form_name), SkinPropertyType::picture, key);
    return record ? picture_of(record).value_or(default_value) : default_value;
}

uint32_t PropertiesImpl::get_form_control_count(std::wstring_view form_name) {
    return skin_.control_count(find_form(form_name));
}

std::optional<std::pair<std::wstring, std::wstring>> PropertiesImpl::get_form_control(std::wstring_view form_name,
                                                                                      uint32_t index) {
    return skin_.control_entry(find_form(form_name), index);
}

void PropertiesImpl::report_no_skin() const {
    liba::report_error(L"report_no_skin",
                       L"Skin file {" + path_ + L"} was invalid, but no check_version performed");
}

void PropertiesImpl::report_no_control(std::wstring_view form_name, std::wstring_view name) const {
    liba::report_error(L"report_no_control", L"Skin file {" + path_ + L"} form {" + std::wstring(form_name) +
                                                 L"} has no control {" + std::wstring(name) + L"}");
}

void PropertiesImpl::report_no_kind(std::wstring_view kind) const {
    liba::report_error(L"report_no_form", L"Skin file {" + path_ + L"} has no kind {" + std::wstring(kind) + L"}");
}

void PropertiesImpl::report_no_form(std::wstring_view form_name) const {
    liba::report_error(L"report_no_form", L"Skin file {" + path_ + L"} has no form {" + std::wstring(form_name) +
                                              L"} for workarea_size=" + std::to_wstring(work_area_size_.x) + L" " +
                                              std::to_wstring(work_area_size_.y) + L". list of all forms:\n" +
                                              forms_log_);
}

} // namespace skinner
