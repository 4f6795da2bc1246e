#pragma once
#include "plat/Messages.h"

#include <memory>
#include <string>

namespace os {
class Application;
}
namespace skinner {
class Properties;
}
class FormMainToday;

// The skin and the form of one item window.
class TodayFormHolder {
public:
    static constexpr wchar_t skin_path[] = L"%windows%\\ChimelyToday.skin";
    static constexpr wchar_t form_name[] = L"Main";

    explicit TodayFormHolder(plat::HWND window);
    ~TodayFormHolder();
    TodayFormHolder(const TodayFormHolder&) = delete;
    TodayFormHolder& operator=(const TodayFormHolder&) = delete;

private:
    std::unique_ptr<skinner::Properties> properties_;
    std::unique_ptr<FormMainToday> form_;
};

// One loaded item library: its application object (scheduler), its window
// class and the form of the item window it made last.
class TodayPlugin {
public:
    static constexpr wchar_t item_name[] = L"ChimelyToday";

    explicit TodayPlugin(void* instance);
    ~TodayPlugin();
    TodayPlugin(const TodayPlugin&) = delete;
    TodayPlugin& operator=(const TodayPlugin&) = delete;

    // Null, with no form built, when the window cannot be made.
    plat::HWND create_item_window(plat::HWND parent);

    static std::wstring class_name();

private:
    void register_window_class();

    void* instance_ = nullptr;
    std::unique_ptr<TodayFormHolder> holder_;
    std::unique_ptr<os::Application> application_;
};
