// The dialog classes behind PasswordDialogs.h. Callers normally use the Run*/Authorize functions;
// the classes are public so that a dialog can be constructed, filled and driven without exec().
#pragma once

#include "proj/ui/AccountDialogs.h"
#include "proj/ui/PasswordDialogBase.h"
#include "proj/ui/UnlockPrompts.h"
