#pragma once
#include <initializer_list>
#include <string>

// Attribute texts of the alarm file.

// Reads integers one after another into the fields; stops at the first that
// fails, leaving it and the rest unchanged.
void read_ints(const std::wstring& text, std::initializer_list<int*> fields);
// "true"/"True"/"TRUE"/"1" and the false forms; any other text leaves the flag.
void read_bool(const std::wstring& text, bool& flag);
const wchar_t* bool_text(bool flag);
