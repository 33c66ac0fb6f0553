// The process-wide options record; all fields 0 at process start.
#include "settings/settings.h"

CradleSettings cradleSettings;
