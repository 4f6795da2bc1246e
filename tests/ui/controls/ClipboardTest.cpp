#include "plat/Clipboard.h"
#include "plat/Errors.h"

#include <gtest/gtest.h>

using namespace plat;

TEST(Clipboard, HeadlessRoundTripOfUnicodeText) {
    std::wstring text = L"old";
    EXPECT_FALSE(set_clipboard_text(L"closed"));
    EXPECT_EQ(last_error(), ERROR_ACCESS_DENIED);
    EXPECT_FALSE(get_clipboard_text(text));
    EXPECT_TRUE(text.empty());

    ASSERT_TRUE(open_clipboard(nullptr));
    EXPECT_FALSE(open_clipboard(nullptr));  // one opener at a time
    EXPECT_TRUE(empty_clipboard());
    EXPECT_TRUE(set_clipboard_text(std::wstring(L"R\u00E9veil \U0001F514\0hidden", 16)));
    ASSERT_TRUE(close_clipboard());
    EXPECT_FALSE(close_clipboard());

    ASSERT_TRUE(open_clipboard(nullptr));
    EXPECT_TRUE(get_clipboard_text(text));
    EXPECT_EQ(text, L"R\u00E9veil \U0001F514");  // up to its zero, as the device's text
    // An empty clipboard pastes nothing.
    EXPECT_TRUE(empty_clipboard());
    EXPECT_FALSE(get_clipboard_text(text));
    EXPECT_EQ(text, L"");
    close_clipboard();
}
