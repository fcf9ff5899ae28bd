#include "frame/frame_rules.h"

const char *SkipProgramName(const char *commandLine) {
    const char *p = commandLine;
    if (*p == '"') {
        // A quoted name may contain spaces; an unterminated quote takes the whole line.
        do {
            p = CharNextA(p);
        } while (*p != '\0' && *p != '"');
        if (*p == '"')
            p = CharNextA(p);
    } else {
        while ((unsigned char)*p > ' ')
            p = CharNextA(p);
    }
    while (*p != '\0' && (unsigned char)*p <= ' ')
        p = CharNextA(p);
    return p;
}

DWORD ParseWindowHandle(const char *text) {
    DWORD value = 0;
    for (; *text >= '0' && *text <= '9'; text++)
        value = value * 10 + (DWORD)(*text - '0');
    return value;
}

static const char *SkipSpaces(const char *p) {
    while (*p == ' ')
        p++;
    return p;
}

SaverMode SelectSaverMode(const char *arguments, const char **modeArgument) {
    const char *p = arguments;
    while (*p == ' ' || *p == '-' || *p == '/')
        p++;
    *modeArgument = p;
    switch (*p) {
    case '\0':
        return MODE_SETTINGS;
    case 'S':
    case 's':
        return MODE_FULL_SCREEN;
    case 'C':
    case 'c':
        return MODE_SETTINGS_OWNED;
    case 'P':
    case 'p':
    case 'L':
    case 'l':
        *modeArgument = SkipSpaces(p + 1);
        return MODE_PREVIEW;
    case 'A':
    case 'a':
        *modeArgument = SkipSpaces(p + 1);
        return MODE_CHANGE_PASSWORD;
    default:
        return MODE_INVALID;
    }
}

static DWORD Distance(LONG a, LONG b) {
    return a > b ? (DWORD)a - (DWORD)b : (DWORD)b - (DWORD)a;
}

DWORD MouseTravel(POINT anchor, POINT now) {
    return Distance(now.x, anchor.x) + Distance(now.y, anchor.y);
}

bool PasswordCheckDue(DWORD lastTick, DWORD now) {
    return lastTick == NO_PASSWORD_CHECK_YET || now - lastTick >= PASSWORD_RECHECK_MS;
}

bool NeedsBlanket(const RECT &monitor, const RECT &saverWindow) {
    return monitor.left < saverWindow.left || monitor.top < saverWindow.top ||
           monitor.right > saverWindow.right || monitor.bottom > saverWindow.bottom;
}
