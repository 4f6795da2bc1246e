#include "AppFixture.h"
#include "EndsInTime.h"

#include "app/FormEvent.h"
#include "skinner/MenuRecord.h"
#include "skinner/controls/ControlButton.h"
#include "skinner/controls/ControlFrame.h"

#include <sys/stat.h>

using namespace app_fixture;
using form_fixture::later;

namespace {

template <class T>
T& child(skinner::Form& form, std::wstring_view name) {
    for (skinner::Control* control : form.get_children())
        if (control->get_name() == name)
            return dynamic_cast<T&>(*control);
    ADD_FAILURE() << "no control " << plat::to_utf8(name);
    throw std::runtime_error("no control");
}

class FormEventTest : public AppTest {};

} // namespace

TEST_F(FormEventTest, RingsAttentionThenTheSpokenTimeThenTheNote) {
    document->get_settings().set_attention(bell_path);
    add_alarm(6, 58, L"Bins out", {.note = L"%app_path%/note.wav"});
    fill_queue();
    FormEvent form(properties);
    const std::vector<std::wstring> sounds = queued();
    ASSERT_EQ(sounds.size(), 3u);
    EXPECT_EQ(sounds[0], bell_path);
    EXPECT_TRUE(ends_with(sounds[1], spoken_word)) << plat::to_utf8(sounds[1]);
    EXPECT_EQ(sounds[2], L"%app_path%/note.wav");
    // The time shown is now, not the alarm's.
    EXPECT_EQ(child<skinner::ControlFrame>(form, L"frmTime").get_text(), L"07 : 00");
    EXPECT_EQ(child<skinner::ControlButton>(form, L"frmMessage").get_text(), L"Bins out");
    EXPECT_EQ(document->get_queue().reserved(), 0);
}

TEST_F(FormEventTest, PauseLeavesTheNoteOutAndAnUnplayableAttentionFallsBackToTheChime) {
    document->get_settings().set_attention(L"%app_path%/sounds/missing.wav");
    add_alarm(6, 58, L"Quiet", {.pause = true, .note = L"%app_path%/note.wav"});
    fill_queue();
    FormEvent form(properties);
    const std::vector<std::wstring> sounds = queued();
    ASSERT_EQ(sounds.size(), 2u);
    EXPECT_EQ(sounds[0], FormEvent::fallback_attention);
    EXPECT_TRUE(ends_with(sounds[1], spoken_word));
    // Pressing the message plays the note all the same.
    child<skinner::ControlButton>(form, L"frmMessage").click();
    EXPECT_EQ(queued(), std::vector<std::wstring>{L"%app_path%/note.wav"});
    EXPECT_EQ(FormEvent::playable_or_chime(L""), FormEvent::fallback_attention);
}

// A note that is no sound file (a FIFO in its place, say) rings as the chime, at once: an alarm
// never rings silently, and nothing the user puts in place of a note holds the program.
TEST_F(FormEventTest, NoteThatIsAFifoRingsTheChimeAtOnce) {
    add_alarm(6, 58, L"Piped", {.attention = false, .time = false, .note = L"%app_path%/note.wav"});
    const std::string fifo = app_file("note.wav");
    std::filesystem::remove(fifo);
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    fill_queue();
    std::vector<std::wstring> sounds;
    EXPECT_TRUE(testing_support::ends_in_time(
        [&] {
            FormEvent form(properties);
            sounds = queued();
        },
        fifo));
    EXPECT_EQ(sounds, std::vector<std::wstring>{FormEvent::fallback_attention});
}

TEST_F(FormEventTest, CloseRequestsLeaveItOpenDismissesShowTheNextSilentlyThenClose) {
    add_alarm(6, 55, L"First", {.note = L"%app_path%/first.wav"});
    add_alarm(6, 58, L"Second", {.note = L"%app_path%/second.wav"});
    fill_queue();
    FormEvent form(properties);
    auto& message = child<skinner::ControlButton>(form, L"frmMessage");
    auto& dismiss = child<skinner::ControlButton>(form, L"btnClose");
    // The latest missed alarm rings first.
    EXPECT_EQ(message.get_text(), L"Second");
    bool open_after_close_request = false;
    std::wstring next_subject;
    std::vector<std::wstring> next_sounds, replayed;
    later([&] {
        plat::send_message(form.get_window(), plat::WM_CLOSE, 0, 0);
        form.on_key_down(skinner::key::escape);
        open_after_close_request = plat::is_window_visible(form.get_window()) && !form.is_finished();
        dismiss.click();
        next_subject = message.get_text();
        next_sounds = queued();
        // The action key replays the note of the alarm on show.
        form.on_key_down(skinner::key::action);
        replayed = queued();
        later([&] { dismiss.click(); });
    });
    form.do_modal();
    EXPECT_TRUE(open_after_close_request);
    EXPECT_EQ(next_subject, L"First");
    EXPECT_TRUE(next_sounds.empty());
    EXPECT_EQ(replayed, std::vector<std::wstring>{L"%app_path%/first.wav"});
    EXPECT_TRUE(form.is_finished());
    EXPECT_EQ(document->get_queue().has_missed_alarm(), -1);
}

TEST_F(FormEventTest, AnAlarmLeftReservedStillRingsAndNothingMissedClosesAtOnce) {
    add_alarm(6, 58, L"Left over");
    fill_queue();
    // A ringing form that closed without snooze or dismiss left the alarm reserved.
    ASSERT_EQ(document->get_queue().next_missed(), 0);
    {
        FormEvent form(properties);
        EXPECT_FALSE(form.is_finished());
        EXPECT_EQ(child<skinner::ControlButton>(form, L"frmMessage").get_text(), L"Left over");
        EXPECT_EQ(queued().size(), 2u);
        // No note, nothing queued for it: pressing the message leaves the sounds as they are.
        child<skinner::ControlButton>(form, L"frmMessage").click();
        EXPECT_EQ(queued().size(), 2u);
        // A second wake-up for the alarm on show does not restart its sounds.
        document->get_player().stop();
        form.refresh();
        EXPECT_TRUE(queued().empty());
        skinner::MenuRecord snooze;
        for (skinner::Control* control : form.get_children())
            if (control->get_name() == L"Snooze")
                form.on_create_menu(control, snooze);
        ASSERT_EQ(snooze.entries.size(), 5u);
        EXPECT_EQ(snooze.entries[0].command, L"mitSnooze5");
        EXPECT_EQ(snooze.entries[0].caption, L"5 minutes");
        EXPECT_EQ(snooze.entries[4].command, L"mitSnooze60");
        EXPECT_EQ(snooze.entries[4].caption, L"1hour");
        form.on_menu_command(nullptr, L"mitSnooze10");
        EXPECT_TRUE(form.is_finished());
    }
    const AlarmQueue::Entries& entries = document->get_queue().entries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(model_fixture::text(entries.begin()->first), "2026-03-07 07:10:20");
    // Snoozed at 07:00:20 for ten minutes: nothing is missed now.
    FormEvent none(properties);
    EXPECT_TRUE(none.is_finished());
    EXPECT_NE(log.text().find(L"MEGA BUG !!!\n"), std::wstring::npos);
}
