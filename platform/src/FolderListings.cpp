#include "FolderListings.h"

#include "plat/Text.h"

#include <dirent.h>

#include <algorithm>

namespace plat {
namespace {

// File times come from a clock that advances in ticks of a few milliseconds, or in whole
// seconds (two on FAT) where the file system keeps no fraction: a change within the tick of
// the time a listing was stamped with leaves that time as it was.
constexpr int64_t fine_tick_margin_ns = 100'000'000;
constexpr int64_t whole_second_margin_ns = 3'000'000'000;

int64_t nanoseconds(const timespec& t) { return int64_t(t.tv_sec) * 1'000'000'000 + t.tv_nsec; }

// True when no change after now can leave the folder's times as they are.
bool settled(const timespec& modified, const timespec& changed, const timespec& now) {
    const bool whole_seconds = modified.tv_nsec == 0 || changed.tv_nsec == 0;
    const int64_t margin = whole_seconds ? whole_second_margin_ns : fine_tick_margin_ns;
    return nanoseconds(now) - std::max(nanoseconds(modified), nanoseconds(changed)) > margin;
}

bool same_time(const timespec& a, const timespec& b) { return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec; }

} // namespace

bool FolderListings::Stamp::operator==(const Stamp& other) const {
    return device == other.device && inode == other.inode && same_time(modified, other.modified) &&
           same_time(changed, other.changed);
}

FolderListings::Match FolderListings::find_ignoring_case(const std::string& folder, const std::string& name) {
    const std::string path = folder.empty() ? "." : folder;
    // The clock is read before the folder's times: a change after that point cannot go unseen.
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    struct stat st{};
    Match match;
    match.folder_exists = stat(path.c_str(), &st) == 0;
    const bool is_folder = match.folder_exists && S_ISDIR(st.st_mode);
    const Stamp stamp{st.st_dev, st.st_ino, st.st_mtim, st.st_ctim};
    const std::wstring wanted = to_lower(from_utf8(name));
    auto find = [&wanted, &match](const Listing& listing) {
        if (auto found = listing.names.find(wanted); found != listing.names.end())
            match.entry = found->second;
        return match;
    };

    std::lock_guard<std::mutex> guard(lock_);
    auto kept = listings_.find(path);
    if (kept != listings_.end()) {
        if (is_folder && kept->second.stamp == stamp) {
            kept->second.last_use = ++uses_;
            return find(kept->second);
        }
        listings_.erase(kept);
    }
    if (!is_folder)
        return match;
    std::optional<Listing> listing = read(path, stamp);
    if (!listing)
        return match;
    find(*listing);
    if (settled(st.st_mtim, st.st_ctim, now))
        keep(path, std::move(*listing));
    return match;
}

std::optional<FolderListings::Listing> FolderListings::read(const std::string& folder, const Stamp& stamp) {
    DIR* dir = opendir(folder.c_str());
    if (!dir)
        return std::nullopt;
    Listing listing;
    listing.stamp = stamp;
    while (dirent* entry = readdir(dir)) {
        std::string candidate = entry->d_name;
        auto [at, added] = listing.names.try_emplace(to_lower(from_utf8(candidate)), candidate);
        if (!added && candidate < at->second)
            at->second = std::move(candidate);
    }
    closedir(dir);
    return listing;
}

void FolderListings::keep(const std::string& folder, Listing listing) {
    if (listings_.size() >= max_folders) {
        auto oldest = std::min_element(listings_.begin(), listings_.end(), [](const auto& a, const auto& b) {
            return a.second.last_use < b.second.last_use;
        });
        listings_.erase(oldest);
    }
    listing.last_use = ++uses_;
    listings_.emplace(folder, std::move(listing));
}

} // namespace plat
