#pragma once
#include "skinner/controls/ControlGrid.h"
#include "skinner/controls/SelectionSingleRow.h"
#include "base/Finder.h"

#include <map>
#include <string>
#include <vector>

// The list of one folder of the device: a line to go up, the subfolders,
// then the files (only those of the chosen extensions, when any), each with
// its icon. The action key on a file raises the menu command "Ok".
class ControlFiles : public skinner::ControlGrid, public skinner::GridSelectionStrategySingleRow, public os::Finder {
public:
    static constexpr int32_t kind_up = 1;
    static constexpr int32_t kind_folder = 2;
    static constexpr int32_t kind_file = 4;
    static constexpr const wchar_t* up_name = L"...";
    static constexpr const wchar_t* ok_command = L"Ok";

    struct Entry {
        std::wstring path;  // full, without a final separator
        std::wstring name;
        int32_t kind = kind_file;
    };

    ControlFiles(skinner::Container* parent, std::wstring_view name);
    ~ControlFiles() override;

    // The folder when it exists, else the root; then the list is filled again.
    void open_folder(const std::wstring& path);
    // With open, the path's folder is opened first. The row of the path is
    // selected and shown; row 0 when it is not listed.
    void select_path(const std::wstring& path, bool open);
    // An extension ("mp3") or a file name whose extension is taken.
    void add_extension(const std::wstring& text);
    // Empty when no row is selected.
    const std::wstring& get_selected_path() const;
    // kind_up, kind_folder or kind_file of the selected row; 0 for none.
    int32_t get_selected_kind() const;
    const std::wstring& get_folder() const { return folder_; }
    // The listed entries in row order.
    std::vector<Entry> rows() const;

    static bool is_root(std::wstring_view folder);

    // os::Finder.
    bool on_file(const std::wstring& path) override;
    bool on_directory(const std::wstring& path) override;

    // The grid.
    using skinner::ControlGrid::on_key_down;
    int32_t on_key_down(int32_t code) override;
    using skinner::ControlGrid::on_item_click;
    int32_t raise_item_click(const skinner::GridCellEvent& cell) override;
    void paint_cell(int32_t column, int32_t row, skinner::Canvas& canvas, plat::POINT position, plat::POINT size,
                    bool selected, bool highlighted) override;
    int32_t get_column_width(int32_t column) override;
    int32_t get_row_count() override { return int32_t(rows_.size()); }
    int32_t get_column_count() override { return 2; }
    void load_skin() override;
    using skinner::ControlGrid::on_selection_changed;
    using skinner::ControlGrid::on_highlight_changed;
    void on_selection_changed() override { skinner::ControlGrid::on_selection_changed(); }
    void on_highlight_changed() override { skinner::ControlGrid::on_highlight_changed(); }
    void ensure_column_visible(int32_t column) override { skinner::ControlGrid::ensure_column_visible(column); }
    void ensure_row_visible(int32_t row) override { skinner::ControlGrid::ensure_row_visible(row); }

private:
    void read_skin();
    void populate();
    void rebuild_rows();
    bool passes_filter(const std::wstring& path) const;
    // A row activated by a tap or by the action key.
    void activate(int32_t row, bool by_key);
    bool go_up();
    const skinner::Picture& icon_of(const Entry& entry) const;

    std::vector<Entry> entries_;
    std::vector<std::wstring> extensions_;
    std::vector<size_t> rows_;
    std::wstring folder_ = L"/";
    std::wstring empty_;
    int32_t icon_width_ = 20;
    skinner::Picture icon_up_;
    skinner::Picture icon_folder_;
    skinner::Picture icon_file_;
    std::map<std::wstring, skinner::Picture> icons_by_extension_;
};
