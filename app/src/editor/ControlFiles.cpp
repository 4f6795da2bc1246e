#include "app/ControlFiles.h"

#include "base/Path.h"
#include "plat/Files.h"

#include <algorithm>

using namespace skinner;

namespace {

// Extensions that show the audio icon.
constexpr const wchar_t* audio_extensions[] = {L"wav", L"mp3", L"mid", L"wma"};

bool is_dot_name(const std::wstring& path) {
    const std::wstring name = liba::file_name_part(path);
    return !name.empty() && name.front() == L'.';
}

} // namespace

ControlFiles::ControlFiles(Container* parent, std::wstring_view name) : ControlGrid(parent, name) {
    read_skin();
    populate();
}

ControlFiles::~ControlFiles() = default;

void ControlFiles::read_skin() {
    icon_width_ = get_scaled_int_property(L"IconWidth", 20);
    icon_up_ = get_picture_property(L"IconUp", Picture());
    icon_folder_ = get_picture_property(L"IconFolder", Picture());
    icon_file_ = get_picture_property(L"IconFile", Picture());
    const Picture audio = get_picture_property(L"IconAudio", Picture());
    icons_by_extension_.clear();
    for (const wchar_t* extension : audio_extensions)
        icons_by_extension_[extension] = audio;
}

void ControlFiles::load_skin() {
    ControlGrid::load_skin();
    read_skin();
}

bool ControlFiles::is_root(std::wstring_view folder) { return folder.empty() || folder == L"/" || folder == L"\\"; }

void ControlFiles::open_folder(const std::wstring& path) {
    const std::wstring folder = liba::strip_trailing_separator(path);
    const uint32_t attributes = is_root(folder) ? plat::INVALID_FILE_ATTRIBUTES : plat::get_file_attributes(folder);
    const bool exists = attributes != plat::INVALID_FILE_ATTRIBUTES && (attributes & plat::FILE_ATTRIBUTE_DIRECTORY);
    folder_ = exists ? folder : L"/";
    populate();
}

bool ControlFiles::on_file(const std::wstring& path) {
    if (!is_dot_name(path))
        entries_.push_back({path, liba::file_name_part(path), kind_file});
    return true;
}

bool ControlFiles::on_directory(const std::wstring& path) {
    if (!is_dot_name(path))
        entries_.push_back({path, liba::file_name_part(path), kind_folder});
    return true;
}

void ControlFiles::populate() {
    // The old rows index the old entries: nothing of them stays selected in a new folder.
    entries_.clear();
    rows_.clear();
    if (!is_root(folder_))
        entries_.push_back({liba::strip_trailing_separator(liba::parent_directory(folder_)), up_name, kind_up});
    // At the root the walk starts from the device's top folder.
    os::Finder::find(*this, is_root(folder_) ? std::wstring(L"\\") : folder_, L"*", L"*", false);
    std::stable_sort(entries_.begin(), entries_.end(), [](const Entry& a, const Entry& b) {
        if (a.kind != b.kind)
            return a.kind < b.kind;
        return liba::canonical_path(a.name) < liba::canonical_path(b.name);
    });
    rebuild_rows();
}

bool ControlFiles::passes_filter(const std::wstring& path) const {
    if (extensions_.empty())
        return true;
    const std::wstring extension = liba::canonical_path(liba::extension_part(liba::file_name_part(path)));
    return std::find(extensions_.begin(), extensions_.end(), extension) != extensions_.end();
}

void ControlFiles::rebuild_rows() {
    const std::wstring selected = get_selected_path();
    rows_.clear();
    for (size_t i = 0; i < entries_.size(); ++i)
        if (entries_[i].kind != kind_file || passes_filter(entries_[i].path))
            rows_.push_back(i);
    set_selected_row(-1);
    refresh();
    select_path(selected, false);
}

void ControlFiles::select_path(const std::wstring& path, bool open) {
    if (open)
        open_folder(liba::directory_part(path));
    int32_t row = 0;
    if (!path.empty())
        for (int32_t i = int32_t(rows_.size()) - 1; i >= 1; --i)
            if (liba::paths_equal(entries_[rows_[size_t(i)]].path, path)) {
                row = i;
                break;
            }
    if (!rows_.empty()) {
        set_selected_row(row);
        ensure_row_visible(row);
    }
    invalidate();
}

void ControlFiles::add_extension(const std::wstring& text) {
    std::wstring extension = liba::canonical_path(text);
    if (extension.find(L'.') != std::wstring::npos)
        extension = liba::canonical_path(liba::extension_part(extension));
    if (std::find(extensions_.begin(), extensions_.end(), extension) == extensions_.end())
        extensions_.push_back(extension);
    rebuild_rows();
}

const std::wstring& ControlFiles::get_selected_path() const {
    const int32_t row = get_selected_row();
    if (row < 0 || row >= int32_t(rows_.size()))
        return empty_;
    return entries_[rows_[size_t(row)]].path;
}

int32_t ControlFiles::get_selected_kind() const {
    const int32_t row = get_selected_row();
    return row < 0 || row >= int32_t(rows_.size()) ? 0 : entries_[rows_[size_t(row)]].kind;
}

std::vector<ControlFiles::Entry> ControlFiles::rows() const {
    std::vector<Entry> shown;
    for (size_t index : rows_)
        shown.push_back(entries_[index]);
    return shown;
}

bool ControlFiles::go_up() {
    if (is_root(folder_) || entries_.empty() || entries_.front().kind != kind_up)
        return false;
    const std::wstring left = folder_;
    open_folder(entries_.front().path);
    select_path(left, false);
    return true;
}

void ControlFiles::activate(int32_t row, bool by_key) {
    if (row < 0 || row >= int32_t(rows_.size()))
        return;
    const Entry entry = entries_[rows_[size_t(row)]];
    switch (entry.kind) {
    case kind_file:
        if (by_key)
            Control::on_menu_command(this, ok_command);
        break;
    case kind_folder: open_folder(entry.path); break;
    default: go_up(); break;
    }
}

int32_t ControlFiles::on_key_down(int32_t code) {
    if (ControlGrid::on_key_down(code) != 0)
        return 1;
    if (code == key::action) {
        activate(get_selected_row(), true);
        return 1;
    }
    if (code == key::escape)
        return go_up() ? 1 : 0;
    return 0;
}

int32_t ControlFiles::raise_item_click(const GridCellEvent& cell) {
    // A tap outside the rows reaches no cell.
    if (cell.row >= 0 && cell.row == get_selected_row())
        activate(cell.row, false);
    return 1;
}

int32_t ControlFiles::get_column_width(int32_t column) { return column == 0 ? icon_width_ : -1; }

const Picture& ControlFiles::icon_of(const Entry& entry) const {
    if (entry.kind == kind_up)
        return icon_up_;
    if (entry.kind == kind_folder)
        return icon_folder_;
    const auto found = icons_by_extension_.find(liba::canonical_path(liba::extension_part(entry.name)));
    return found != icons_by_extension_.end() ? found->second : icon_file_;
}

void ControlFiles::paint_cell(int32_t column, int32_t row, Canvas& canvas, plat::POINT position, plat::POINT size,
                              bool selected, bool highlighted) {
    if (row < 0 || row >= int32_t(rows_.size()))
        return;
    const GridItemStyle& style = get_item_style(selected, highlighted);
    style.picture.draw_shifted(canvas, position, size);
    const Entry& entry = entries_[rows_[size_t(row)]];
    if (column == 0) {
        const Picture& icon = icon_of(entry);
        const plat::POINT icon_size = icon.get_size();
        icon.draw_shifted(canvas, {position.x + (size.x - icon_size.x) / 2, position.y + (size.y - icon_size.y) / 2},
                          icon_size);
        return;
    }
    const plat::POINT border_min = get_border_min();
    const plat::POINT border_max = get_border_max();
    style.font.draw_text(canvas, style.colour, entry.name, {position.x + border_min.x, position.y + border_min.y},
                         {size.x - border_min.x - border_max.x, size.y - border_min.y - border_max.y}, 0, 1);
}
