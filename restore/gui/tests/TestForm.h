// A form built by the test: controls and click procedures of its choosing.
#pragma once

#include "restore/run/FormModel.h"

#include <string>

namespace vrel::test {

class TestForm : public restore::FormModel {
 public:
  explicit TestForm(std::string name = "frmTest") : FormModel(std::move(name)) {}
  using FormModel::add;
  using FormModel::onClick;
};

}  // namespace vrel::test
