#include "ExecuteFile.h"

#include "base/Log.h"
#include "base/Path.h"
#include "plat/Launch.h"

namespace os {

bool execute_file(std::wstring_view path, std::wstring_view arguments) {
    const std::wstring file = liba::expand_path_macros(path);
    const std::wstring parameters = liba::expand_path_macros(arguments);
    liba::get_log() << L"execute_file(" << file << L", " << parameters << L")\n";
    return plat::execute_program(file, parameters);
}

} // namespace os
