#include "base/Finder.h"

#include "base/Path.h"
#include "plat/Files.h"

namespace os {
namespace {

std::wstring pattern(std::wstring_view folder, std::wstring_view mask) {
    return liba::expand_path_macros(folder.empty() ? std::wstring(mask) : liba::join_path(folder, mask));
}

bool is_directory(const plat::FindData& data) { return data.attributes & plat::FILE_ATTRIBUTE_DIRECTORY; }

} // namespace

bool Finder::on_file(const std::wstring&) { return true; }
bool Finder::on_directory(const std::wstring&) { return true; }

bool FinderCollector::on_file(const std::wstring& path) {
    files.push_back(path);
    return true;
}

void Finder::find(Finder& visitor, std::wstring_view folder, std::wstring_view file_mask,
                  std::wstring_view folder_mask, bool recursive) {
    plat::FindData data;
    plat::FileFinder files;
    for (bool found = files.first(pattern(folder, file_mask), data); found; found = files.next(data)) {
        if (!is_directory(data) && !visitor.on_file(liba::join_path(folder, data.name)))
            return;
    }
    files.close();

    plat::FileFinder folders;
    for (bool found = folders.first(pattern(folder, folder_mask), data); found; found = folders.next(data)) {
        if (!is_directory(data) || data.name == L"." || data.name == L"..")
            continue;
        std::wstring path = liba::join_path(folder, data.name);
        if (!visitor.on_directory(path))
            return;
        if (recursive)
            find(visitor, path, file_mask, folder_mask, true);
    }
}

} // namespace os
