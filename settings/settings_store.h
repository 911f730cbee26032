// The per-user settings store: the scan parameters kept between uses under
// HKEY_CURRENT_USER\<profile path of the module>\Settings, one registry value per
// member of ScanSettings.
#pragma once

#include "settings/scan_settings.h"

// Fills every member but Palette from the store; a value that is missing, cannot
// be read or has the wrong registry type or size takes its default. Always true.
bool LoadSettings(ScanSettings& settings);

// Writes all 31 values in their fixed order, stopping at the first write that
// fails. True when every write succeeded.
bool SaveSettings(const ScanSettings& settings);

// The store's key below HKEY_CURRENT_USER ("software\Brightmoor\DUNMERE.DLL\Settings").
std::string SettingsKeyPath();
