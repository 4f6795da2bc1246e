// The skin reader over arbitrary bytes: every tree, array and name through the
// dump, and lookups by the names the image itself holds.
#include "skinner/SkinDump.h"
#include "skinner/SkinFile.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    skinner::SkinFile skin;
    skin.assign(std::vector<uint8_t>(data, data + size));
    skinner::dump_skin(skin);
    std::vector<std::wstring> names;
    skin.visit_pre_order(skin.form_root(), [&](skinner::SkinOffset form) {
        if (names.size() < 8)
            names.push_back(skin.element_name(form).value_or(L""));
    });
    for (const std::wstring& name : names) {
        skinner::SkinOffset form = skin.find_form(name);
        for (int type = 0; type < 6; ++type)
            skin.find_property(form, skinner::SkinPropertyType(type), name);
        skin.find_element(skin.control_root(form), name);
        skin.find_kind(name);
    }
    return 0;
}
