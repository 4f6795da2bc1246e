#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace os {

// Visitor of a folder walk. Each callback returns true to go on; false ends
// the walk of the folder in which it was returned (the parent goes on).
class Finder {
public:
    virtual bool on_file(const std::wstring& path);
    virtual bool on_directory(const std::wstring& path);
    virtual ~Finder() = default;

    // Visits the files of folder matching file_mask, then its subfolders
    // matching folder_mask, walking each subfolder the same way right after
    // its on_directory when recursive. Names come sorted ignoring case; an
    // empty folder searches the bare masks. Paths may begin with a macro.
    static void find(Finder& visitor, std::wstring_view folder, std::wstring_view file_mask,
                     std::wstring_view folder_mask, bool recursive);
};

// Collects the file paths of a walk, in visit order.
class FinderCollector : public Finder {
public:
    bool on_file(const std::wstring& path) override;

    std::vector<std::wstring> files;
};

} // namespace os
