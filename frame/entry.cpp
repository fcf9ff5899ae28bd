// The process entry. The program runs without the C runtime's start-up code: it needs no
// argument vector, no static constructors and no environment copy, only its command line.
#include "frame/saver_state.h"
#include "frame/frame_rules.h"

extern "C" void WINAPI SaverEntry() {
    const char *arguments = SkipProgramName(GetCommandLineA());
    ExitProcess((UINT)SaverMain(GetModuleHandleA(NULL), arguments));
}
