#pragma once
// Template 102: the main dialog.

#include "platform/DialogTemplate.h"

const DlgTemplate& MainDialogTemplate();
