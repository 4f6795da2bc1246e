#include "RuntimeFolder.h"

#include "PosixIo.h"

#include <dirent.h>
#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <mutex>
#include <set>
#include <vector>

namespace plat {
namespace {

constexpr char member_file[] = "members.lock";
// A sweep by another process may remove a folder between its making and its entry.
constexpr int enter_attempts = 8;

struct Memberships {
    std::mutex lock;
    std::map<std::string, int> member_fds;  // by folder; held until the process ends
    std::set<std::string> swept_bases;
};

Memberships* g_memberships = nullptr;

// A child made by fork finds the lock free, whatever another thread did at the fork.
void before_fork() { g_memberships->lock.lock(); }
void after_fork() { g_memberships->lock.unlock(); }

Memberships& memberships() {
    static bool ready = [] {
        g_memberships = new Memberships;  // never destroyed: folders are in use until exit
        pthread_atfork(before_fork, after_fork, after_fork);
        return true;
    }();
    (void)ready;
    return *g_memberships;
}

std::string member_path(const std::string& folder) { return folder + "/" + member_file; }

// The descriptor still names the member file at path: no sweep removed it.
bool is_current(int fd, const std::string& path) {
    struct stat opened{}, named{};
    return fstat(fd, &opened) == 0 && lstat(path.c_str(), &named) == 0 && opened.st_dev == named.st_dev &&
           opened.st_ino == named.st_ino;
}

int open_member_file(const std::string& folder) {
    return ::open(member_path(folder).c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
}

// The member file locked shared, or -1 when the folder is gone or being removed.
int join(const std::string& folder) {
    const int fd = open_member_file(folder);
    if (fd < 0)
        return -1;
    if (flock_retrying(fd, LOCK_SH) == 0 && is_current(fd, member_path(folder)))
        return fd;
    ::close(fd);
    return -1;
}

// Folder names are the 16 hex digits of a root's hash; nothing else under base is touched.
bool is_runtime_folder_name(const std::string& name) {
    return name.size() == 16 && name.find_first_not_of("0123456789abcdef") == std::string::npos;
}

void remove_if_stale(const std::string& folder) {
    const int fd = open_member_file(folder);
    if (fd < 0)
        return;
    const std::string path = member_path(folder);
    if (flock_retrying(fd, LOCK_EX | LOCK_NB) == 0 && is_current(fd, path)) {
        // The member file goes last: a process entering meanwhile waits for it, then finds it
        // gone and makes the folder anew.
        std::error_code ec;
        for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
            if (it->path().filename() != member_file)
                std::filesystem::remove_all(it->path(), ec);
        ::unlink(path.c_str());
        ::rmdir(folder.c_str());
    }
    ::close(fd);
}

void remove_stale_folders(const std::string& base) {
    std::vector<std::string> folders;
    if (DIR* dir = ::opendir(base.c_str())) {
        while (const dirent* entry = ::readdir(dir))
            if (is_runtime_folder_name(entry->d_name))
                folders.push_back(base + "/" + entry->d_name);
        ::closedir(dir);
    }
    Memberships& m = memberships();
    for (const std::string& folder : folders) {
        {
            std::lock_guard guard(m.lock);
            if (m.member_fds.count(folder))
                continue;
        }
        remove_if_stale(folder);
    }
}

} // namespace

bool enter_runtime_folder(const std::string& base, const std::string& folder,
                          bool (*make_folder)(const std::string&)) {
    Memberships& m = memberships();
    bool first_under_base = false;
    {
        std::lock_guard guard(m.lock);
        auto held = m.member_fds.find(folder);
        if (held != m.member_fds.end()) {
            if (is_current(held->second, member_path(folder)))
                return true;
            ::close(held->second);  // the folder was removed from outside: enter it anew
            m.member_fds.erase(held);
        }
        int fd = -1;
        for (int attempt = 0; fd < 0 && attempt < enter_attempts; ++attempt)
            if (make_folder(folder))
                fd = join(folder);
        if (fd < 0)
            return false;
        m.member_fds.emplace(folder, fd);
        first_under_base = m.swept_bases.insert(base).second;
    }
    if (first_under_base)
        remove_stale_folders(base);
    return true;
}

} // namespace plat
