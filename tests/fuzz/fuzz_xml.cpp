// XML documents over arbitrary file bytes: load, walk every node through the
// handle API, save, and load the saved file again. What the program loaded it
// must be able to write and read back, or a settings file would be lost.
#include "base/Xml.h"
#include "fuzz_root.h"
#include "plat/Text.h"

#include <pugixml.hpp>

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

// What a reload must give back. Texts are compared as one run without blanks:
// the parser splits a text around a skipped "<?xml?>" and joins it again when
// the split is gone, blank texts between tags are dropped, and "&#0;" cannot
// be written at all.
struct Content {
    int nodes = 0;  // all but texts
    std::string text;
    bool operator==(const Content&) const = default;
};

void walk(const liba::XmlNode& node, int depth, Content& content) {
    const pugi::xml_node raw(node.node());
    if (raw.type() == pugi::node_pcdata) {
        for (const char* c = raw.value(); *c; ++c)
            if (!(*c == ' ' || *c == '\t' || *c == '\r' || *c == '\n'))
                content.text += *c;
    } else {
        ++content.nodes;
    }
    std::wstring name = liba::xml_node_name(node);
    std::wstring value;
    for (pugi::xml_attribute attribute : raw.attributes())
        liba::xml_get_attribute(node, plat::from_utf8(attribute.name()), value);
    liba::xml_get_attribute(node, L"name", value);
    liba::xml_find_child(node, name);
    if (depth > 200)
        return;
    const int count = liba::xml_child_count(node);
    for (int i = 0; i < count; ++i) {
        liba::XmlNode child = liba::xml_child_at(node, i);
        if (!child)
            __builtin_trap();  // every index below the count has a node
        walk(child, depth + 1, content);
    }
    if (liba::xml_child_at(node, count) || liba::xml_child_at(node, -1))
        __builtin_trap();
}

Content content_of(const liba::XmlNode& document) {
    Content content;
    walk(document, 0, content);
    return content;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::write_input("in.xml", data, size);
    liba::XmlNode document = liba::xml_load_document(L"\\in.xml");
    if (!document)
        return 0;
    const Content loaded = content_of(document);

    if (!liba::xml_save_document(document, L"\\out.xml"))
        __builtin_trap();
    liba::XmlNode reloaded = liba::xml_load_document(L"\\out.xml");
    if (!reloaded || content_of(reloaded) != loaded)
        __builtin_trap();

    // Edits through the API keep the document writable.
    liba::XmlNode added = liba::xml_add_child(document, L"fuzz");
    liba::xml_set_attribute(added, L"text", plat::from_utf8(std::string(reinterpret_cast<const char*>(data), size)));
    if (!liba::xml_save_document(document, L"\\out.xml") || !liba::xml_load_document(L"\\out.xml"))
        __builtin_trap();
    return 0;
}
