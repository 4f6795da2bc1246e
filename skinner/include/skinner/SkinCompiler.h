#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace skinner {

// Compiles a readable skin source (XML) into the binary skin format: header,
// names (all within the first 64 KiB, as the 16-bit name offsets require),
// the picture and font name table, balanced trees of forms, controls and
// kinds, and property arrays sorted by UTF-16 code unit. What the format
// cannot hold is an error, never silently cut.
//
// <skin id="..." devices="P">
//   <design width="240" height="320"/>            up to 32, in order
//   <picturefile name="main"/>  <fontface value="12 1 0 0 Tahoma"/>   optional: fixes table order
//   <form name="...">  <kind name="...">  <control name="..."> (inside a form)
//     <int name="" value=""/>  <point name="" x="" y=""/>  <string name="" value=""/>
//     <color name="" value="#RRGGBB" or "#RRGGBBXX"/>  <font name="" value="description"/>
//     <picture name="" image="" p0="x y" p1="x y" p2="x y" p3="x y" stretch="1"/>
//     <create name="control" kind="kind"/>        a form's control list, in order
//   <include file="FormMain.xml"/>                the children of that file's top element, in place
// A picture without p3 takes its size from IMAGE.png in the picture folder.
// Included files lie in the include folder (nested includes too; a loop is an error).
class SkinCompiler {
public:
    // `folder` is where pictures named by the source are looked for, and
    // `include_folder` (the same when empty) where included files are (Linux paths).
    bool compile(std::string_view xml, const std::string& folder, const std::string& include_folder = {});
    const std::vector<uint8_t>& output() const { return output_; }
    const std::string& error() const { return error_; }

private:
    std::vector<uint8_t> output_;
    std::string error_;
};

} // namespace skinner
