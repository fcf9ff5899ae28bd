// The desktop's password setting and flag as the password tests set them up and read them.
#ifndef QUORVANE_PASSWORD_DOUBLES_H
#define QUORVANE_PASSWORD_DOUBLES_H

#include <windows.h>
#include <string>

struct SaverRun;

// The password module's double beside the saver logs here, a line a call.
const char PASSWORD_LOG[] = "fake_password.log";
// Its line for one check of the password, owned by `window`.
std::string Asked(HWND window, int answer);

// The system's screen-saver-running flag as a process started now would read it. Wine keeps the
// flag in a registry value of its own, and every process reads that once and then keeps its own
// copy: this process's SystemParametersInfo would never see the saver change it.
bool SaverRunningFlag();
// Through the system, which writes Wine's value too.
void ClearSaverRunningFlag();

// The cursor of the foreground window's thread: the saver's while it is in front.
HCURSOR ForegroundCursor();

// "ScreenSaveUsePassword" under the desktop's key: absent, or a type and its bytes.
struct PasswordValue {
    bool present;
    DWORD type;
    std::string bytes;
};

const PasswordValue NO_VALUE = {false, REG_NONE, ""};
PasswordValue Dword(DWORD value);
PasswordValue Binary(const std::string &bytes);
PasswordValue ReadPasswordValue();
void WritePasswordValue(const PasswordValue &value);

// The run reports Windows 95, whose password lock it uses; the desktop's password setting is
// restored and the running flag cleared at its end.
void UseWindows95Password(SaverRun *run);

// The most checks a saver may ask for while input keeps coming over this span: one at once, one
// after each interval, and one more for input still queued as the span ends.
size_t MostChecks(DWORD spanMs);

#endif
