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
    return monitor.right <= saverWindow.left || monitor.left >= saverWindow.right ||
           monitor.bottom <= saverWindow.top || monitor.top >= saverWindow.bottom;
}

static bool SameRect(const RECT &a, const RECT &b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

BlanketPlan PlanBlankets(const RECT *monitors, int monitorCount, const RECT &saverWindow,
                         const RECT *blankets, int blanketCount) {
    BlanketPlan plan;
    bool taken[MOST_MONITORS];
    for (int m = 0; m < MOST_MONITORS; m++) {
        plan.cover[m] = NO_MONITOR;
        plan.fresh[m] = false;
        taken[m] = m >= monitorCount || !NeedsBlanket(monitors[m], saverWindow);
    }
    for (int b = 0; b < blanketCount; b++)
        for (int m = 0; m < monitorCount && plan.cover[b] == NO_MONITOR; m++)
            if (!taken[m] && SameRect(blankets[b], monitors[m])) {
                plan.cover[b] = m;
                taken[m] = true;
            }
    int next = 0;
    for (int b = 0; b < blanketCount; b++) {
        while (next < monitorCount && taken[next])
            next++;
        if (plan.cover[b] == NO_MONITOR && next < monitorCount) {
            plan.cover[b] = next;
            taken[next] = true;
        }
    }
    for (int m = 0; m < monitorCount; m++)
        plan.fresh[m] = !taken[m];
    return plan;
}
