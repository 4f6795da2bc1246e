#include "TempRoot.h"
#include "skinner/SkinCompiler.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

// Skin sources in a folder of the test's root; each file name maps to its text.
class SkinInclude : public testing::Test {
protected:
    std::string folder = testing_support::process_root() + "/sources";

    void SetUp() override { std::filesystem::create_directories(folder); }
    void write(const std::string& name, const std::string& text) { std::ofstream(folder + "/" + name) << text; }
    skinner::SkinCompiler compiler;
    bool compile(const std::string& xml) { return compiler.compile(xml, folder); }
};

const char* const forms = R"(<form name="FormMain"><point name="Size" x="240" y="268"/>
    <control name="frmWatch"><int name="center_x_percent" value="50"/></control>
    <create name="frmWatch" kind="ControlWatch"/></form>)";
const char* const event_form = R"(<form name="FormEvent"><int name="StartPosition" value="3"/></form>)";

} // namespace

TEST_F(SkinInclude, IncludedElementsStandWhereTheIncludeStood) {
    write("FormMain.xml", std::string("<forms>") + forms + "<include file=\"FormEvent.xml\"/></forms>");
    write("FormEvent.xml", std::string("<forms>") + event_form + "</forms>");
    ASSERT_TRUE(compile(R"(<skin id="Default" devices="PS"><design width="240" height="320"/>
        <include file="FormMain.xml"/><kind name="Label"/></skin>)"))
        << compiler.error();
    const std::vector<uint8_t> included = compiler.output();
    ASSERT_TRUE(compile(std::string(R"(<skin id="Default" devices="PS"><design width="240" height="320"/>)") + forms +
                        event_form + R"(<kind name="Label"/></skin>)"));
    EXPECT_EQ(included, compiler.output());
}

TEST_F(SkinInclude, MissingLoopingAndFaultyFilesAreNamed) {
    EXPECT_FALSE(compile(R"(<skin><include file="FormAlarm.xml"/></skin>)"));
    EXPECT_EQ(compiler.error(), "skin / include: cannot read the included file " + folder + "/FormAlarm.xml");

    write("a.xml", R"(<forms><include file="b.xml"/></forms>)");
    write("b.xml", R"(<forms><include file="a.xml"/></forms>)");
    EXPECT_FALSE(compile(R"(<skin><include file="a.xml"/></skin>)"));
    EXPECT_EQ(compiler.error(), "a.xml: b.xml: forms / include: include loop: a.xml includes b.xml includes a.xml");

    write("bad.xml", R"(<forms><form name="FormX"><int name="Size" value="x"/></form></forms>)");
    EXPECT_FALSE(compile(R"(<skin><include file="bad.xml"/></skin>)"));
    EXPECT_EQ(compiler.error(), "bad.xml: forms / form \"FormX\" / int \"Size\": \"x\" is not a whole number");

    EXPECT_FALSE(compile(R"(<skin><include file="../a.xml"/></skin>)"));
    EXPECT_EQ(compiler.error(),
              "skin / include: include names a file beside the skin source, without folders: \"../a.xml\"");
}
