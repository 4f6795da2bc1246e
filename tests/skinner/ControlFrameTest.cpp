#include "skinner/controls/ControlFrame.h"

#include "SkinFixture.h"
#include "skinner/Container.h"
#include "skinner/Properties.h"

#include <gtest/gtest.h>

using namespace skinner;
using namespace skin_fixture;

namespace {

const char* const frame_skin = R"(<skin id="f"><design width="240" height="320"/>
  <form name="Form">
    <point name="Size" x="220" y="120"/>
    <control name="frmWrap"><int name="Wrap" value="1"/><point name="BorderMin" x="2" y="2"/>
      <font name="Normal" value="10 0 0 0 Courier New"/></control>
    <control name="frmPlain"><font name="Normal" value="10 0 0 0 Courier New"/></control>
    <control name="frmRight"><string name="HAlignment" value="RIGHT"/><string name="Text" value="Hi"/>
      <point name="Position" x="10" y="10"/><point name="Size" x="100" y="40"/>
      <font name="Normal" value="10 0 0 0 Courier New"/></control>
    <control name="frmLines"><int name="Wrap" value="1"/><string name="VAlignment" value="TOP"/>
      <string name="HAlignment" value="LEFT"/><font name="Normal" value="10 0 0 0 Courier New"/></control>
    <control name="frmAuto"><int name="AutoSize" value="1"/><point name="BorderMin" x="3" y="4"/>
      <point name="BorderMax" x="5" y="6"/><point name="Size" x="10" y="100"/>
      <string name="Text" value="abc"/><font name="Normal" value="10 0 0 0 Courier New"/></control>
    <control name="under"><point name="Position" x="0" y="0"/><point name="Size" x="50" y="50"/></control>
  </form></skin>)";

Font courier() {
    FontDescription d;
    d.parse(L"10 0 0 0 Courier New");
    return Font(d);
}

struct ControlFrameTest : testing::Test {
    ControlFrameTest() {
        properties.load_skin(write_skin(frame_skin), {240, 320});
        owner = std::make_unique<Container>(&form, &properties, L"Form", creation_named, nullptr);
        cw = courier().get_text_extent(L"M").x;
        lh = courier().get_text_extent(L"M").y;
    }
    // A wrapping frame with room for `chars` characters a line.
    std::vector<std::wstring> wrapped(std::wstring_view text, int chars) {
        ControlFrame frame(owner.get(), L"frmWrap");
        frame.set_rect({0, 0}, {2 + chars * cw, 100});
        frame.set_text(text);
        return frame.get_lines();
    }
    Properties properties;
    FormStandIn form;
    std::unique_ptr<Container> owner;
    int32_t cw = 0, lh = 0;
};

using Lines = std::vector<std::wstring>;

} // namespace

TEST_F(ControlFrameTest, WrappingBreaksAtMarkersLineFeedsAndBlanks) {
    ASSERT_GT(cw, 0);
    EXPECT_EQ(wrapped(L"A\\nB", 10), (Lines{L"A", L"B"}));
    EXPECT_EQ(wrapped(L"A\nB", 10), (Lines{L"A", L"B"}));
    EXPECT_EQ(wrapped(L"A\\n\\nB", 10), (Lines{L"A", L"", L"B"}));  // a marker right after a marker counts
    EXPECT_EQ(wrapped(L"A\\n B", 10), (Lines{L"A", L" B"}));
    EXPECT_EQ(wrapped(L"one two three", 9), (Lines{L"one two", L"three"}));
    EXPECT_EQ(wrapped(L"one two", 9), (Lines{L"one two"}));
    EXPECT_EQ(wrapped(L"Supercalifragilistic is long", 9), (Lines{L"Supercalifragilistic", L"is long"}));
    EXPECT_EQ(wrapped(L"", 9), (Lines{L""}));

    ControlFrame plain(owner.get(), L"frmPlain");
    plain.set_text(L"A\\nB\nC");
    EXPECT_EQ(plain.get_lines(), (Lines{L"A\\nB\nC"}));
}

TEST_F(ControlFrameTest, ResizingBreaksAnewAndTheSameTextInvalidatesNothing) {
    ControlFrame frame(owner.get(), L"frmWrap");
    frame.set_rect({0, 0}, {2 + 9 * cw, 100});
    frame.set_text(L"one two three");
    ASSERT_EQ(frame.get_lines().size(), 2u);
    frame.set_rect({0, 0}, {2 + 20 * cw, 100});
    EXPECT_EQ(frame.get_lines(), (Lines{L"one two three"}));
    const size_t dirty = form.dirty.size();
    frame.set_text(L"one two three");
    EXPECT_EQ(form.dirty.size(), dirty);
    frame.set_text(L"other");
    EXPECT_EQ(form.dirty.size(), dirty + 1);
}

TEST_F(ControlFrameTest, AutoSizeMeasuresTheTextWithItsBorders) {
    ControlFrame frame(owner.get(), L"frmAuto");
    EXPECT_EQ(frame.get_auto_width(), 3 * cw + 8);
    EXPECT_EQ(frame.get_auto_height(), lh + 10);
    EXPECT_EQ(frame.get_preferred_size().x, 3 * cw + 8);
    EXPECT_EQ(frame.get_preferred_size().y, 100);
    EXPECT_FALSE(frame.wants_focus());
}

TEST_F(ControlFrameTest, TapsFallThroughToTheControlUnderneath) {
    Control under(owner.get(), L"under");
    ControlFrame frame(owner.get(), L"frmRight");
    owner->pointer_down(pointer_tap, {20, 20}, false);
    EXPECT_EQ(owner->get_captured_child(), &under);
}

TEST_F(ControlFrameTest, OneLineIsAlignedInTheInnerRectangle) {
    ControlFrame frame(owner.get(), L"frmRight");
    Screen screen(220, 120);
    frame.paint(*screen.canvas, {0, 0}, {220, 120});
    const plat::RECT ink = screen.ink();
    EXPECT_LE(ink.right, 110);
    EXPECT_GT(ink.right, 110 - cw);
    EXPECT_GE(ink.left, 110 - 2 * cw);
    EXPECT_GT(ink.top, 10 + (40 - lh) / 2 - 2);
    EXPECT_LT(ink.bottom, 10 + (40 + lh) / 2 + 2);
}

TEST_F(ControlFrameTest, LinesThatDoNotFitEndInAnEllipsisOnlyWhenAsked) {
    const auto draw = [&](bool ellipsis, int v_alignment) {
        struct Frame : ControlFrame {
            Frame(Container* parent, bool ellipsis, int v) : ControlFrame(parent, L"frmLines") {
                ellipsis_ = ellipsis;
                v_alignment_ = v;
            }
        } frame(owner.get(), ellipsis, v_alignment);
        frame.set_rect({10, 10}, {20 * cw, 2 * lh + 4});
        frame.set_text(L"aaa\nbbb\nccc");
        auto screen = std::make_unique<Screen>(220, 120);
        frame.paint(*screen->canvas, {0, 0}, {220, 120});
        return screen;
    };
    const auto plain = draw(false, 0);
    const auto cut = draw(true, 0);
    // Only the third line differs: its place holds "…" against the bottom border.
    plat::RECT diff{220, 120, 0, 0};
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 220; ++x)
            if (plain->at(x, y) != cut->at(x, y)) {
                diff = {std::min(diff.left, x), std::min(diff.top, y), std::max(diff.right, x + 1),
                        std::max(diff.bottom, y + 1)};
            }
    ASSERT_GT(diff.right, 0) << "no ellipsis drawn";
    EXPECT_GE(diff.top, 10 + 2 * lh + 4 - lh);
    EXPECT_LE(diff.bottom, 10 + 2 * lh + 4);
    EXPECT_GE(diff.left, 10);
    EXPECT_LE(diff.right, 10 + cw);
    EXPECT_LE(plain->ink().bottom, 10 + 2 * lh);  // no third line without the ellipsis

    // Bottom alignment pushes the first line above the frame; the clip keeps the ink inside.
    const plat::RECT bottom = draw(false, 2)->ink();
    EXPECT_GE(bottom.top, 10);
    EXPECT_LE(bottom.bottom, 10 + 2 * lh + 4);
}
