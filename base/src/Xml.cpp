#include "base/Xml.h"

#include "base/File.h"
#include "base/Path.h"
#include "plat/Files.h"
#include "plat/Text.h"

#include <pugixml.hpp>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>

namespace liba {

// Where a walk over one parent's children stood last: index and node of that child.
struct ChildCursor {
    pugi::xml_node_struct* parent = nullptr;
    pugi::xml_node_struct* node = nullptr;
    int index = 0;
    unsigned used = 0;  // last use, for replacing the oldest
};

struct XmlDocument {
    // The loaded file, parsed in place: the tree points into it, so it outlives the tree.
    std::string source;
    pugi::xml_document tree;
    // A few parents, so that a walk inside a walk (alarms, then each alarm's exceptions) stays
    // linear. Appending never moves a child's index; removing clears them all.
    std::array<ChildCursor, 4> cursors = {};
    unsigned clock = 0;
};

namespace {

// Comments and processing instructions stay in the tree as the device's model keeps them;
// whitespace-only text between elements is dropped (no parse_ws_pcdata). Text outside the top
// element stays too (as a fragment), so that a reader can tell such a file from a clean one.
constexpr unsigned parse_flags = pugi::parse_default | pugi::parse_comments | pugi::parse_pi | pugi::parse_fragment;

const char declaration[] = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";

// Indentation grows with depth, so a deeply nested file would be written at a size that grows
// with the square of its depth; deeper than this, the document is written without it.
constexpr int indented_depth = 16;

bool deeper_than(pugi::xml_node node, int limit) {
    int depth = 0;
    while (node) {
        if (node.first_child()) {
            node = node.first_child();
            if (++depth > limit)
                return true;
            continue;
        }
        while (node && !node.next_sibling()) {
            node = node.parent();
            --depth;
        }
        if (node)
            node = node.next_sibling();
    }
    return false;
}

pugi::xml_node node_of(const XmlNode& handle) { return pugi::xml_node(handle.node()); }

XmlNode handle_of(const XmlNode& relative, pugi::xml_node node) {
    if (!node)
        return XmlNode();
    return XmlNode(relative.document(), node.internal_object());
}

// The names the device's model gives to nodes that have no tag.
const char* node_name_of(pugi::xml_node node) {
    switch (node.type()) {
    case pugi::node_document: return "#document";
    case pugi::node_pcdata: return "#text";
    case pugi::node_cdata: return "#cdata-section";
    case pugi::node_comment: return "#comment";
    default: return node.name();
    }
}

bool is_name_start(wchar_t c) {
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || c == L'_' || c == L':' ||
           (c >= 0xC0 && c <= 0xD6) || (c >= 0xD8 && c <= 0xF6) || (c >= 0xF8 && c <= 0x2FF) ||
           (c >= 0x370 && c <= 0x37D) || (c >= 0x37F && c <= 0x1FFF) || c == 0x200C ||
           c == 0x200D || (c >= 0x2070 && c <= 0x218F) || (c >= 0x2C00 && c <= 0x2FEF) ||
           (c >= 0x3001 && c <= 0xD7FF) || (c >= 0xF900 && c <= 0xFDCF) ||
           (c >= 0xFDF0 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0xEFFFF);
}

bool is_name_char(wchar_t c) {
    return is_name_start(c) || (c >= L'0' && c <= L'9') || c == L'-' || c == L'.' || c == 0xB7 ||
           (c >= 0x300 && c <= 0x36F) || c == 0x203F || c == 0x2040;
}

// The writer would put any name into the file as it is, and an invalid one would make the whole
// file unreadable; the device's model refuses such names, and so do we.
bool is_xml_name(std::wstring_view name) {
    if (name.empty() || !is_name_start(name[0]))
        return false;
    for (wchar_t c : name.substr(1)) {
        if (!is_name_char(c))
            return false;
    }
    return true;
}

// Characters that an XML 1.0 file cannot hold, not even as references, become U+FFFD.
std::string value_text(std::wstring_view value) {
    // Most values are plain ASCII text, which needs neither replacement nor conversion.
    if (std::all_of(value.begin(), value.end(),
                    [](wchar_t c) { return (c >= 0x20 && c < 0x80) || c == 0x9 || c == 0xA || c == 0xD; }))
        return std::string(value.begin(), value.end());
    std::wstring clean(value);
    for (wchar_t& c : clean) {
        const bool allowed = c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
                             (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
        if (!allowed)
            c = 0xFFFD;
    }
    return plat::to_utf8(clean);
}

// The files' names and most values are ASCII, which needs no conversion; loading a long alarm
// list converts tens of thousands of them.
std::string narrow(std::wstring_view text) {
    for (wchar_t c : text)
        if (c >= 0x80)
            return plat::to_utf8(text);
    return std::string(text.begin(), text.end());
}

// A name for the tree, narrowed on the stack when it is short ASCII (every name the files use).
class LookupName {
public:
    explicit LookupName(std::wstring_view name) {
        if (name.size() < sizeof short_)
            for (size_t i = 0;; ++i) {
                if (i == name.size()) {
                    short_[i] = 0;
                    text_ = short_;
                    return;
                }
                if (name[i] >= 0x80)
                    break;
                short_[i] = static_cast<char>(name[i]);
            }
        long_ = narrow(name);
        text_ = long_.c_str();
    }
    LookupName(const LookupName&) = delete;
    LookupName& operator=(const LookupName&) = delete;
    const char* c_str() const { return text_; }

private:
    char short_[32] = {};
    std::string long_;
    const char* text_ = short_;
};

// Compares without converting when the wanted name is ASCII.
bool name_equals(std::wstring_view wanted, const char* name) {
    for (wchar_t c : wanted) {
        if (c >= 0x80)
            return narrow(wanted) == name;
        if (static_cast<unsigned char>(*name) != c || !*name)
            return false;
        ++name;
    }
    return !*name;
}

// Into the caller's string, so that a string reused for many reads keeps its buffer.
void widen_into(const char* utf8, std::wstring& out) {
    size_t length = 0;
    for (; utf8[length]; ++length)
        if (static_cast<unsigned char>(utf8[length]) >= 0x80) {
            out = plat::from_utf8(utf8);
            return;
        }
    out.resize(length);
    std::copy(utf8, utf8 + length, out.begin());
}

std::wstring widen(const char* utf8) {
    std::wstring text;
    widen_into(utf8, text);
    return text;
}

struct StringWriter : pugi::xml_writer {
    std::string bytes;
    void write(const void* data, size_t size) override {
        bytes.append(static_cast<const char*>(data), size);
    }
};

} // namespace

XmlNode::XmlNode(std::shared_ptr<XmlDocument> document, pugi::xml_node_struct* node)
    : document_(std::move(document)), node_(node) {}

XmlNode xml_load_document(std::wstring_view path) {
    auto document = std::make_shared<XmlDocument>();
    std::string& bytes = document->source;
    const std::wstring device_path = expanded_path(path);
    if (!plat::read_file(device_path, bytes)) {
        os::log_if_refused(device_path);
        return XmlNode();
    }
    if (!document->tree.load_buffer_inplace(bytes.data(), bytes.size(), parse_flags, pugi::encoding_auto))
        return XmlNode();
    // A fragment may lack an element; a document may not.
    if (!document->tree.find_child([](pugi::xml_node node) { return node.type() == pugi::node_element; }))
        return XmlNode();
    pugi::xml_node_struct* root = document->tree.internal_object();
    return XmlNode(std::move(document), root);
}

XmlNode xml_create_document() {
    auto document = std::make_shared<XmlDocument>();
    pugi::xml_node_struct* root = document->tree.internal_object();
    return XmlNode(std::move(document), root);
}

bool xml_save_document(const XmlNode& document, std::wstring_view path) {
    if (node_of(document).type() != pugi::node_document)
        return false;
    StringWriter writer;
    writer.bytes = declaration;
    const pugi::xml_document& tree = document.document()->tree;
    const unsigned layout = deeper_than(tree, indented_depth) ? pugi::format_raw : pugi::format_indent;
    tree.save(writer, "\t", layout | pugi::format_no_declaration, pugi::encoding_utf8);
    return plat::write_file_atomically(expanded_path(path), writer.bytes);
}

XmlNode xml_find_child(const XmlNode& parent, std::wstring_view name) {
    XmlNode child;
    xml_find_child_into(parent, name, child);
    return child;
}

bool xml_find_child_into(const XmlNode& parent, std::wstring_view name, XmlNode& child) {
    // Only the model's own names ("#text" and the like) need the walk here; every other name is
    // an element's or a processing instruction's, which the tree finds in one call.
    if (!name.empty() && name[0] != L'#' && name.find(L'\0') == std::wstring_view::npos) {
        child = handle_of(parent, node_of(parent).child(LookupName(name).c_str()));
        return !child.is_null();
    }
    for (pugi::xml_node node = node_of(parent).first_child(); node; node = node.next_sibling()) {
        if (name_equals(name, node_name_of(node))) {
            child = handle_of(parent, node);
            return true;
        }
    }
    child = XmlNode();
    return false;
}

XmlNode xml_child_at(const XmlNode& parent, int index) {
    pugi::xml_node from = node_of(parent);
    if (index < 0 || !from || !parent.document())
        return XmlNode();
    XmlDocument& document = *parent.document();
    ChildCursor* cursor = &document.cursors[0];
    for (ChildCursor& c : document.cursors) {
        if (c.parent == from.internal_object()) {
            cursor = &c;
            break;
        }
        if (c.used < cursor->used)
            cursor = &c;
    }
    // Start from the remembered child when it is nearer than the first child.
    pugi::xml_node node = from.first_child();
    int at = 0;
    if (cursor->parent == from.internal_object() && std::abs(cursor->index - index) < index) {
        node = pugi::xml_node(cursor->node);
        at = cursor->index;
    }
    for (; node && at < index; ++at)
        node = node.next_sibling();
    for (; node && at > index; --at)
        node = node.previous_sibling();
    if (!node)
        return XmlNode();
    *cursor = ChildCursor{from.internal_object(), node.internal_object(), index, ++document.clock};
    return handle_of(parent, node);
}

int xml_child_count(const XmlNode& parent) {
    int count = 0;
    for (pugi::xml_node node = node_of(parent).first_child(); node; node = node.next_sibling())
        ++count;
    return count;
}

bool xml_is_element(const XmlNode& node) { return node_of(node).type() == pugi::node_element; }

std::wstring xml_node_name(const XmlNode& node) {
    if (node.is_null())
        return {};
    return widen(node_name_of(node_of(node)));
}

XmlNode xml_add_child(const XmlNode& parent, std::wstring_view name) {
    if (!is_xml_name(name))
        return XmlNode();
    return handle_of(parent, node_of(parent).append_child(LookupName(name).c_str()));
}

bool xml_remove_child(const XmlNode& parent, const XmlNode& child) {
    pugi::xml_node node = node_of(child);
    if (!node || node.parent() != node_of(parent) || !parent.document())
        return false;
    // A remembered position may be the removed node or lie below it.
    parent.document()->cursors.fill(ChildCursor{});
    return node_of(parent).remove_child(node);
}

void xml_set_attribute(const XmlNode& element, std::wstring_view name, std::wstring_view value) {
    pugi::xml_node node = node_of(element);
    if (node.type() != pugi::node_element || !is_xml_name(name))
        return;
    const LookupName key(name);
    pugi::xml_attribute attribute = node.attribute(key.c_str());
    if (!attribute)
        attribute = node.append_attribute(key.c_str());
    attribute.set_value(value_text(value).c_str());
}

bool xml_get_attribute(const XmlNode& node, std::wstring_view name, std::wstring& value) {
    if (!is_xml_name(name))
        return false;
    pugi::xml_attribute attribute = node_of(node).attribute(LookupName(name).c_str());
    if (!attribute)
        return false;
    widen_into(attribute.value(), value);
    return true;
}

std::vector<std::pair<std::wstring, std::wstring>> xml_attributes(const XmlNode& node) {
    std::vector<std::pair<std::wstring, std::wstring>> result;
    for (const pugi::xml_attribute& attribute : node_of(node).attributes())
        result.emplace_back(widen(attribute.name()), widen(attribute.value()));
    return result;
}

} // namespace liba
