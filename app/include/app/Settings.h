#pragma once
#include <cstdint>
#include <string>

// The user's preferences, read from "%app_path%/settings.ini" at start-up and
// written back in full after every change. A stored skin, language or script
// that no longer exists is replaced by one that does.
class Settings {
public:
    Settings();

    void load();
    // Writes all seven attributes (temporary file renamed over the old one),
    // then applies volume and the registry value "Language" through the
    // Document, when one exists.
    void save();

    void set_skin(const std::wstring& path);
    void set_language(const std::wstring& path);
    void set_volume(const std::wstring& name);
    void set_attention(const std::wstring& path);
    void set_script(const std::wstring& path);
    void set_startday(uint8_t startday);  // 0 Sunday, 1 Monday
    void set_pronounce(bool pronounce);

    std::wstring get_skin() const { return skin_; }
    std::wstring get_language() const { return language_; }
    std::wstring get_volume() const { return volume_; }
    std::wstring get_attention() const { return attention_; }
    std::wstring get_script() const { return script_; }
    uint8_t get_startday() const { return startday_; }
    bool get_pronounce() const { return pronounce_; }
    // "VolumeLow" 0.33, "VolumeMedium" 0.66, anything else 1.0.
    double volume_factor() const;

    // The stored path when it names one of the files under folder that match
    // mask (paths compared as the path library compares them), else the
    // preferred path when that is among them, else the first found; empty
    // when none matches.
    static std::wstring resolve_file(const std::wstring& folder, const std::wstring& stored, const std::wstring& mask,
                                     bool with_subfolders, const std::wstring& preferred);

    static constexpr const wchar_t* default_skin = L"%app_path%/skin/Default.skin";
    static constexpr const wchar_t* default_language = L"%app_path%/English.lng";

private:
    std::wstring skin_ = default_skin;
    std::wstring language_ = default_language;
    std::wstring volume_ = L"VolumeLow";
    std::wstring attention_;
    std::wstring script_;
    uint8_t startday_ = 1;
    bool pronounce_ = true;
};
