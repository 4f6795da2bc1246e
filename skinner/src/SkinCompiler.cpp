#include "skinner/SkinCompiler.h"

#include "plat/Text.h"
#include "skinner/PngDecoder.h"
#include "skinner/SkinFile.h"

#include <pugixml.hpp>

#include <algorithm>
#include <array>
#include <charconv>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <stdexcept>

namespace skinner {
namespace {

constexpr int type_count = 6;
constexpr uint32_t name_space = 65536; // the reach of a 16-bit name offset

struct CompileError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct Property {
    std::u16string name;
    int32_t number = 0; // integer value or font number
    SkinPointValue point;
    std::array<uint8_t, 4> color{};
    std::u16string text;
    SkinPictureValue picture;
};

struct Element {
    std::u16string name;
    std::array<std::vector<Property>, type_count> properties;
    std::vector<Element> controls;
    std::vector<std::pair<std::u16string, std::u16string>> control_list;
    uint32_t offset = 0;
    uint32_t left = 0;
    uint32_t right = 0;
    uint32_t control_root = 0;
};

struct Source {
    std::u16string identification;
    std::u16string devices;
    std::vector<SkinDesignSize> design_sizes;
    std::vector<std::u16string> pictures;
    std::vector<std::u16string> fonts;
    std::vector<Element> forms;
    std::vector<Element> kinds;
};

std::u16string units(const char* utf8) { return SkinFile::to_units(plat::from_utf8(utf8)); }

std::string where(const pugi::xml_node& node) {
    std::string path;
    for (pugi::xml_node n = node; n && n.type() == pugi::node_element; n = n.parent()) {
        std::string part = n.name();
        if (n.attribute("name"))
            part += " \"" + std::string(n.attribute("name").value()) + "\"";
        path = path.empty() ? part : part + " / " + path;
    }
    return path;
}

[[noreturn]] void fail(const pugi::xml_node& node, const std::string& message) {
    throw CompileError(where(node) + ": " + message);
}

const char* required(const pugi::xml_node& node, const char* attribute) {
    pugi::xml_attribute a = node.attribute(attribute);
    if (!a)
        fail(node, std::string("missing attribute ") + attribute);
    return a.value();
}

int64_t number(const pugi::xml_node& node, std::string_view text, int64_t low, int64_t high) {
    int64_t value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty())
        fail(node, "\"" + std::string(text) + "\" is not a whole number");
    if (value < low || value > high)
        fail(node, std::to_string(value) + " is outside " + std::to_string(low) + ".." + std::to_string(high));
    return value;
}

int64_t number_attribute(const pugi::xml_node& node, const char* attribute, int64_t low, int64_t high) {
    return number(node, required(node, attribute), low, high);
}

// "x y" with each inside low..high.
std::pair<int64_t, int64_t> pair_attribute(const pugi::xml_node& node, const char* attribute, int64_t low,
                                           int64_t high) {
    std::string text = required(node, attribute);
    size_t blank = text.find(' ');
    if (blank == std::string::npos)
        fail(node, std::string(attribute) + " needs two numbers separated by a blank");
    return {number(node, std::string_view(text).substr(0, blank), low, high),
            number(node, std::string_view(text).substr(blank + 1), low, high)};
}

uint32_t table_index(std::vector<std::u16string>& table, const std::u16string& name) {
    auto it = std::find(table.begin(), table.end(), name);
    if (it != table.end())
        return uint32_t(it - table.begin());
    table.push_back(name);
    return uint32_t(table.size() - 1);
}

// The reader takes no longer names or texts than these, so the compiler makes none.
std::u16string bounded(const pugi::xml_node& node, const char* attribute, uint32_t most) {
    std::u16string text = units(required(node, attribute));
    if (text.size() > most)
        fail(node, std::string(attribute) + " holds more than " + std::to_string(most) + " UTF-16 units");
    return text;
}
std::u16string name_of(const pugi::xml_node& node, const char* attribute = "name") {
    return bounded(node, attribute, SkinFile::max_name_units);
}
std::u16string text_of(const pugi::xml_node& node, const char* attribute) {
    return bounded(node, attribute, SkinFile::max_text_units);
}

class Parser {
public:
    Parser(Source& source, const std::string& folder) : source_(source), folder_(folder) {}

    void element(const pugi::xml_node& node, Element& element, bool form) {
        element.name = name_of(node);
        if (element.name.empty())
            fail(node, "empty name");
        for (pugi::xml_node child : node.children()) {
            if (child.type() != pugi::node_element)
                continue;
            std::string tag = child.name();
            if (form && tag == "control") {
                element.controls.emplace_back();
                this->element(child, element.controls.back(), false);
            } else if (form && tag == "create") {
                element.control_list.emplace_back(name_of(child), name_of(child, "kind"));
            } else {
                property(child, tag, element);
            }
        }
    }

private:
    void property(const pugi::xml_node& node, const std::string& tag, Element& element) {
        Property p;
        p.name = name_of(node);
        if (p.name.empty())
            fail(node, "empty property name");
        SkinPropertyType type;
        if (tag == "int") {
            type = SkinPropertyType::integer;
            p.number = int32_t(number_attribute(node, "value", INT32_MIN, INT32_MAX));
        } else if (tag == "point") {
            type = SkinPropertyType::point;
            p.point = {int16_t(number_attribute(node, "x", INT16_MIN, INT16_MAX)),
                       int16_t(number_attribute(node, "y", INT16_MIN, INT16_MAX))};
        } else if (tag == "string") {
            type = SkinPropertyType::string;
            p.text = text_of(node, "value");
        } else if (tag == "color") {
            type = SkinPropertyType::color;
            p.color = color(node);
        } else if (tag == "font") {
            type = SkinPropertyType::font;
            p.number = int32_t(table_index(source_.fonts, text_of(node, "value")));
        } else if (tag == "picture") {
            type = SkinPropertyType::picture;
            p.picture = picture(node);
        } else {
            fail(node, "unknown element");
        }
        element.properties[size_t(type)].push_back(std::move(p));
    }

    static std::array<uint8_t, 4> color(const pugi::xml_node& node) {
        std::string text = required(node, "value");
        if ((text.size() != 7 && text.size() != 9) || text[0] != '#')
            fail(node, "a colour is #RRGGBB or #RRGGBBXX");
        std::array<uint8_t, 4> bytes{};
        for (size_t i = 0; 1 + 2 * i < text.size(); ++i) {
            unsigned value = 0;
            auto [end, ec] = std::from_chars(text.data() + 1 + 2 * i, text.data() + 3 + 2 * i, value, 16);
            if (ec != std::errc() || end != text.data() + 3 + 2 * i)
                fail(node, "a colour is #RRGGBB or #RRGGBBXX");
            bytes[i] = uint8_t(value);
        }
        return bytes;
    }

    SkinPictureValue picture(const pugi::xml_node& node) {
        std::string image = required(node, "image");
        uint32_t index = table_index(source_.pictures, text_of(node, "image"));
        if (index > 255)
            fail(node, "more than 256 pictures");
        SkinPictureValue value;
        value.picture = uint8_t(index);
        value.stretch = uint8_t(number(node, node.attribute("stretch").as_string("1"), 0, 255));
        std::pair<int64_t, int64_t> p[4];
        if (node.attribute("p3")) {
            p[3] = pair_attribute(node, "p3", 0, 65535);
        } else {
            p[3] = picture_size(node, image);
        }
        p[0] = node.attribute("p0") ? pair_attribute(node, "p0", 0, 65535) : std::pair<int64_t, int64_t>{0, 0};
        p[1] = node.attribute("p1") ? pair_attribute(node, "p1", 0, 65535) : p[0];
        p[2] = node.attribute("p2") ? pair_attribute(node, "p2", 0, 65535) : p[3];
        for (int i = 0; i < 4; ++i) {
            value.points[size_t(2 * i)] = uint16_t(p[i].first);
            value.points[size_t(2 * i + 1)] = uint16_t(p[i].second);
        }
        return value;
    }

    std::pair<int64_t, int64_t> picture_size(const pugi::xml_node& node, std::string image) const {
        std::replace(image.begin(), image.end(), '\\', '/');
        std::string path = folder_ + "/" + image + ".png";
        std::ifstream in(path, std::ios::binary);
        std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        QxRawPngDecoder png;
        if (!in.is_open() || png.decode(file.data(), file.size()) != 1 || png.width() == 0 || png.width() > 65535 ||
            png.height() > 65535)
            fail(node, "no p3 given and " + path + " is no readable PNG");
        return {png.width(), png.height()};
    }

    Source& source_;
    std::string folder_;
};

bool unit_order(const std::u16string& a, const std::u16string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [](char16_t x, char16_t y) { return uint16_t(x) < uint16_t(y); });
}

void check_unique(std::vector<Element>& elements, const std::string& what) {
    std::sort(elements.begin(), elements.end(), [](const Element& a, const Element& b) { return unit_order(a.name, b.name); });
    for (size_t i = 1; i < elements.size(); ++i)
        if (elements[i].name == elements[i - 1].name)
            throw CompileError("two " + what + " named \"" + plat::to_utf8(plat::from_utf16le(elements[i].name.data(), elements[i].name.size() * 2)) + "\"");
    for (Element& e : elements) {
        for (auto& array : e.properties) {
            std::stable_sort(array.begin(), array.end(), [](const Property& a, const Property& b) { return unit_order(a.name, b.name); });
            for (size_t i = 1; i < array.size(); ++i)
                if (array[i].name == array[i - 1].name)
                    throw CompileError(what + " \"" + plat::to_utf8(plat::from_utf16le(e.name.data(), e.name.size() * 2)) +
                                       "\" has a property twice: \"" +
                                       plat::to_utf8(plat::from_utf16le(array[i].name.data(), array[i].name.size() * 2)) + "\"");
        }
        check_unique(e.controls, "controls of one form");
    }
}

class Writer {
public:
    std::vector<uint8_t> bytes;

    uint32_t size() const { return uint32_t(bytes.size()); }
    void align() {
        while (bytes.size() % 4)
            bytes.push_back(0);
    }
    void put16(uint32_t at, uint32_t value) {
        bytes[at] = uint8_t(value);
        bytes[at + 1] = uint8_t(value >> 8);
    }
    void put32(uint32_t at, uint32_t value) {
        for (int i = 0; i < 4; ++i)
            bytes[at + uint32_t(i)] = uint8_t(value >> (8 * i));
    }
    uint32_t reserve(uint32_t count) {
        uint32_t at = size();
        bytes.resize(bytes.size() + count, 0);
        return at;
    }
    uint32_t text(const std::u16string& units) {
        uint32_t at = reserve(uint32_t(units.size() + 1) * 2);
        for (size_t i = 0; i < units.size(); ++i)
            put16(at + uint32_t(2 * i), units[i]);
        return at;
    }
};

void collect_names(const Element& e, std::set<std::u16string, decltype(&unit_order)>& names) {
    names.insert(e.name);
    for (const auto& array : e.properties)
        for (const Property& p : array) {
            names.insert(p.name);
            if (&array == &e.properties[size_t(SkinPropertyType::string)])
                names.insert(p.text);
        }
    for (const auto& [control, kind] : e.control_list) {
        names.insert(control);
        names.insert(kind);
    }
    for (const Element& c : e.controls)
        collect_names(c, names);
}

class Layout {
public:
    Layout(Writer& w, const std::map<std::u16string, uint32_t>& names) : w_(w), names_(names) {}

    void element(Element& e, bool form) {
        w_.align();
        uint32_t record_size = form ? SkinFile::form_record_size + 4 * uint32_t(e.control_list.size())
                                    : SkinFile::element_record_size;
        e.offset = w_.reserve(record_size);
        w_.put32(e.offset + SkinFile::at_name, names_.at(e.name));
        for (int t = 0; t < type_count; ++t)
            array(e, SkinPropertyType(t));
        if (form) {
            w_.put32(e.offset + SkinFile::at_control_count, uint32_t(e.control_list.size()));
            for (size_t i = 0; i < e.control_list.size(); ++i) {
                uint32_t at = e.offset + SkinFile::at_control_list + 4 * uint32_t(i);
                w_.put16(at, names_.at(e.control_list[i].first));
                w_.put16(at + 2, names_.at(e.control_list[i].second));
            }
            for (Element& c : e.controls)
                element(c, false);
            e.control_root = tree(e.controls, 0, e.controls.size());
            w_.put32(e.offset + SkinFile::at_control_root, e.control_root);
        }
    }

    // Links the sorted elements [low, high) into a balanced tree; its root.
    uint32_t tree(std::vector<Element>& sorted, size_t low, size_t high) {
        if (low >= high)
            return 0;
        size_t middle = low + (high - low) / 2;
        Element& e = sorted[middle];
        w_.put32(e.offset + SkinFile::at_left, tree(sorted, low, middle));
        w_.put32(e.offset + SkinFile::at_right, tree(sorted, middle + 1, high));
        return e.offset;
    }

private:
    void array(Element& e, SkinPropertyType type) {
        const std::vector<Property>& props = e.properties[size_t(type)];
        uint32_t record = SkinFile::record_size(type);
        uint32_t begin = w_.reserve(record * uint32_t(props.size()));
        uint32_t at_range = e.offset + SkinFile::at_arrays + 8 * uint32_t(type);
        w_.put32(at_range, begin);
        w_.put32(at_range + 4, w_.size());
        for (size_t i = 0; i < props.size(); ++i) {
            const Property& p = props[i];
            uint32_t at = begin + record * uint32_t(i);
            w_.put16(at, names_.at(p.name));
            switch (type) {
            case SkinPropertyType::integer:
            case SkinPropertyType::font:
                w_.put32(at + 4, uint32_t(p.number));
                break;
            case SkinPropertyType::point:
                w_.put16(at + 2, uint16_t(p.point.x));
                w_.put16(at + 4, uint16_t(p.point.y));
                break;
            case SkinPropertyType::string:
                w_.put16(at + 2, names_.at(p.text));
                break;
            case SkinPropertyType::color:
                for (int k = 0; k < 4; ++k)
                    w_.bytes[at + 2 + uint32_t(k)] = p.color[size_t(k)];
                break;
            case SkinPropertyType::picture:
                for (int k = 0; k < 8; ++k)
                    w_.put16(at + 2 + 2 * uint32_t(k), p.picture.points[size_t(k)]);
                w_.bytes[at + 18] = p.picture.picture;
                w_.bytes[at + 19] = p.picture.stretch;
                break;
            }
        }
    }

    Writer& w_;
    const std::map<std::u16string, uint32_t>& names_;
};

// Offset of a character reference to U+0000 ("&#0;", "&#x00;"), or npos. The
// parser hands such a value over ending at the NUL, which would cut the text.
size_t nul_reference(std::string_view xml) {
    for (size_t at = xml.find("&#"); at != std::string_view::npos; at = xml.find("&#", at + 2)) {
        size_t i = at + 2;
        if (i < xml.size() && (xml[i] == 'x' || xml[i] == 'X'))
            ++i;
        size_t digits = i;
        while (i < xml.size() && xml[i] == '0')
            ++i;
        if (i > digits && i < xml.size() && xml[i] == ';')
            return at;
    }
    return std::string_view::npos;
}

void check_nul_references(std::string_view xml) {
    if (size_t at = nul_reference(xml); at != std::string_view::npos)
        throw CompileError("a character reference to U+0000 at byte " + std::to_string(at) +
                           ": the format's texts end at their first NUL");
}

pugi::xml_node load(pugi::xml_document& doc, std::string_view xml) {
    check_nul_references(xml);
    pugi::xml_parse_result parsed = doc.load_buffer(xml.data(), xml.size());
    if (!parsed)
        throw CompileError(std::string("not XML: ") + parsed.description() + " at byte " + std::to_string(parsed.offset));
    return doc.document_element();
}

// The top-level elements of a skin source and of the files it includes.
class SourceReader {
public:
    SourceReader(Source& source, const std::string& picture_folder, const std::string& include_folder)
        : source_(source), parser_(source, picture_folder), include_folder_(include_folder) {}

    void children(const pugi::xml_node& parent) {
        for (pugi::xml_node node : parent.children())
            if (node.type() == pugi::node_element)
                top_level(node);
    }

private:
    void top_level(const pugi::xml_node& node) {
        std::string tag = node.name();
        if (tag == "design") {
            if (source_.design_sizes.size() == SkinFile::design_size_count)
                fail(node, "more than 32 design sizes");
            source_.design_sizes.push_back({int32_t(number_attribute(node, "width", INT32_MIN, INT32_MAX)),
                                            int32_t(number_attribute(node, "height", INT32_MIN, INT32_MAX))});
        } else if (tag == "picturefile") {
            table_index(source_.pictures, units(required(node, "name")));
        } else if (tag == "fontface") {
            table_index(source_.fonts, units(required(node, "value")));
        } else if (tag == "form" || tag == "kind") {
            std::vector<Element>& list = tag == "form" ? source_.forms : source_.kinds;
            list.emplace_back();
            parser_.element(node, list.back(), tag == "form");
        } else if (tag == "include") {
            include(node);
        } else {
            fail(node, "unknown element");
        }
    }

    // <include file="X.xml"/>: the children of X's top element stand in its place.
    void include(const pugi::xml_node& node) {
        const std::string name = required(node, "file");
        if (name.empty() || name.find_first_of("/\\") != std::string::npos)
            fail(node, "include names a file beside the skin source, without folders: \"" + name + "\"");
        if (std::find(open_.begin(), open_.end(), name) != open_.end()) {
            std::string chain;
            for (const std::string& file : open_)
                chain += file + " includes ";
            fail(node, "include loop: " + chain + name);
        }
        const std::string path = include_folder_ + "/" + name;
        std::ifstream in(path, std::ios::binary);
        if (!in)
            fail(node, "cannot read the included file " + path);
        std::string xml((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        open_.push_back(name);
        try {
            pugi::xml_document doc;
            children(load(doc, xml));
        } catch (const CompileError& e) {
            throw CompileError(name + ": " + e.what());
        }
        open_.pop_back();
    }

    Source& source_;
    Parser parser_;
    std::string include_folder_;
    std::vector<std::string> open_; // the included files being read, outermost first
};

Source parse(std::string_view xml, const std::string& picture_folder, const std::string& include_folder) {
    pugi::xml_document doc;
    pugi::xml_node root = load(doc, xml);
    if (std::string(root.name()) != "skin")
        throw CompileError("the root element must be <skin>");
    Source source;
    source.identification = units(root.attribute("id").value());
    source.devices = units(root.attribute("devices").value());
    if (source.identification.size() >= SkinFile::text_units || source.devices.size() >= SkinFile::text_units)
        fail(root, "id and devices hold at most 31 UTF-16 units");
    SourceReader(source, picture_folder, include_folder).children(root);
    if (source.pictures.size() > 256)
        throw CompileError("more than 256 pictures");
    check_unique(source.forms, "forms");
    check_unique(source.kinds, "kinds");
    return source;
}

std::vector<uint8_t> build(Source& source) {
    Writer w;
    w.reserve(SkinFile::header_size);
    for (int i = 0; i < 4; ++i)
        w.put16(2 * uint32_t(i), SkinFile::magic[i]);
    for (size_t i = 0; i < source.identification.size(); ++i)
        w.put16(SkinFile::at_identification + 2 * uint32_t(i), source.identification[i]);
    for (size_t i = 0; i < source.devices.size(); ++i)
        w.put16(SkinFile::at_devices + 2 * uint32_t(i), source.devices[i]);
    for (size_t i = 0; i < source.design_sizes.size(); ++i) {
        uint32_t at = SkinFile::at_design_sizes + SkinFile::design_size_record * uint32_t(i);
        w.put32(at, uint32_t(source.design_sizes[i].width));
        w.put32(at + 4, uint32_t(source.design_sizes[i].height));
    }

    // Every name the records address, once each and in code-unit order.
    std::set<std::u16string, decltype(&unit_order)> all(&unit_order);
    for (const Element& e : source.forms)
        collect_names(e, all);
    for (const Element& e : source.kinds)
        collect_names(e, all);
    std::map<std::u16string, uint32_t> names;
    for (const std::u16string& name : all)
        names[name] = w.text(name);
    if (w.size() > name_space)
        throw CompileError("the names need " + std::to_string(w.size()) + " bytes; they must end within the first 64 KiB");

    w.put32(SkinFile::at_picture_count, uint32_t(source.pictures.size()));
    w.put32(SkinFile::at_font_count, uint32_t(source.fonts.size()));
    w.put32(SkinFile::at_name_table, w.size());
    for (const std::u16string& name : source.pictures)
        w.text(name);
    for (const std::u16string& font : source.fonts)
        w.text(font);

    Layout layout(w, names);
    for (Element& e : source.forms)
        layout.element(e, true);
    for (Element& e : source.kinds)
        layout.element(e, false);
    w.put32(SkinFile::at_form_root, layout.tree(source.forms, 0, source.forms.size()));
    w.put32(SkinFile::at_kind_root, layout.tree(source.kinds, 0, source.kinds.size()));
    return std::move(w.bytes);
}

} // namespace

bool SkinCompiler::compile(std::string_view xml, const std::string& folder, const std::string& include_folder) {
    output_.clear();
    error_.clear();
    try {
        Source source = parse(xml, folder, include_folder.empty() ? folder : include_folder);
        output_ = build(source);
        return true;
    } catch (const CompileError& e) {
        error_ = e.what();
        return false;
    }
}

} // namespace skinner
