// TEMPORARY: replaced by the update window's CheckForUpdate.
#include "app/FormMain.h"
namespace nimbral {
void TfrmMain::CheckForUpdate() {}
}
