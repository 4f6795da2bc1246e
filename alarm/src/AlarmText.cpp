#include "AlarmText.h"

#include "base/Convert.h"

void read_ints(const std::wstring& text, std::initializer_list<int*> fields) {
    const wchar_t* at = text.data();
    const wchar_t* end = text.data() + text.size();
    for (int* field : fields) {
        int32_t value = 0;
        const wchar_t* after = liba::read_int(value, at, end);
        if (!after)
            return;
        *field = value;
        at = after;
    }
}

void read_bool(const std::wstring& text, bool& flag) {
    if (text == L"true" || text == L"True" || text == L"TRUE" || text == L"1")
        flag = true;
    else if (text == L"false" || text == L"False" || text == L"FALSE" || text == L"0")
        flag = false;
}

const wchar_t* bool_text(bool flag) { return flag ? L"true" : L"false"; }
