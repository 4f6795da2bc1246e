#pragma once
#include <functional>
#include <string>

namespace testing_support {

// A fresh device root folder under /tmp, removed again when the object goes.
class TempRoot {
public:
    TempRoot();
    ~TempRoot();
    TempRoot(const TempRoot&) = delete;
    TempRoot& operator=(const TempRoot&) = delete;

    const std::string& path() const { return path_; }
    // Linux path of a file inside the root ("a/b.txt" -> "<root>/a/b.txt"); folders are created.
    std::string file(const std::string& relative) const;
    void write(const std::string& relative, const std::string& bytes) const;
    std::string read(const std::string& relative) const;

private:
    std::string path_;
};

// The root that the test main made for the running test (also in CHIMELY_ROOT).
const std::string& process_root();

// Runs after every test, once its fixture is gone: puts back a process-wide state
// of a library that the test main does not link.
void after_each_test(std::function<void()> reset);

} // namespace testing_support
