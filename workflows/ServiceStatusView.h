#pragma once
// Shows the outcome of a checked face reply on a page: its error box (with
// the code, description and message boxes) and its status lamp. One helper
// serves every face workflow.
class QGroupBox;
class QLineEdit;

namespace velmora {

class ShapeBox;
struct ServiceStatus;

struct ErrorBox {
  QGroupBox* box;
  QLineEdit* code;
  QLineEdit* description;
  QLineEdit* message;
};

// A failed reply: the three texts of the status into the box, the box shown,
// the lamp red.
void showServiceFailure(const ErrorBox& errorBox, ShapeBox* lamp, const ServiceStatus& status);

// A good reply: the box hidden, the lamp green.
void showServiceSuccess(const ErrorBox& errorBox, ShapeBox* lamp);

}  // namespace velmora
