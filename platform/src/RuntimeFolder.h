#pragma once
#include <string>

namespace plat {

// A root's runtime folder (lock files, sockets) lives as long as a process of
// that root does. Every process that uses the folder holds a shared lock on its
// member file until it ends, killed or not; a folder whose member file nobody
// holds is stale and is removed by the next process that enters a folder under
// the same base.
//
// Makes folder with make_folder and enters it; the first entry of a process
// under base also removes base's stale folders. False when the folder cannot
// be made or entered.
bool enter_runtime_folder(const std::string& base, const std::string& folder,
                          bool (*make_folder)(const std::string&));

} // namespace plat
