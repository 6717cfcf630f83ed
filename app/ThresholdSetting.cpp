#include "app/ThresholdSetting.h"

#include <QComboBox>

#include "app/config/ConfigFile.h"
#include "app/toolkit/TextBridge.h"

namespace velmora {

void restoreThreshold(QComboBox* box, const ConfigFile& config) {
  const Text stored = config.value(ConfigFile::kThreshold);
  if (!stored.empty()) box->setEditText(toQString(stored));
}

void keepThreshold(QComboBox* box, const ConfigFile& config) {
  auto store = [box, config] { config.setValue(ConfigFile::kThreshold, toText(box->currentText())); };
  QObject::connect(box, &QComboBox::activated, box, store);
  QObject::connect(box, &QComboBox::editTextChanged, box, store);
}

}  // namespace velmora
