// The target's own preparation of the process, which AfxWinMain makes before
// the application's InitInstance: what the program's API calls need of the
// process on this target and that the program itself never asks for.
#pragma once

namespace platform::framework {

// Never fails as far as the program can tell: whatever cannot be prepared
// leaves the process as it was, and the API calls that needed it report
// their own failure as usual.
void prepare_process();

}
