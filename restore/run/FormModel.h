// A form as data: its caption and its controls, each with text, enabled,
// visible and ticked state. Event procedures change the model; front-ends
// render it and forward the administrator's clicks. A check box fires its
// click procedure whenever its value changes, by code or by a click, as a
// Windows form does.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vrel::restore {

enum class ControlKind { Frame, TextBox, Button, CheckBox, Label, Menu, Option, Grid };

struct Control {
  std::string name;     // "chkRestoreMessages", "lblCheckBoxLables(3)", "mnuHelp"
  ControlKind kind = ControlKind::Label;
  std::string caption;  // caption, or the text of a text box
  bool enabled = true;
  bool visible = true;
  int value = 0;        // check box: 0 unticked, 1 ticked; option button: 1 selected
  std::string tag;
  std::string fontName;  // empty: the front-end's default font
  int charset = 1;
  std::string container;  // the frame that holds it, if any
};

class FormModel {
 public:
  explicit FormModel(std::string name) : m_name(std::move(name)) {}
  virtual ~FormModel() = default;
  FormModel(const FormModel&) = delete;
  FormModel& operator=(const FormModel&) = delete;

  const std::string& name() const { return m_name; }
  std::string caption;

  // The control of that name (exact); throws std::out_of_range when absent.
  Control& control(std::string_view name);
  const Control& control(std::string_view name) const;
  Control* find(std::string_view name);
  const std::vector<std::unique_ptr<Control>>& controls() const { return m_controls; }

  // Sets a check box and fires its click procedure when the value changed.
  void setValue(std::string_view name, int value);
  // A click by the administrator: a check box toggles (and fires through
  // setValue), any other control fires its click procedure.
  void click(std::string_view name);
  // A double click (a grid's row): fires the control's DblClick procedure.
  void dblClick(std::string_view name);

  // The caption routine (the form's name + "_Auto_Init"): puts the localised
  // captions on the form.
  virtual void Auto_Init() {}

  // Bumped on every change a front-end should show; front-ends compare it.
  unsigned revision() const { return m_revision; }
  void touch() { ++m_revision; }

 protected:
  Control& add(std::string name, ControlKind kind, std::string container = {});
  // Binds a control's click procedure.
  void onClick(std::string_view name, std::function<void()> handler);
  void onDblClick(std::string_view name, std::function<void()> handler);

 private:
  std::string m_name;
  std::vector<std::unique_ptr<Control>> m_controls;
  std::vector<std::pair<std::string, std::function<void()>>> m_handlers;
  std::vector<std::pair<std::string, std::function<void()>>> m_dblClickHandlers;
  unsigned m_revision = 0;
};

}  // namespace vrel::restore
