#pragma once

#include "core/Utility.h"

#include <QString>

// The per-user settings store: text values in $XDG_CONFIG_HOME/kozeran/kozeran.conf,
// names matched regardless of case. A missing value reads as empty text.
QString SettingsFile();
QString ReadSetting(const QString& key);
void WriteSetting(const QString& key, const QString& value);

// The user's rounding of averages: half to even when RoundON is exactly "TRUE".
RoundingRule RoundingRuleSetting();

// The decimals of averages on screen and in print (OndoAvgKetasu): 1 until the user chose, 0 to 3.
int AverageDecimalsSetting();
