#include "workflows/ServiceStatusView.h"

#include <QGroupBox>
#include <QLineEdit>

#include "app/toolkit/Colors.h"
#include "app/toolkit/ShapeBox.h"
#include "app/toolkit/TextBridge.h"
#include "vision/ServiceStatus.h"

namespace velmora {

void showServiceFailure(const ErrorBox& errorBox, ShapeBox* lamp, const ServiceStatus& status) {
  errorBox.code->setText(toQString(status.errorCode));
  errorBox.description->setText(toQString(status.description));
  errorBox.message->setText(toQString(status.message));
  errorBox.box->setVisible(true);
  lamp->setFillColor(kRed);
}

void showServiceSuccess(const ErrorBox& errorBox, ShapeBox* lamp) {
  errorBox.box->setVisible(false);
  lamp->setFillColor(kGreen);
}

}  // namespace velmora
