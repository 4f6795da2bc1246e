#pragma once
#include <string>
#include <string_view>

// The device file system mapped into one Linux folder, the device root.
namespace plat {

// Special folder identifiers, the device's shell numbers.
constexpr int CSIDL_PROGRAMS = 2;
constexpr int CSIDL_PERSONAL = 5;
constexpr int CSIDL_STARTUP = 7;
constexpr int CSIDL_STARTMENU = 11;
constexpr int CSIDL_WINDOWS = 36;
constexpr int CSIDL_PROGRAM_FILES = 38;

// $CHIMELY_ROOT, else the folder above "Program Files" in the program's own
// path, else "/". Read on first use (or after set_device_root); no trailing '/'
// except for "/" itself.
std::string device_root();
// The root that a program at this Linux path implies: the folder above its
// last "Program Files" component; "" when there is none.
std::string root_from_program_path(const std::string& program_path);
// Replaces the root for the rest of the process (tests); "" goes back to the default rule.
void set_device_root(const std::string& linux_path);
// True when the root came from $CHIMELY_ROOT or the program's path, not the "/" fallback.
bool device_root_found();
// Why the running program cannot use the device root, as a sentence for its
// message; "" when it can. The root must be found (not the "/" fallback); a
// program of the tree must also lie in it (a mistyped CHIMELY_ROOT holds no
// program files), while a tool keeps device state in any root it is given.
std::string device_root_problem(bool must_hold_program);

// Device path -> UTF-8 Linux path inside the root. '/' and '\' both separate;
// a component that does not exist with its exact case is looked up ignoring
// case. A relative path stays relative (to the current folder).
std::string native_path(std::wstring_view device_path);
// Linux path -> device path ('\' separators): the part inside the root, or the
// Linux path as it is when it lies outside the root.
std::wstring device_path(const std::string& linux_path);

// Device path of the running program, e.g. "\Program Files\Chimely\Chimely":
// /proc/self/exe seen from the root (outside the root: the Linux path as it is).
std::wstring module_file_name();
// Replaces the answer of module_file_name (tests); "" goes back to the real one.
void set_module_file_name(std::wstring_view device_path);
// "\My Documents", "\windows", "\windows\StartUp", "\windows\Start Menu\Programs",
// "\windows\Start Menu", "\Program Files"; empty for an unknown identifier.
std::wstring special_folder(int csidl);

// Folder for lock files and sockets of this root: $XDG_RUNTIME_DIR or
// /tmp/chimely-<uid> (0700), plus a folder named after a hash of the root.
// Created on demand.
std::string runtime_dir();

} // namespace plat
