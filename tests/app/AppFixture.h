#pragma once
// The program's main and ringing forms over a compiled test skin in the
// program's folder, a Document with a one-word speech script and a playable
// attention sound, a frozen fake clock at 07:00:20, and missed alarms.
#include "FormsFixture.h"

#include "../skinner/LogCapture.h"

#include <string>
#include <vector>

namespace app_fixture {

inline const char* const skin = R"(<skin id="app" devices="">
  <design width="240" height="320"/>
  <form name="FormMain"><point name="Size" x="240" y="268"/>
    <control name="menu"/>
    <control name="btnBackground"><point name="Position" x="0" y="0"/><point name="Size" x="240" y="268"/>
      <string name="Action" value="BUTTON_NO_MENU"/></control>
    <control name="frmWatch"><point name="Position" x="20" y="34"/><point name="Size" x="200" y="200"/>
      <int name="ZOrder" value="1"/></control>
  </form>
  <form name="FormEvent"><point name="Size" x="240" y="268"/>
    <control name="menu"/>
    <control name="frmTime"><point name="Position" x="0" y="0"/><point name="Size" x="240" y="40"/></control>
    <control name="frmMessage"><point name="Position" x="0" y="40"/><point name="Size" x="240" y="100"/>
      <string name="Action" value="BUTTON_NO_MENU"/></control>
    <control name="btnRepeat"><point name="Position" x="0" y="150"/><point name="Size" x="120" y="50"/></control>
    <control name="btnClose"><point name="Position" x="120" y="150"/><point name="Size" x="120" y="50"/></control>
  </form>
  <form name="Child"><point name="Size" x="200" y="100"/><int name="StartPosition" value="1"/></form>
</skin>)";

constexpr wchar_t skin_path[] = L"%app_path%/skin/Default.skin";
constexpr wchar_t bell_path[] = L"%app_path%/sounds/bell.wav";
constexpr wchar_t spoken_word[] = L"its.mp3";

// A tenth of a second of 8 kHz 16-bit silence.
inline std::string tiny_wav() {
    const uint32_t samples = 800, data_bytes = samples * 2;
    std::string out = "RIFF";
    const auto u32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i)
            out += char((v >> (8 * i)) & 0xFF);
    };
    const auto u16 = [&](uint16_t v) {
        out += char(v & 0xFF);
        out += char(v >> 8);
    };
    u32(36 + data_bytes);
    out += "WAVEfmt ";
    u32(16);
    u16(1);
    u16(1);
    u32(8000);
    u32(16000);
    u16(2);
    u16(16);
    out += "data";
    u32(data_bytes);
    out += std::string(data_bytes, '\0');
    return out;
}

// What the ringing form rings with: the flags and the note.
struct Ring {
    bool attention = true;
    bool time = true;
    bool pause = false;
    std::wstring note;
};

class AppTest : public forms_fixture::FormsTest {
protected:
    void SetUp() override {
        FormsTest::SetUp();
        skin_fixture::set_profile(240, 320, plat::PlatformType::pocketpc);
        set_now("2026-03-07 07:00:20");
        const std::vector<uint8_t> image = skin_fixture::compile_skin(skin);
        write("skin/Default.skin", std::string(image.begin(), image.end()));
        write("data/English/English.script", "words.xml\nout(its)\n");
        write("data/English/words.xml", "<Dictionary><its value=\"its\"/></Dictionary>");
        write("sounds/bell.wav", tiny_wav());
        write_language("English.lng", L"eSnooze Snooze\r\n5minutes 5 minutes\r\n");
        document = std::make_unique<Document>();
        properties.load_skin(skin_path, skinner::get_screen_size());
        properties.load_language(L"%app_path%/English.lng");
    }
    // A once alarm of today at hour:minute.
    int add_alarm(int hour, int minute, const std::wstring& subject, const Ring& ring = {}) {
        Alarm alarm;
        alarm.set_periodicity(3, model_fixture::at("2026-03-07 00:00:00"));
        alarm.set_time(hour, minute);
        alarm.set_subject(subject);
        alarm.set_note(ring.note);
        // The note is there, as a recorded one is.
        if (constexpr std::wstring_view app = L"%app_path%/"; ring.note.starts_with(app))
            write(plat::to_utf8(ring.note.substr(app.size())), tiny_wav());
        alarm.set_events({ring.attention, ring.time, ring.pause});
        document->add_alarm(alarm);
        return document->alarm_count() - 1;
    }
    // The queue as the program's start fills it: alarms due in the last minutes are missed.
    void fill_queue() { document->get_queue().fill_from(model_fixture::at("2026-03-07 06:50:00")); }

    std::vector<std::wstring> queued() const { return document->get_player().waiting(); }

    testing_support::LogCapture log;
};

inline bool ends_with(const std::wstring& text, std::wstring_view end) { return text.ends_with(end); }

} // namespace app_fixture
