#pragma once
#include <memory>
#include <string>
#include <vector>
#include <utility>
#include <string_view>

namespace pugi {
struct xml_node_struct;
} // namespace pugi

// XML documents of the system's files (alarms, settings, shared state, speech dictionaries).
// Every operation accepts a null handle and then finds nothing or fails; none throws.
namespace liba {

// One parsed tree and what the child walks remember about it (defined in Xml.cpp).
struct XmlDocument;

// A handle to one node of a document, to a whole document, or to nothing. A handle keeps its
// document alive. Handles must not be shared between threads.
class XmlNode {
public:
    XmlNode() = default;
    XmlNode(std::shared_ptr<XmlDocument> document, pugi::xml_node_struct* node);

    bool is_null() const { return node_ == nullptr; }
    explicit operator bool() const { return node_ != nullptr; }
    pugi::xml_node_struct* node() const { return node_; }
    const std::shared_ptr<XmlDocument>& document() const { return document_; }

private:
    std::shared_ptr<XmlDocument> document_;
    pugi::xml_node_struct* node_ = nullptr;
};

// Paths may begin with a path macro. Files in UTF-8 or in UTF-16 with a byte-order mark load;
// whitespace-only text between elements is dropped. Further top elements and other text beside
// them stay as children of the document (the shared state file has two top elements); a reader
// that wants exactly one checks them. Null when missing, broken, cut short or without an element.
XmlNode xml_load_document(std::wstring_view path);
XmlNode xml_create_document();
// Writes UTF-8 with a declaration to a temporary file beside the target and renames it over
// the target. False (and the old file untouched) when the handle is not a document or any step fails.
bool xml_save_document(const XmlNode& document, std::wstring_view path);

// The first child whose name equals name exactly (letter case counts).
XmlNode xml_find_child(const XmlNode& parent, std::wstring_view name);
bool xml_find_child_into(const XmlNode& parent, std::wstring_view name, XmlNode& child);
// Children of every kind count; null when index is outside 0..count-1. The document remembers
// where the last calls for a few parents ended, so a walk over increasing (or decreasing)
// indexes costs one step per call.
XmlNode xml_child_at(const XmlNode& parent, int index);
int xml_child_count(const XmlNode& parent);
// An element's tag; "#text", "#comment", "#cdata-section" and "#document" for those nodes.
std::wstring xml_node_name(const XmlNode& node);
// True for an element (not a text, comment, processing instruction or document); no text is made.
bool xml_is_element(const XmlNode& node);

// Appends a new element to a document or an element; null when the name is not a valid XML name.
XmlNode xml_add_child(const XmlNode& parent, std::wstring_view name);
// Removes a child (and everything below it) from its parent; false when child is not one of
// parent's children. Handles to the removed nodes must not be used afterwards. The tree changes
// only through these operations, never through node() directly.
bool xml_remove_child(const XmlNode& parent, const XmlNode& child);
// Sets or replaces an attribute of an element; anything else (or an invalid name) is ignored.
void xml_set_attribute(const XmlNode& element, std::wstring_view name, std::wstring_view value);
// True and value assigned when the attribute exists; otherwise false and value untouched.
bool xml_get_attribute(const XmlNode& node, std::wstring_view name, std::wstring& value);
// Every attribute of the node, in document order (none for null or a non-element).
std::vector<std::pair<std::wstring, std::wstring>> xml_attributes(const XmlNode& node);

} // namespace liba
