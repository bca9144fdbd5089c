#pragma once
// Template 102: the main dialog.

#include "platform/dialog/DialogTemplate.h"

const DlgTemplate& MainDialogTemplate();
