#include "restore/gui/FormLayout.h"

#include "restore/gui/tests/QtTestSupport.h"
#include "restore/gui/tests/TestForm.h"

#include <gtest/gtest.h>

namespace vrel::test {
namespace {

using restore::ControlKind;

std::vector<std::vector<std::string>> namesOf(const std::vector<restore::LayoutRow>& rows) {
  std::vector<std::vector<std::string>> out;
  for (const auto& row : rows) {
    out.emplace_back();
    for (const restore::Control* c : row.cells) out.back().push_back(c->name);
  }
  return out;
}

struct RowCase {
  const char* name;
  std::vector<std::pair<const char*, ControlKind>> controls;  // all in frame "f"
  std::vector<std::vector<std::string>> rows;
};

class RowRules : public ::testing::TestWithParam<RowCase> {};

TEST_P(RowRules, GroupControlsIntoRows) {
  TestForm form;
  form.add("f", ControlKind::Frame);
  for (const auto& [name, kind] : GetParam().controls) form.add(name, kind, "f");
  EXPECT_EQ(namesOf(restore::arrangeRows(form, "f", {})), GetParam().rows);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RowRules,
    ::testing::Values(
        RowCase{"CheckBoxWithItsLabel",
                {{"chkA", ControlKind::CheckBox}, {"lblA", ControlKind::Label}},
                {{"chkA", "lblA"}}},
        RowCase{"LabelTextBoxButton",
                {{"lbl", ControlKind::Label}, {"txt", ControlKind::TextBox}, {"cmd", ControlKind::Button}},
                {{"lbl", "txt", "cmd"}}},
        RowCase{
            "ButtonsStandAlone", {{"cmd1", ControlKind::Button}, {"cmd2", ControlKind::Button}}, {{"cmd1"}, {"cmd2"}}},
        RowCase{"LabelAfterLabelStartsARow",
                {{"lbl1", ControlKind::Label}, {"lbl2", ControlKind::Label}},
                {{"lbl1"}, {"lbl2"}}},
        RowCase{"CheckBoxThenTextBoxAreTwoRows",
                {{"chk", ControlKind::CheckBox}, {"txt", ControlKind::TextBox}, {"cmd", ControlKind::Button}},
                {{"chk"}, {"txt", "cmd"}}},
        RowCase{"MenusAreNoRows", {{"mnu", ControlKind::Menu}, {"lbl", ControlKind::Label}}, {{"lbl"}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FormLayout, CaptionedCheckBoxKeepsItsOwnRow) {
  TestForm form;
  form.add("chk", ControlKind::CheckBox).caption = "Restore Messages";
  form.add("lbl", ControlKind::Label);
  EXPECT_EQ(namesOf(restore::arrangeRows(form, "", {})), (std::vector<std::vector<std::string>>{{"chk"}, {"lbl"}}));
}

TEST(FormLayout, FormLevelButtonsGoToTheBottomRow) {
  TestForm form;
  form.add("cmdOK", ControlKind::Button);
  form.add("frame", ControlKind::Frame);
  form.add("lbl", ControlKind::Label);
  form.add("cmdCancel", ControlKind::Button);
  form.add("cmdInFrame", ControlKind::Button, "frame");
  EXPECT_EQ(namesOf(restore::arrangeRows(form, "", {})), (std::vector<std::vector<std::string>>{{"frame"}, {"lbl"}}));
  std::vector<std::string> buttons;
  for (const restore::Control* c : restore::formButtons(form)) buttons.push_back(c->name);
  EXPECT_EQ(buttons, (std::vector<std::string>{"cmdOK", "cmdCancel"}));
}

TEST(FormLayout, RowOrderPutsNamedRowsFirstAndKeepsTheRest) {
  TestForm form;
  for (const char* name : {"a", "b", "c", "d"}) form.add(name, ControlKind::Button, "f");
  restore::FormLayout layout;
  layout.rowOrder["f"] = {"c", "a"};
  EXPECT_EQ(namesOf(restore::arrangeRows(form, "f", layout)),
            (std::vector<std::vector<std::string>>{{"c"}, {"a"}, {"b"}, {"d"}}));
}

TEST(FormLayout, MainFormShowsProgressInRunOrderWithLabels) {
  QtProgram p;
  const restore::FormLayout layout = restore::layoutFor(*p.form);
  const auto rows = namesOf(restore::arrangeRows(*p.form, "frameProgress", layout));
  ASSERT_EQ(rows.size(), restore::frmMain::kProgress.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const auto& box = restore::frmMain::kProgress[i];
    EXPECT_EQ(rows[i], (std::vector<std::string>{box.checkBox, "lblCheckBoxLables(" + std::to_string(box.label) + ")"}))
        << "row " << i;
  }
  EXPECT_EQ(namesOf(restore::arrangeRows(*p.form, "frameBackupLocation", layout)),
            (std::vector<std::vector<std::string>>{{"txtTargetPath", "cmdBrowse"}}));
  EXPECT_EQ(namesOf(restore::arrangeRows(*p.form, "", layout)),
            (std::vector<std::vector<std::string>>{{"frameBackupLocation"}, {"frmOptions"}, {"frameProgress"}}));
  EXPECT_TRUE(layout.readOnly.count("txtTargetPath"));
}

}  // namespace
}  // namespace vrel::test
