#include "plat/MessageBox.h"

#include <gtest/gtest.h>

using namespace plat;

TEST(MessageBox, HeadlessBoxIsRecordedAndAnsweredAtOnce) {
    size_t before = shown_message_boxes().size();
    EXPECT_EQ(message_box(nullptr, L"Singleton is already instantiated", L"Singleton::Singleton()", MB_OK), IDOK);
    EXPECT_EQ(message_box(nullptr, L"Delete?", L"Chimely", MB_YESNO | MB_ICONQUESTION), IDYES);
    EXPECT_EQ(message_box(nullptr, L"Delete?", L"Chimely", MB_YESNO | MB_DEFBUTTON2), IDNO);
    auto boxes = shown_message_boxes();
    ASSERT_EQ(boxes.size(), before + 3);
    EXPECT_EQ(boxes[before].caption, L"Singleton::Singleton()");
    EXPECT_EQ(boxes[before].text, L"Singleton is already instantiated");
    EXPECT_EQ(boxes[before].answer, IDOK);
    EXPECT_EQ(boxes[before + 2].answer, IDNO);
}

TEST(MessageBox, DefaultAnswerFollowsTheButtons) {
    EXPECT_EQ(default_message_box_answer(MB_OKCANCEL | MB_DEFBUTTON2), IDCANCEL);
    EXPECT_EQ(default_message_box_answer(MB_YESNOCANCEL | MB_DEFBUTTON3), IDCANCEL);
    EXPECT_EQ(default_message_box_answer(MB_RETRYCANCEL), IDRETRY);
    EXPECT_EQ(default_message_box_answer(MB_ABORTRETRYIGNORE | MB_DEFBUTTON2), IDRETRY);
    // A default button the box does not have, or an unknown kind, falls back to the first.
    EXPECT_EQ(default_message_box_answer(MB_OK | MB_DEFBUTTON3), IDOK);
    EXPECT_EQ(default_message_box_answer(0x000E), IDOK);
}

TEST(MessageBox, InstalledHandlerShowsTheBox) {
    std::wstring seen_caption;
    auto previous = set_message_box_handler([&](HWND, std::wstring_view, std::wstring_view caption, uint32_t) {
        seen_caption = caption;
        return IDNO;
    });
    EXPECT_FALSE(previous);
    EXPECT_EQ(message_box(nullptr, L"text", L"caption", MB_YESNO), IDNO);
    EXPECT_EQ(seen_caption, L"caption");
    EXPECT_EQ(shown_message_boxes().back().answer, IDNO);
    set_message_box_handler(nullptr);
    EXPECT_EQ(message_box(nullptr, L"text", L"caption", MB_YESNO), IDYES);
}
