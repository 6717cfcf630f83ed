#pragma once
// The similarity threshold kept in config.ini under "yuzhi".
class QComboBox;

namespace velmora {

class ConfigFile;

// Puts the stored threshold, unchanged and unchecked, into the box's edit
// text; an empty or missing value leaves the box as it is.
void restoreThreshold(QComboBox* box, const ConfigFile& config);

// From now on writes the box's current text to "yuzhi" whenever the user
// picks a list item and whenever the edit text changes. The box must outlive
// the config file object's use here: the config is copied.
void keepThreshold(QComboBox* box, const ConfigFile& config);

}  // namespace velmora
