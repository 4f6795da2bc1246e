#pragma once
// Skins compiled from XML into the test's device root, a stand-in for the
// form that records what controls ask of it, and a canvas of its own.
#include "TempRoot.h"
#include "skinner/Canvas.h"
#include "skinner/Container.h"
#include "skinner/Control.h"
#include "skinner/SkinCompiler.h"
#include "plat/Gdi.h"
#include "plat/PngWriter.h"
#include "plat/Screen.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace skin_fixture {

inline std::filesystem::path skins_folder() {
    return std::filesystem::path(testing_support::process_root()) / "skins";
}

inline std::vector<uint8_t> compile_skin(const std::string& xml) {
    skinner::SkinCompiler compiler;
    EXPECT_TRUE(compiler.compile(xml, skins_folder().string())) << compiler.error();
    return compiler.output();
}

// Writes the image to /skins/NAME.skin and answers that device path.
inline std::wstring write_skin_image(const std::vector<uint8_t>& image, const std::string& name = "test") {
    std::filesystem::create_directories(skins_folder());
    std::ofstream(skins_folder() / (name + ".skin"), std::ios::binary)
        .write(reinterpret_cast<const char*>(image.data()), std::streamsize(image.size()));
    return L"/skins/" + std::wstring(name.begin(), name.end()) + L".skin";
}

inline std::wstring write_skin(const std::string& xml, const std::string& name = "test") {
    std::filesystem::create_directories(skins_folder());
    return write_skin_image(compile_skin(xml), name);
}

// A one-colour PNG picture beside the skins.
inline void write_picture(const std::string& name, int w, int h, plat::COLORREF colour) {
    std::filesystem::create_directories(skins_folder());
    std::vector<uint8_t> pixels;
    for (int i = 0; i < w * h; ++i)
        pixels.insert(pixels.end(), {plat::blue_of(colour), plat::green_of(colour), plat::red_of(colour), 0});
    const std::vector<uint8_t> file = plat::encode_png(pixels.data(), w, h, w * 4);
    std::ofstream(skins_folder() / (name + ".png"), std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
}

inline void set_profile(int width, int height, plat::PlatformType platform) {
    plat::ScreenProfile profile = plat::screen_profile();
    profile.width = width;
    profile.height = height;
    profile.platform = platform;
    plat::set_screen_profile(profile);
}

struct Rect {
    plat::POINT position, size;
};

class FormStandIn : public skinner::FormServices {
public:
    skinner::Form* as_form() override { return nullptr; }
    void invalidate(plat::POINT position, plat::POINT size) override { dirty.push_back({position, size}); }
    int32_t start_timer(int32_t seconds) override {
        timers.push_back(seconds);
        return ++last_timer;
    }
    void kill_timer(int32_t id) override { killed.push_back(id); }
    void message_box(std::wstring_view caption, std::wstring_view text) override {
        boxes.push_back(std::wstring(caption) + L"|" + std::wstring(text));
    }
    bool is_key_pressed(int32_t code) override { return held.count(code) != 0; }
    plat::HWND get_window() override { return nullptr; }
    void set_cursor(plat::HCURSOR cursor) override { this->cursor = cursor; }

    std::vector<Rect> dirty;
    std::vector<int32_t> timers, killed;
    int32_t last_timer = 0;
    std::vector<std::wstring> boxes;
    std::set<int32_t> held;
    plat::HCURSOR cursor = nullptr;
};

// A canvas over a surface of its own.
struct Screen {
    Screen(int w, int h, plat::COLORREF background = plat::rgb(255, 255, 255)) : width(w), height(h) {
        plat::select_bitmap(dc, bitmap);
        plat::fill_rect(dc, {0, 0, w, h}, background);
        impl = std::make_unique<skinner::CanvasImpl>(dc, plat::POINT{0, 0}, plat::POINT{w, h});
        canvas = std::make_unique<skinner::Canvas>(impl.get());
    }
    ~Screen() {
        canvas.reset();
        impl.reset();
        plat::delete_dc(dc);
        plat::delete_bitmap(bitmap);
    }
    plat::COLORREF at(int x, int y) const { return plat::get_pixel(dc, x, y); }
    // The bounding box of every pixel that is not the background, (0,0,0,0) when none.
    plat::RECT ink(plat::COLORREF background = plat::rgb(255, 255, 255)) const {
        plat::RECT box{width, height, 0, 0};
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                if (at(x, y) != background) {
                    box.left = std::min(box.left, x);
                    box.top = std::min(box.top, y);
                    box.right = std::max(box.right, x + 1);
                    box.bottom = std::max(box.bottom, y + 1);
                }
        return box.right == 0 ? plat::RECT{} : box;
    }
    int width = 0, height = 0;
    plat::HBITMAP bitmap = plat::create_bitmap(width, height);
    plat::HDC dc = plat::create_compatible_dc(nullptr);
    std::unique_ptr<skinner::CanvasImpl> impl;
    std::unique_ptr<skinner::Canvas> canvas;
};

} // namespace skin_fixture
