#include "restore/run/FormModel.h"

#include <stdexcept>

namespace vrel::restore {

Control* FormModel::find(std::string_view name) {
  for (auto& c : m_controls)
    if (c->name == name) return c.get();
  return nullptr;
}

Control& FormModel::control(std::string_view name) {
  if (Control* c = find(name)) return *c;
  throw std::out_of_range("no control " + std::string(name) + " on " + m_name);
}

const Control& FormModel::control(std::string_view name) const {
  return const_cast<FormModel*>(this)->control(name);
}

Control& FormModel::add(std::string name, ControlKind kind, std::string container) {
  auto c = std::make_unique<Control>();
  c->name = std::move(name);
  c->kind = kind;
  c->container = std::move(container);
  m_controls.push_back(std::move(c));
  return *m_controls.back();
}

void FormModel::onClick(std::string_view name, std::function<void()> handler) {
  m_handlers.emplace_back(std::string(name), std::move(handler));
}

void FormModel::onDblClick(std::string_view name, std::function<void()> handler) {
  m_dblClickHandlers.emplace_back(std::string(name), std::move(handler));
}

void FormModel::dblClick(std::string_view name) {
  if (!control(name).enabled) return;
  for (auto& [n, h] : m_dblClickHandlers)
    if (n == name) h();
  touch();
}

void FormModel::setValue(std::string_view name, int value) {
  Control& c = control(name);
  if (c.value == value) return;
  c.value = value;
  touch();
  for (auto& [n, h] : m_handlers)
    if (n == name) h();
}

void FormModel::click(std::string_view name) {
  Control& c = control(name);
  if (!c.enabled) return;
  if (c.kind == ControlKind::CheckBox) {
    setValue(name, c.value ? 0 : 1);
    return;
  }
  // An option button is selected, and the others of its frame are not.
  if (c.kind == ControlKind::Option) {
    for (auto& other : m_controls)
      if (other->kind == ControlKind::Option && other->container == c.container) other->value = 0;
    c.value = 1;
  }
  for (auto& [n, h] : m_handlers)
    if (n == name) h();
  touch();
}

}  // namespace vrel::restore
