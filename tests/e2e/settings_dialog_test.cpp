// The settings dialog driven as a user drives it, and the settings file it leaves behind.
#include <gtest/gtest.h>

#include <string>

#include "harness/saver_run.h"
#include "harness/seeded_random.h"
#include "pinned.h"

namespace {

using pinned::QUIET_BOX;
using pinned::TIME_FROM_BAR;
using pinned::TIME_TO_BAR;
const int TIME_TO = pinned::TIME_TO_BOX, TIME_FROM = pinned::TIME_FROM_BOX;
const DWORD DIALOG_DONE = pinned::DIALOG_EXIT; // OK and cancel alike

const std::string SECTION = SettingsHeader();

// The text of a control of the other process: WM_GETTEXT is carried across, GetWindowText is not.
std::string ControlText(HWND dialog, int id) {
    char text[256] = "";
    DWORD_PTR length = 0;
    SendMessageTimeoutA(GetDlgItem(dialog, id), WM_GETTEXT, sizeof(text), (LPARAM)text, SMTO_BLOCK,
                        EXIT_MS, &length);
    return text;
}

bool IsTicked(HWND dialog) {
    return SendMessageA(GetDlgItem(dialog, QUIET_BOX), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

// The arrows as the scroll bar reports them.
void Step(HWND dialog, int bar, int code, int times = 1) {
    for (int k = 0; k < times; k++)
        SendMessageA(dialog, WM_VSCROLL, MAKEWPARAM(code, 0), (LPARAM)GetDlgItem(dialog, bar));
}

// A real click on a scroll bar's upper or lower arrow.
void ClickArrow(HWND dialog, int bar, bool up) {
    RECT bounds;
    GetWindowRect(GetDlgItem(dialog, bar), &bounds);
    POINT arrow = {(bounds.left + bounds.right) / 2, up ? bounds.top + 2 : bounds.bottom - 3};
    ClickLeftAt(arrow);
}

void ClickControl(HWND dialog, int id) {
    RECT bounds;
    GetWindowRect(GetDlgItem(dialog, id), &bounds);
    ClickLeftAt(POINT{bounds.left + 6, (bounds.top + bounds.bottom) / 2});
}

// The settings file as the saver writes it.
std::string SettingsNow() {
    return ReadWholeFile(SettingsFile());
}

// The boxes show the hours, once the input before has reached the dialog.
#define EXPECT_HOURS(dialog, from, to)                                                             \
    do {                                                                                           \
        WaitUntil(INPUT_MS, [&] {                                                                  \
            return ControlText(dialog, TIME_FROM) == (from) &&                                     \
                   ControlText(dialog, TIME_TO) == (to);                                           \
        });                                                                                        \
        EXPECT_EQ(from, ControlText(dialog, TIME_FROM));                                           \
        EXPECT_EQ(to, ControlText(dialog, TIME_TO));                                               \
    } while (0)

bool BecomesTicked(HWND dialog, bool ticked) {
    return WaitUntil(INPUT_MS, [&] { return IsTicked(dialog) == ticked; });
}

class SettingsDialog : public testing::Test {
  protected:
    void SetUp() override {
        run.OwnSettingsFile();
    }

    void Open(const std::string &arguments = "/c") {
        StopSaver(&run.saver);
        ASSERT_TRUE(run.Launch(arguments));
        dialog = WaitForVisibleWindow(run.saver, pinned::DIALOG_TITLE);
        ASSERT_TRUE(dialog != NULL) << "no dialog for \"" << arguments << "\"";
        ASSERT_EQ(0u, WaitForInputIdle(run.saver.info.hProcess, START_MS));
    }

    void PressOk() {
        ClickControl(dialog, IDOK);
        EXPECT_EQ(DIALOG_DONE, WaitForExit(run.saver));
    }

    // The full-screen saver runs on the file as it is, and a key ends it.
    void RunTheSaver() {
        ParkCursor(100, 100);
        ASSERT_TRUE(run.Start() != NULL);
        PressKey(VK_SHIFT);
        EXPECT_EQ(0u, WaitForExit(run.saver));
    }

    void PressEscape() {
        SetForegroundWindow(dialog);
        ASSERT_TRUE(WaitUntil(INPUT_MS, [this] { return GetForegroundWindow() == dialog; }));
        PressKey(VK_ESCAPE);
        EXPECT_EQ(DIALOG_DONE, WaitForExit(run.saver));
    }

    SaverRun run;
    HWND dialog = NULL;
};

TEST_F(SettingsDialog, OpensWithoutArgumentsAndWithC) {
    for (const char *arguments : {"", "/c", "-C", "/c:1234"}) {
        SCOPED_TRACE(arguments);
        Open(arguments);
        EXPECT_EQ("#32770", WindowClass(dialog));
        // The system adds clipping and the 3-D look to what the template asks for.
        const DWORD style = pinned::DIALOG_STYLE;
        EXPECT_EQ(style, (DWORD)GetWindowLongA(dialog, GWL_STYLE) & style);
        EXPECT_TRUE(GetWindowLongA(dialog, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
        EXPECT_EQ("I love The Quorvanels", ControlText(dialog, IDOK));
        EXPECT_EQ("Don't play music if saver starts between.", ControlText(dialog, QUIET_BOX));
        PressEscape();
    }
}

TEST_F(SettingsDialog, FirstUseShowsTheDefaultHours) {
    Open();
    EXPECT_HOURS(dialog, "20:00", "08:00");
    EXPECT_FALSE(IsTicked(dialog));
    PressEscape();
    EXPECT_FALSE(FileExists(SettingsFile()));
}

TEST_F(SettingsDialog, ArrowsStepAndWrapBothHours) {
    Open();
    ClickArrow(dialog, TIME_FROM_BAR, true);
    EXPECT_HOURS(dialog, "21:00", "08:00");
    ClickArrow(dialog, TIME_TO_BAR, false);
    EXPECT_HOURS(dialog, "21:00", "07:00");

    Step(dialog, TIME_FROM_BAR, SB_LINEUP, 2);
    EXPECT_HOURS(dialog, "23:00", "07:00");
    Step(dialog, TIME_FROM_BAR, SB_LINEUP);
    EXPECT_HOURS(dialog, "00:00", "07:00");
    Step(dialog, TIME_TO_BAR, SB_LINEDOWN, 7);
    EXPECT_HOURS(dialog, "00:00", "00:00");
    Step(dialog, TIME_TO_BAR, SB_LINEDOWN);
    EXPECT_HOURS(dialog, "00:00", "23:00");
    Step(dialog, TIME_FROM_BAR, SB_LINEDOWN);
    EXPECT_HOURS(dialog, "23:00", "23:00");
    // Paging and dragging are not hours.
    for (int code : {SB_PAGEUP, SB_PAGEDOWN, SB_THUMBTRACK, SB_THUMBPOSITION, SB_ENDSCROLL})
        Step(dialog, TIME_FROM_BAR, code);
    EXPECT_HOURS(dialog, "23:00", "23:00");
    PressEscape();
}

TEST_F(SettingsDialog, OkStoresTheSettings) {
    Open("");
    ClickControl(dialog, QUIET_BOX);
    EXPECT_TRUE(BecomesTicked(dialog, true));
    PressOk();
    EXPECT_EQ(SettingsText(20, 8, 1), SettingsNow());

    Open();
    EXPECT_HOURS(dialog, "20:00", "08:00");
    EXPECT_TRUE(IsTicked(dialog));
    Step(dialog, TIME_FROM_BAR, SB_LINEDOWN);
    ClickControl(dialog, QUIET_BOX);
    PressOk();
    EXPECT_EQ(SettingsText(19, 8, 0), SettingsNow());
}

TEST_F(SettingsDialog, EscapeAndTheCloseBoxStoreNothing) {
    ASSERT_TRUE(WriteWholeFile(SettingsFile(), SettingsText(21, 6, 1)));
    const std::string before = SettingsNow();
    Open();
    Step(dialog, TIME_FROM_BAR, SB_LINEUP, 3);
    ClickControl(dialog, QUIET_BOX);
    PressEscape();
    EXPECT_EQ(before, SettingsNow());

    Open();
    EXPECT_HOURS(dialog, "21:00", "06:00");
    Step(dialog, TIME_TO_BAR, SB_LINEUP);
    PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(DIALOG_DONE, WaitForExit(run.saver));
    EXPECT_EQ(before, SettingsNow());
}

TEST_F(SettingsDialog, MidnightIsStoredButShownAsTheFirstUseHour) {
    Open();
    Step(dialog, TIME_FROM_BAR, SB_LINEUP, 4);
    Step(dialog, TIME_TO_BAR, SB_LINEDOWN, 8);
    EXPECT_HOURS(dialog, "00:00", "00:00");
    PressOk();
    EXPECT_EQ(SettingsText(0, 0, 0), SettingsNow());

    Open();
    EXPECT_HOURS(dialog, "20:00", "08:00");
    PressEscape();
}

TEST_F(SettingsDialog, TypingIntoABoxStoresNothing) {
    ASSERT_TRUE(WriteWholeFile(SettingsFile(), SettingsText(22, 5, 1)));
    Open();
    ClickControl(dialog, TIME_FROM);
    for (int key : {VK_END, VK_BACK, VK_BACK, VK_BACK, VK_BACK, VK_BACK, (int)'1', (int)'5'})
        PressKey((WORD)key);
    EXPECT_TRUE(WaitUntil(INPUT_MS, [&] { return ControlText(dialog, TIME_FROM) == "15"; }));
    // The next arrow rewrites the box from the hour it keeps.
    Step(dialog, TIME_TO_BAR, SB_LINEUP);
    EXPECT_HOURS(dialog, "22:00", "06:00");

    ClickControl(dialog, TIME_TO);
    PressKey('9'); // reaches the box before the click on OK, which follows it in the input queue
    PressOk();
    EXPECT_EQ(SettingsText(22, 6, 1), SettingsNow());
}

// What a hand-edited or damaged file shows, and that the saver still runs on it.
TEST_F(SettingsDialog, DamagedFilesShowSomethingSensible) {
    const std::string longValue(5000, '7');
    const std::string binary("\x00\xff\xfe[\x01\x02=\x03\n\x00\x80", 11);
    struct {
        const char *what;
        std::string content;
        const char *from, *to;
        bool ticked;
    } const cases[] = {
        {"empty", "", "20:00", "08:00", false},
        {"no section", "TimeFrom=3\r\nActive=1\r\n", "20:00", "08:00", false},
        {"another section", "[Other]\r\nTimeFrom=3\r\n", "20:00", "08:00", false},
        {"garbage values", SECTION + "\r\nTimeFrom=abc\r\nTimeTo=7x\r\nActive=yes\r\n", "20:00",
         "07:00", false},
        {"hours out of range", SECTION + "\r\nTimeFrom=25\r\nTimeTo=-3\r\nActive=2\r\n", "25:00",
         nullptr, true},
        {"negative active", SECTION + "\r\nActive=-1\r\n", "20:00", "08:00", true},
        {"a value longer than any buffer", SECTION + "\r\nTimeTo=" + longValue + "\r\n", "20:00",
         nullptr, false},
        {"huge numbers", SECTION + "\r\nTimeFrom=99999999999\r\nTimeTo=-99999999999\r\n", nullptr,
         nullptr, false},
        {"binary bytes", binary, "20:00", "08:00", false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(WriteWholeFile(SettingsFile(), c.content));
        Open();
        if (c.from != nullptr) {
            EXPECT_EQ(c.from, ControlText(dialog, TIME_FROM));
        }
        if (c.to != nullptr) {
            EXPECT_EQ(c.to, ControlText(dialog, TIME_TO));
        }
        EXPECT_EQ(c.ticked, IsTicked(dialog));
        PressEscape();
        RunTheSaver();
    }
}

TEST_F(SettingsDialog, AHandEditedHourPastTheDayWrapsOnTheFirstStep) {
    ASSERT_TRUE(WriteWholeFile(SettingsFile(), SECTION + "\r\nTimeFrom=25\r\n"));
    Open();
    EXPECT_HOURS(dialog, "25:00", "08:00");
    Step(dialog, TIME_FROM_BAR, SB_LINEUP);
    EXPECT_HOURS(dialog, "00:00", "08:00");
    PressEscape();

    Open();
    Step(dialog, TIME_FROM_BAR, SB_LINEDOWN);
    EXPECT_HOURS(dialog, "24:00", "08:00");
    PressEscape();
}

TEST_F(SettingsDialog, OkKeepsTheRestOfTheFile) {
    const std::string other = "[Other]\r\nName=kept\r\n";
    ASSERT_TRUE(WriteWholeFile(SettingsFile(), other));
    Open();
    PressOk();
    std::string lines = SettingsNow();
    EXPECT_EQ(0u, lines.find(other)) << lines;
    EXPECT_NE(std::string::npos, lines.find(SettingsText(20, 8, 0))) << lines;
}

// The message box the dialog shows over itself, and the texts of its children.
HWND WaitForBoxOwnedBy(HWND dialog) {
    HWND box = NULL;
    WaitUntil(INPUT_MS, [&] {
        for (HWND window : WindowsBelow(NULL))
            if (GetWindow(window, GW_OWNER) == dialog && IsWindowVisible(window))
                box = window;
        return box != NULL;
    });
    return box;
}

std::string TextsOf(HWND box) {
    std::string texts;
    for (HWND child : WindowsBelow(box))
        texts += ControlText(box, GetDlgCtrlID(child)) + "\n";
    return texts;
}

std::string SettingsFileForTheUser() {
    char folder[MAX_PATH];
    GetWindowsDirectoryA(folder, sizeof(folder));
    return std::string(folder) + "\\" + pinned::SETTINGS_FILE;
}

// Wine run as root writes read-only files and folders all the same; a folder standing where the
// file goes, or a file held open by another program, is what cannot be written here. OK then
// says so, and the dialog stays for another try or an Esc.
TEST_F(SettingsDialog, OkThatCannotSaveSaysSoAndStays) {
    const std::string content = SettingsText(21, 7, 1);
    const struct {
        const char *what;
        bool folder; // a folder in the file's place, taken away before the second OK
    } cases[] = {{"a folder in its place", true}, {"a file held open", false}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        HANDLE held = INVALID_HANDLE_VALUE;
        if (c.folder) {
            ASSERT_TRUE(CreateDirectoryA(SettingsFile().c_str(), NULL));
            run.AtEnd([] { RemoveDirectoryA(SettingsFile().c_str()); });
        } else {
            ASSERT_TRUE(WriteWholeFile(SettingsFile(), content));
            held = CreateFileA(SettingsFile().c_str(), GENERIC_READ, FILE_SHARE_READ, NULL,
                               OPEN_EXISTING, 0, NULL);
            ASSERT_NE(INVALID_HANDLE_VALUE, held);
        }
        Open();
        Step(dialog, TIME_FROM_BAR, SB_LINEUP);
        ClickControl(dialog, IDOK);
        HWND box = WaitForBoxOwnedBy(dialog);
        ASSERT_TRUE(box != NULL) << "no message";
        EXPECT_EQ(pinned::DIALOG_TITLE, WindowTitle(box));
        EXPECT_NE(std::string::npos, Lower(TextsOf(box)).find(Lower(SettingsFileForTheUser())))
            << TextsOf(box);
        SetForegroundWindow(box);
        PressKey(VK_RETURN);
        EXPECT_TRUE(WaitUntil(INPUT_MS, [&] { return !IsWindow(box); }));
        EXPECT_TRUE(StillRunning(run.saver, 0));
        EXPECT_TRUE(IsWindowVisible(dialog));
        if (c.folder) {
            ASSERT_TRUE(RemoveDirectoryA(SettingsFile().c_str()));
            PressOk();
            EXPECT_EQ(SettingsText(21, 8, 0), SettingsNow());
        } else {
            PressEscape();
            CloseHandle(held);
            EXPECT_EQ(content, SettingsNow());
        }
    }
}

// Settings files cut short and made of noise: the dialog opens and the saver runs on each.
class DamagedSettings : public SettingsDialog {};

TEST_F(DamagedSettings, RandomAndTruncatedFiles) {
    const std::string whole = SettingsText(21, 7, 1);
    const char noise[] = "[]=\r\n\n;#QuorvanelsScreenSaverTimeFromTo Active-0123456789\x00\xff\x80";
    SeededRandom random = {7};
    for (int k = 0; k < 8; k++) {
        std::string content;
        if (k % 2 == 0) {
            content = whole.substr(0, random.Next() % whole.size());
        } else {
            for (uint32_t n = random.Next() % 200; n > 0; n--)
                content += noise[random.Next() % (sizeof(noise) - 1)];
        }
        SCOPED_TRACE(testing::Message() << "file " << k << ": " << testing::PrintToString(content));
        ASSERT_TRUE(WriteWholeFile(SettingsFile(), content));

        Open();
        PressEscape();
        RunTheSaver();
    }
}

} // namespace
