#include "AppFixture.h"

#include "app/FormEvent.h"
#include "app/FormMain.h"
#include "app/SkinChoice.h"
#include "base/Path.h"
#include "plat/Menu.h"
#include "plat/MessageBox.h"
#include "skinner/MenuMainSubMenu.h"
#include "skinner/MenuRecord.h"

using namespace app_fixture;
using form_fixture::later;
using form_fixture::TestForm;

namespace {

// A plain form in place of a screen: it refuses close requests, as a screen
// busy with its own work may, and logs its end.
class StandIn : public TestForm {
public:
    StandIn(skinner::Properties* properties, std::wstring kind) : TestForm(properties, L"Child"), kind(std::move(kind)) {
        closable = 0;
    }
    ~StandIn() override { liba::get_log() << L"stand-in " << kind << L" gone\n"; }
    std::wstring kind;
};

// The main form with stand-ins for the schedule and the attention chooser.
class MainForm : public FormMain {
public:
    using FormMain::FormMain;

    skinner::Form* make_schedule() override { return stand_in(L"schedule"); }
    skinner::Form* make_attention(const std::wstring&) override { return stand_in(L"attention"); }
    skinner::Form* make_editor() override {
        ++editors;
        return nullptr;
    }

    StandIn* open = nullptr;
    std::wstring open_kind;
    int editors = 0;

private:
    skinner::Form* stand_in(const wchar_t* kind) {
        open = new StandIn(get_properties(), kind);
        open_kind = kind;
        return open;
    }
};

class FormMainTest : public AppTest {
protected:
    bool visible(skinner::Form& form) { return plat::is_window_visible(form.get_window()); }
    size_t count(const std::wstring& line) {
        const std::wstring text = log.text();
        size_t n = 0;
        for (size_t at = text.find(line); at != std::wstring::npos; at = text.find(line, at + 1))
            ++n;
        return n;
    }
};

skinner::MenuRecord main_menu(FormMain& form) {
    skinner::MenuRecord menu;
    for (skinner::Control* control : form.get_children())
        if (control->get_name() == L"Menu")
            form.on_create_menu(control, menu);
    return menu;
}

const skinner::MenuRecord* entry(const skinner::MenuRecord& menu, std::wstring_view command) {
    for (const skinner::MenuRecord& record : menu.entries)
        if (record.command == command)
            return &record;
    return nullptr;
}

} // namespace

TEST_F(FormMainTest, AFileGoesToTheEditorAtOnceAndTheCloseButtonOnlyHidesUntilClose) {
    MainForm form(properties);
    bool hidden_by_close_button = false, still_hidden = false, shown_again = false;
    int editors_at_once = 0;
    bool pending_taken = false;
    later([&] {
        // Nothing in the way: a file handed over goes to the editor at once.
        form.post_command_line(L"%app_path%/memo.wav");
        later([&] {
            editors_at_once = form.editors;
            pending_taken = form.pending_file().empty();
            plat::send_message(form.get_window(), plat::WM_CLOSE, 0, 0);
            hidden_by_close_button = !visible(form);
            form.post_command_line(FormMain::run_at_time_text);  // nothing missed
            later([&] {
                still_hidden = !visible(form);
                form.post_command_line(L"");  // the home-screen item
                later([&] {
                    shown_again = visible(form);
                    form.post_command_line(FormMain::close_text);
                });
            });
        });
    });
    form.do_modal();
    EXPECT_EQ(editors_at_once, 1);
    EXPECT_TRUE(pending_taken);
    EXPECT_TRUE(hidden_by_close_button);
    EXPECT_TRUE(still_hidden);
    EXPECT_TRUE(shown_again);
    EXPECT_TRUE(form.is_closing());
    EXPECT_EQ(count(L"in FormMain 'AppRunAtTime' 0 \nAlarmQueue::has_missed_alarm 0\n"), 1u);
    EXPECT_EQ(count(L"in FormMain 'AppRunAtTime' 2\nin FormMain 'AppRunAtTime' 3\n"), 1u);
}

TEST_F(FormMainTest, TheFirstStartsOwnTextRunsInsideTheLoopAndWakeUpsKeepQuietWhileItRings) {
    add_alarm(6, 58, L"Wake up", {.attention = false, .time = false, .note = L"%app_path%/note.wav"});
    fill_queue();
    MainForm form(properties);
    form.post_command_line(FormMain::run_at_time_text);
    FormEvent* ringing = nullptr;
    std::vector<std::wstring> after_wake_up;
    later([&] {
        ringing = form.event_form();
        form.wake_up_and_say();
        after_wake_up = queued();
        form.post_command_line(FormMain::close_text);
    });
    form.do_modal();
    ASSERT_NE(ringing, nullptr);
    EXPECT_EQ(after_wake_up, std::vector<std::wstring>{L"%app_path%/note.wav"});
    EXPECT_EQ(form.event_form(), nullptr);
    EXPECT_NE(log.text().find(L"in FormMain 'AppRunAtTime' 1\nFormMain::activate_form_event 0\n"
                              L"FormMain::activate_form_event 3\n"),
              std::wstring::npos);
}

TEST_F(FormMainTest, TheRingingFormWaitsForTheAttentionChooserAndAWakeUpRefreshesAnOpenOne) {
    add_alarm(6, 58, L"Wake up");
    fill_queue();
    MainForm form(properties);
    bool deferred = false, editor_blocked = false;
    FormEvent *ringing = nullptr, *after_second_wake_up = nullptr;
    later([&] {
        form.choose_attention();
    });
    later([&] {
        // Inside the chooser's loop.
        ASSERT_EQ(form.open_kind, L"attention");
        form.post_command_line(FormMain::run_at_time_text);
        form.post_command_line(L"%app_path%/memo.wav");
        later([&] {
            deferred = form.is_event_deferred() && !form.event_form();
            editor_blocked = form.pending_file() == L"%app_path%/memo.wav" && form.editors == 0;
            form.show_schedule();  // blocked too: no second stand-in
            form.open->closable = 1;
            form.open->close();
            later([&] {
                // The chooser closed, the ringing form opened in its place.
                ringing = form.event_form();
                form.post_command_line(FormMain::run_at_time_text);
                later([&] {
                    after_second_wake_up = form.event_form();
                    form.post_command_line(FormMain::close_text);
                });
            });
        });
    });
    form.do_modal();
    EXPECT_TRUE(deferred);
    EXPECT_TRUE(editor_blocked);
    EXPECT_EQ(form.open_kind, L"attention");
    ASSERT_NE(ringing, nullptr);
    EXPECT_EQ(after_second_wake_up, ringing);
    EXPECT_EQ(count(L"FormMain::activate_form_event 1\n"), 1u);
    EXPECT_EQ(count(L"FormMain::activate_form_event 2\n"), 1u);
    EXPECT_EQ(count(L"FormMain::activate_form_event 3\n"), 1u);
    // The handed-over file waited behind the chooser and the ringing form; closing opened nothing more.
    EXPECT_EQ(form.editors, 0);
}

TEST_F(FormMainTest, CloseEndsEveryOpenScreenNewestFirstAndThenOpensNothing) {
    add_alarm(6, 58, L"Wake up");
    fill_queue();
    MainForm form(properties);
    later([&] { form.show_schedule(); });
    later([&] {
        // The ringing form opens over the schedule; a file handed over meanwhile waits.
        form.post_command_line(FormMain::run_at_time_text);
        later([&] {
            form.post_command_line(L"%app_path%/memo.wav");
            ASSERT_NE(form.event_form(), nullptr);
            form.post_command_line(FormMain::close_text);
        });
    });
    form.do_modal();
    EXPECT_TRUE(form.is_closing());
    EXPECT_EQ(form.event_form(), nullptr);
    EXPECT_EQ(form.pending_file(), L"%app_path%/memo.wav");
    EXPECT_EQ(form.editors, 0);
    // The loops ended from the inside out: the ringing form, then the schedule.
    const std::wstring text = log.text();
    const size_t event_end = text.find(L"FormMain::activate_form_event 4\n");
    const size_t schedule_end = text.find(L"stand-in schedule gone\n");
    ASSERT_NE(event_end, std::wstring::npos);
    ASSERT_NE(schedule_end, std::wstring::npos);
    EXPECT_LT(event_end, schedule_end);
    EXPECT_EQ(skinner::Form::all_forms().size(), 1u);
}

TEST_F(FormMainTest, CloseEndsAPopupMenuBeingTracked) {
    MainForm form(properties);
    int chosen = -1;
    later([&] {
        later([&] { form.post_command_line(FormMain::close_text); });
        plat::HMENU menu = plat::create_popup_menu();
        plat::append_menu(menu, 0, 1, L"Snooze");
        chosen = plat::track_popup_menu(menu, plat::TPM_RETURNCMD, 0, 0, form.get_window());
        plat::destroy_menu(menu);
    });
    form.do_modal();
    EXPECT_EQ(chosen, 0);
    EXPECT_TRUE(form.is_closing());
}

TEST_F(FormMainTest, FileMenusListTheProgramsFilesAndABrokenSkinIsNotStored) {
    write_language("German.lng", L"mitLanguage Sprache\r\n");
    write_language("old/French.lng", L"mitLanguage Langue\r\n");
    write("skin/Broken/Broken.skin", "not a skin");
    // A stored skin that cannot be shown gives way to the default one, for good.
    Settings& settings = document->get_settings();
    settings.set_skin(L"%app_path%/skin/Broken/Broken.skin");
    skin_choice::load_app_skin(properties, settings, skinner::get_screen_size());
    EXPECT_TRUE(liba::paths_equal(settings.get_skin(), skin_path));
    EXPECT_NE(properties.get_impl().choose_form(FormMain::form_name), 0u);

    settings.set_language(L"%app_path%\\ENGLISH.lng");
    MainForm form(properties);
    const skinner::MenuRecord menu = main_menu(form);

    const skinner::MenuRecord* languages = entry(menu, L"mitLanguage");
    ASSERT_NE(languages, nullptr);
    ASSERT_EQ(languages->entries.size(), 2u);  // the program's folder only
    EXPECT_EQ(languages->entries[0].caption, L"English");
    EXPECT_TRUE(languages->entries[0].checked);
    EXPECT_EQ(languages->entries[1].caption, L"German");
    EXPECT_FALSE(languages->entries[1].checked);
    // One script installed: no script sub-menu.
    EXPECT_EQ(entry(menu, L"mitScript"), nullptr);
    ASSERT_NE(entry(menu, L"mitPronounce"), nullptr);
    EXPECT_TRUE(entry(menu, L"mitPronounce")->separator_after);
    ASSERT_NE(entry(menu, L"mitVolume"), nullptr);
    EXPECT_TRUE(entry(*entry(menu, L"mitVolume"), L"mitVolumeLow")->checked);

    const skinner::MenuRecord* skins = entry(menu, L"mitSkin");
    ASSERT_NE(skins, nullptr);
    ASSERT_EQ(skins->entries.size(), 2u);
    for (const skinner::MenuRecord& skin : skins->entries)
        form.on_menu_command(nullptr, skin.command);
    // The broken skin, listed last, was not stored.
    EXPECT_TRUE(liba::paths_equal(document->get_settings().get_skin(), skin_path));

    form.on_menu_command(nullptr, languages->entries[1].command);
    EXPECT_TRUE(liba::paths_equal(document->get_settings().get_language(), L"%app_path%/German.lng"));
    EXPECT_EQ(properties.translate(L"mitLanguage"), L"Sprache");

    // A new screen size reloads both skins for it.
    skin_fixture::set_profile(480, 640, plat::PlatformType::pocketpc);
    form.on_menu_command(nullptr, skinner::screen_resolution_command);
    EXPECT_EQ(properties.get_impl().get_screen_size().x, 480);
    EXPECT_EQ(document->get_dialogs_skin().get_impl().get_screen_size().x, 480);
}

TEST_F(FormMainTest, TheUserIsToldOfAnUnreadableAlarmFileOnceTheLoopRunsAndOfEverySaveThatFails) {
    // The fixture's model writes its list as it goes.
    document.reset();
    clear_alarm_files();
    write("alarms.ini", "<Alarms/><Alarms/>");
    document = std::make_unique<Document>();
    write_language("English.lng", L"message_alarms_title Alarm file\r\nmessage_alarms_kept_text Kept as %file%.\r\n"
                                  L"message_alarms_save_failed_text Not saved.\r\n");
    properties.load_language(L"%app_path%/English.lng");
    const size_t before = plat::shown_message_boxes().size();
    MainForm form(properties);
    const bool told_before_the_loop = plat::shown_message_boxes().size() > before;
    later([&] {
        // A folder in alarms.ini's place: the next save cannot replace it.
        write("alarms.ini/keep", "x");
        add_alarm(8, 0, L"lost");
        later([&] { form.post_command_line(FormMain::close_text); });
    });
    form.do_modal();
    EXPECT_FALSE(told_before_the_loop);
    std::vector<std::wstring> told;
    const std::vector<plat::MessageBoxRecord> boxes = plat::shown_message_boxes();
    for (size_t i = before; i < boxes.size(); ++i)
        told.push_back(boxes[i].caption + L": " + boxes[i].text);
    EXPECT_EQ(told, (std::vector<std::wstring>{L"Alarm file: Kept as alarms.ini.bad.", L"Alarm file: Not saved."}));
    clear_alarm_files();
}
