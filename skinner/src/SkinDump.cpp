#include "skinner/SkinDump.h"

#include "plat/Text.h"
#include "skinner/SkinFile.h"

#include <pugixml.hpp>

#include <cstdio>
#include <sstream>

namespace skinner {
namespace {

std::string utf8(const std::optional<std::wstring>& text) { return plat::to_utf8(text.value_or(L"?")); }

std::string pair_text(uint16_t x, uint16_t y) { return std::to_string(x) + " " + std::to_string(y); }

// In a well-made skin every record, array entry and control list entry has bytes of its own, so
// all of them together fit in the image. Records that several elements share, as only a hostile
// file has them, would be dumped once per sharer; the dump ends when it has spent the image.
struct Budget {
    uint64_t bytes = 0;
    bool spend(uint64_t size) {
        if (size > bytes)
            return false;
        bytes -= size;
        return true;
    }
};

void dump_properties(const SkinFile& skin, SkinOffset element, pugi::xml_node out, Budget& budget) {
    static const char* const tags[] = {"int", "point", "string", "picture", "color", "font"};
    for (int t = 0; t < 6; ++t) {
        SkinPropertyType type = SkinPropertyType(t);
        uint32_t count = skin.property_count(element, type);
        std::u16string previous;
        for (uint32_t i = 0; i < count && budget.spend(SkinFile::record_size(type)); ++i) {
            SkinOffset record = skin.property_record(element, type, i);
            // An array is searched by halves, so a record without a name, or out of order, ends it.
            std::optional<std::wstring> name = skin.property_name(record);
            if (!name)
                break;
            std::u16string units = SkinFile::to_units(*name);
            if (units < previous)
                break;
            previous = std::move(units);
            pugi::xml_node node = out.append_child(tags[t]);
            node.append_attribute("name") = plat::to_utf8(*name).c_str();
            switch (type) {
            case SkinPropertyType::integer:
                node.append_attribute("value") = skin.integer_value(record);
                break;
            case SkinPropertyType::point: {
                SkinPointValue p = skin.point_value(record);
                node.append_attribute("x") = p.x;
                node.append_attribute("y") = p.y;
                break;
            }
            case SkinPropertyType::string:
                node.append_attribute("value") = utf8(skin.string_value(record)).c_str();
                break;
            case SkinPropertyType::color: {
                std::array<uint8_t, 4> c = skin.color_value(record);
                char text[16];
                if (c[3] == 0)
                    std::snprintf(text, sizeof text, "#%02X%02X%02X", c[0], c[1], c[2]);
                else
                    std::snprintf(text, sizeof text, "#%02X%02X%02X%02X", c[0], c[1], c[2], c[3]);
                node.append_attribute("value") = text;
                break;
            }
            case SkinPropertyType::font:
                node.append_attribute("value") = utf8(skin.font_description(uint32_t(skin.font_value(record)))).c_str();
                break;
            case SkinPropertyType::picture: {
                SkinPictureValue p = skin.picture_value(record);
                node.append_attribute("image") = utf8(skin.picture_name(p.picture)).c_str();
                static const char* const point_names[4] = {"p0", "p1", "p2", "p3"};
                for (int k = 0; k < 4; ++k) {
                    node.append_attribute(point_names[k]) = pair_text(p.points[size_t(2 * k)], p.points[size_t(2 * k + 1)]).c_str();
                }
                node.append_attribute("stretch") = p.stretch;
                break;
            }
            }
        }
    }
}

void visit(const SkinFile& skin, SkinOffset root, pugi::xml_node out, const char* tag, bool forms, Budget& budget);

void dump_element(const SkinFile& skin, SkinOffset element, pugi::xml_node out, bool form, Budget& budget) {
    budget.spend(form ? SkinFile::form_record_size : SkinFile::element_record_size);
    out.append_attribute("name") = utf8(skin.element_name(element)).c_str();
    dump_properties(skin, element, out, budget);
    if (!form)
        return;
    uint32_t count = skin.control_count(element);
    for (uint32_t i = 0; i < count && budget.spend(4); ++i) {
        auto entry = skin.control_entry(element, i);
        // Names beyond the image or longer than any name end the list.
        if (!entry)
            break;
        pugi::xml_node create = out.append_child("create");
        create.append_attribute("name") = plat::to_utf8(entry->first).c_str();
        create.append_attribute("kind") = plat::to_utf8(entry->second).c_str();
    }
    visit(skin, skin.control_root(element), out, "control", false, budget);
}

// A walk that the budget can no longer pay for is not started: it would only visit.
void visit(const SkinFile& skin, SkinOffset root, pugi::xml_node out, const char* tag, bool forms, Budget& budget) {
    const uint32_t size = forms ? SkinFile::form_record_size : SkinFile::element_record_size;
    if (budget.bytes < size)
        return;
    skin.visit_in_order(root, [&](SkinOffset element) {
        if (budget.bytes >= size)
            dump_element(skin, element, out.append_child(tag), forms, budget);
    });
}

} // namespace

std::string dump_skin(const SkinFile& skin) {
    if (!skin.valid())
        return {};
    pugi::xml_document doc;
    pugi::xml_node root = doc.append_child("skin");
    root.append_attribute("id") = plat::to_utf8(skin.identification()).c_str();
    root.append_attribute("devices") = plat::to_utf8(skin.devices()).c_str();
    int last_size = -1;
    for (int i = 0; i < SkinFile::design_size_count; ++i)
        if (skin.design_size(i).width != 0 || skin.design_size(i).height != 0)
            last_size = i;
    for (int i = 0; i <= last_size; ++i) {
        pugi::xml_node node = root.append_child("design");
        node.append_attribute("width") = skin.design_size(i).width;
        node.append_attribute("height") = skin.design_size(i).height;
    }
    for (uint32_t i = 0; i < skin.picture_count(); ++i) {
        std::optional<std::wstring> name = skin.picture_name(i);
        if (!name)
            break;
        root.append_child("picturefile").append_attribute("name") = plat::to_utf8(*name).c_str();
    }
    for (uint32_t i = 0; i < skin.font_count(); ++i) {
        std::optional<std::wstring> font = skin.font_description(i);
        if (!font)
            break;
        root.append_child("fontface").append_attribute("value") = plat::to_utf8(*font).c_str();
    }
    Budget budget{skin.image().size()};
    visit(skin, skin.form_root(), root, "form", true, budget);
    visit(skin, skin.kind_root(), root, "kind", false, budget);
    std::ostringstream text;
    doc.save(text, "  ");
    return text.str();
}

} // namespace skinner
