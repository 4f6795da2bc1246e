#include "base/Registry.h"

#include "plat/Registry.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr std::wstring_view qeva = L"HKEY_CURRENT_USER\\Software\\QEVA";

// Stores raw bytes, as another program (or a broken one) might.
void set_raw(std::wstring_view name, uint32_t type, const void* data, uint32_t size) {
    plat::RegKey key = 0;
    ASSERT_EQ(plat::reg_create_key(plat::HKEY_CURRENT_USER, L"Software\\QEVA", plat::KEY_ALL_ACCESS, &key), 0u);
    ASSERT_EQ(plat::reg_set_value(key, name, type, data, size), 0u);
    plat::reg_close_key(key);
}

uint32_t stored_size(std::wstring_view sub_key, std::wstring_view name) {
    plat::RegKey key = 0;
    EXPECT_EQ(plat::reg_open_key(plat::HKEY_LOCAL_MACHINE, sub_key, plat::KEY_READ, &key), 0u);
    uint32_t type = 0, size = 0;
    plat::reg_query_value(key, name, &type, nullptr, &size);
    plat::reg_close_key(key);
    return size;
}

TEST(RegistryTest, ParseRootKeySplitsRootAndSubKey) {
    std::wstring sub_key;
    plat::RegKey root = 0;
    EXPECT_TRUE(liba::parse_root_key(L"HKEY_LOCAL_MACHINE\\Software\\QEVA\\Chimely", sub_key, root));
    EXPECT_EQ(root, plat::HKEY_LOCAL_MACHINE);
    EXPECT_EQ(sub_key, L"Software\\QEVA\\Chimely");

    EXPECT_TRUE(liba::parse_root_key(L"HKEY_CURRENT_CONFIG\\x", sub_key, root));
    EXPECT_EQ(root, plat::HKEY_CURRENT_CONFIG);
    EXPECT_TRUE(liba::parse_root_key(L"HKEY_USERS", sub_key, root));
    EXPECT_EQ(root, plat::HKEY_USERS);
    EXPECT_EQ(sub_key, L"");

    root = 0;
    EXPECT_FALSE(liba::parse_root_key(L"hkey_local_machine\\Software", sub_key, root));
    EXPECT_EQ(sub_key, L"");
    EXPECT_EQ(root, 0u);
}

TEST(RegistryTest, StringsRoundTripAndStoreTheirTerminator) {
    const std::wstring key = L"HKEY_LOCAL_MACHINE\\Software\\QEVA\\Chimely";
    ASSERT_TRUE(liba::write_registry_string(key, L"Language", L"\\Program Files\\Chimely\\Fran\u00e7ais.lng"));
    std::wstring text;
    ASSERT_TRUE(liba::read_registry_string(key, L"language", text));  // names ignore case
    EXPECT_EQ(text, L"\\Program Files\\Chimely\\Fran\u00e7ais.lng");
    EXPECT_EQ(stored_size(L"Software\\QEVA\\Chimely", L"Language"), (text.size() + 1) * 2);

    ASSERT_TRUE(liba::write_registry_string(key, L"Empty", L""));
    EXPECT_EQ(stored_size(L"Software\\QEVA\\Chimely", L"Empty"), 2u);
    text = L"old";
    EXPECT_TRUE(liba::read_registry_string(key, L"Empty", text));
    EXPECT_EQ(text, L"");

    // Above U+FFFF the stored form counts UTF-16 units.
    ASSERT_TRUE(liba::write_registry_string(key, L"Wide", L"\U0001F514"));
    EXPECT_EQ(stored_size(L"Software\\QEVA\\Chimely", L"Wide"), 6u);
    EXPECT_TRUE(liba::read_registry_string(key, L"Wide", text));
    EXPECT_EQ(text, L"\U0001F514");
}

TEST(RegistryTest, LowerCaseRootIsNotRecognised) {
    EXPECT_FALSE(liba::write_registry_string(L"hkey_current_user\\Software\\QEVA", L"X", L"y"));
    uint32_t value = 5;
    EXPECT_FALSE(liba::read_registry_dword(L"hkey_current_user\\Software\\QEVA", L"X", value));
    EXPECT_EQ(value, 5u);
}

TEST(RegistryTest, DwordIsReadOnlyFromAFourByteDword) {
    uint32_t value = 7;
    EXPECT_TRUE(liba::read_registry_dword(L"HKEY_CURRENT_USER\\Software\\Missing\\Key", L"Log", value));
    EXPECT_EQ(value, 7u);  // a missing key is created, the value left alone
    plat::RegKey key = 0;
    EXPECT_EQ(plat::reg_open_key(plat::HKEY_CURRENT_USER, L"Software\\Missing\\Key", plat::KEY_READ, &key), 0u);
    plat::reg_close_key(key);

    uint32_t one = 0x01020304;
    set_raw(L"Log", plat::REG_DWORD, &one, 4);
    EXPECT_TRUE(liba::read_registry_dword(qeva, L"log", value));
    EXPECT_EQ(value, 0x01020304u);

    liba::write_registry_string(qeva, L"Text", L"12");
    value = 9;
    EXPECT_TRUE(liba::read_registry_dword(qeva, L"Text", value));
    EXPECT_EQ(value, 9u);

    const unsigned char eight[8] = {1, 0, 0, 0, 2, 0, 0, 0};
    set_raw(L"Long", plat::REG_DWORD, eight, 8);
    EXPECT_TRUE(liba::read_registry_dword(qeva, L"Long", value));
    EXPECT_EQ(value, 9u);
    set_raw(L"Short", plat::REG_DWORD, eight, 3);
    EXPECT_TRUE(liba::read_registry_dword(qeva, L"Short", value));
    EXPECT_EQ(value, 9u);
    EXPECT_TRUE(liba::read_registry_dword(qeva, L"Absent", value));
    EXPECT_EQ(value, 9u);
}

TEST(RegistryTest, StringWithoutTerminatorIsReadUpToItsSize) {
    const char bytes[] = {'a', 0, 'b', 0, 'c', 0};
    set_raw(L"Bare", plat::REG_SZ, bytes, sizeof bytes);
    std::wstring text;
    ASSERT_TRUE(liba::read_registry_string(qeva, L"Bare", text));
    EXPECT_EQ(text, L"abc");

    const char inner[] = {'a', 0, 0, 0, 'b', 0, 0, 0};
    set_raw(L"Inner", plat::REG_SZ, inner, sizeof inner);
    ASSERT_TRUE(liba::read_registry_string(qeva, L"Inner", text));
    EXPECT_EQ(text, L"a");

    uint32_t dword = 3;
    set_raw(L"Number", plat::REG_DWORD, &dword, 4);
    text = L"kept";
    EXPECT_FALSE(liba::read_registry_string(qeva, L"Number", text));
    EXPECT_FALSE(liba::read_registry_string(qeva, L"Absent", text));
    EXPECT_EQ(text, L"kept");
}

TEST(RegistryTest, ValuesWrittenByAnotherProcessAreSeenAtOnce) {
    const std::wstring key = L"HKEY_LOCAL_MACHINE\\Software\\QEVA\\Chimely";
    ASSERT_TRUE(liba::write_registry_string(key, L"Language", L"first"));
    for (const wchar_t* text : {L"second", L"third"}) {
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0)
            _exit(liba::write_registry_string(key, L"Language", text) ? 0 : 1);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        std::wstring read;
        ASSERT_TRUE(liba::read_registry_string(key, L"Language", read));
        EXPECT_EQ(read, text);
    }
}

} // namespace
