#pragma once
#include <sys/stat.h>

#include <cstdint>
#include <ctime>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>

namespace plat {

// Case-insensitive name lookup in folders. A folder's listing is read once and kept while the
// folder stays the same (device, inode, modification and change times to the nanosecond), so
// the picture loader's many guesses at missing names cost no folder read each. A listing
// read so soon after a change that a further change could carry the same time stamp is not
// kept: a name that another process creates is always found. Safe from any thread.
class FolderListings {
public:
    struct Match {
        bool folder_exists = false;  // the folder (or whatever the name leads to) is there
        // The entry whose name equals the wanted one ignoring case; the first in byte order
        // when several do, so the choice does not depend on the listing order. None when there
        // is no such entry or the folder cannot be read.
        std::optional<std::string> entry;
    };
    Match find_ignoring_case(const std::string& folder, const std::string& name);

    // Folders whose listings are kept at once; the one used longest ago goes first.
    static constexpr size_t max_folders = 32;

private:
    struct Stamp {
        dev_t device = 0;
        ino_t inode = 0;
        timespec modified{};
        timespec changed{};
        bool operator==(const Stamp& other) const;
    };
    struct Listing {
        Stamp stamp;
        // Lower-case name -> the entry's own name.
        std::unordered_map<std::wstring, std::string> names;
        uint64_t last_use = 0;
    };

    static std::optional<Listing> read(const std::string& folder, const Stamp& stamp);
    void keep(const std::string& folder, Listing listing);

    std::mutex lock_;
    std::unordered_map<std::string, Listing> listings_;
    uint64_t uses_ = 0;
};

} // namespace plat
