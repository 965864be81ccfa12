// Test bed for the Windows tests: the main window created in this process, clipboard contents
// from "another application" (a window here, or a second process), message pumping, recorded
// boxes and beeps, scripted dialogs and pixels read back from the client area.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <stdint.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/Feedback.h"
#include "shell/AppState.h"

// ---- Messages ----

// Dispatches this thread's messages until none has arrived for quietMs (or limitMs passed).
// WM_QUIT (posted when the main window is destroyed) is taken off the queue and ignored.
void PumpMessages(DWORD quietMs = 40, DWORD limitMs = 4000);

// Pumps messages until condition() holds or limitMs passes; returns the last result.
template <typename Condition> bool PumpUntil(Condition condition, DWORD limitMs = 4000) {
    DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > limitMs) {
            return false;
        }
        PumpMessages(10, 50);
    }
    return true;
}

// Pumps until every message posted to this thread before the call, and every message those post
// in turn, has been handled (or limitMs passed): what a check that something does NOT follow a
// posted message waits for. False when the limit passed first.
bool PumpUntilPostedHandled(DWORD limitMs = 4000);

// ---- The main window in this process ----

// Resets `app`, registers the class once, records feedback into log, creates the main window
// with CreateMainWindow and (unless told not to) pumps until idle. Returns CreateMainWindow's
// result.
int StartMainWindow(FeedbackLog* log, int showCommand = SW_SHOWNORMAL, bool pump = true);

// Destroys the main window (leaving the chain) and stops recording feedback.
void StopMainWindow();

// ---- Clipboard contents from another application ----

// The registered private format used by the tests ("Kovel Test Private").
UINT PrivateFormat();

// A hidden top-level window of this process that stands for another application.
HWND OtherAppWindow();

// Empties the clipboard as owner and places the formats in this order (sample data for each:
// text, 8 x 8 bitmap, 8 x 8 DIB, 2-colour palette, private bytes). Pumps messages afterwards.
bool PlaceFormats(HWND owner, const std::vector<UINT>& formats);

// The same from a second process (this test program started with a helper argument), which
// ends after placing; messages are pumped while waiting for it.
bool PlaceFormatsFromOtherProcess(const std::vector<UINT>& formats);

// Empties the clipboard as owner and places the given handles in this order (the clipboard
// takes them over). Pumps messages afterwards.
bool PlaceHandles(HWND owner, const std::vector<std::pair<UINT, HANDLE>>& handles);

// A movable global block holding a copy of the bytes.
HGLOBAL GlobalBytes(const void* bytes, size_t size);

// Empties the clipboard as owner.
bool EmptyClipboardAs(HWND owner);

// The formats as EnumClipboardFormats lists them now. A clipboard that cannot be opened is a test
// failure and lists the one format ClipboardNotOpened (never a real format), so that it does not
// pass for an empty clipboard.
const UINT ClipboardNotOpened = 0;
std::vector<UINT> ClipboardFormats();

// "1, 16, 7, 13" for messages.
std::string FormatList(const std::vector<UINT>& formats);

// Starts this test program again with the arguments and waits for it (pumping messages);
// false when it could not be started.
bool RunTestProgram(const std::string& arguments, DWORD* exitCode);

// Runs the helper modes of the test program; returns -1 when argv asks for none.
//   --kovel-place=1,9,...    place these formats in this order, then end
//   --kovel-capture-screen   put the whole screen on the clipboard as CF_BITMAP (as PrtSc does)
//   --kovel-close-main       post WM_CLOSE to the running program's main window
//   --kovel-command=N        send WM_COMMAND N to the running program's main window
//   --kovel-place-text=F     place a few lines of sample text as format F (1 or 7)
//   --kovel-place-unicode    place a line in every script of ScriptSamples as CF_UNICODETEXT
//   --kovel-place-picture    place a colourful 1200 x 900 picture as CF_BITMAP
//   --kovel-drag=X1,Y1,X2,Y2 drag with the left button over the running program's client area
//   --kovel-save=N,PATH      send the save command N to the running program and answer its file
//                            dialog with PATH; ends when the file exists
int RunHelperMode(int argc, char** argv);

// ---- Windows observed by tests ----

// A window that joins the clipboard-viewer chain politely and counts what it receives.
struct TestViewer {
    HWND window = nullptr;
    HWND next = nullptr;                                 // next viewer after this one
    int drawCount = 0;                                   // WM_DRAWCLIPBOARD received
    std::vector<std::pair<WPARAM, LPARAM>> chainChanges; // WM_CHANGECBCHAIN received
};
// Creates the window and joins the chain (it becomes the first viewer).
void JoinViewer(TestViewer& viewer);
// Leaves the chain and destroys the window.
void LeaveViewer(TestViewer& viewer);

// Records the messages a window receives (by subclassing it) while it exists.
struct RecordedMessage {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};
void StartRecordingMessages(HWND window);
void StopRecordingMessages();
// How many recorded messages match message (and wParam's low 16 bits, unless anyWParam).
int CountRecorded(UINT message, WPARAM wParam, bool anyWParam = false);

// Makes another window of this process the active one (GetActiveWindow() == window).
bool ActivateWindow(HWND window);

// ---- Mouse ----

// Sends a mouse message for client point (x, y) to the window, the way the system does (the
// coordinates as signed 16-bit values, the left button flag while it is held), and pumps.
void SendMouse(HWND window, UINT message, int x, int y);

// A drag with the left button: button down at the first point, a move to each later point and,
// unless release is false, the button up at the last point.
void DragMouse(HWND window, const std::vector<POINT>& path, bool release = true);

// Holds the clipboard open from another thread, as another program busy with it would, from
// construction until Release or destruction.
class ClipboardHeld {
  public:
    ClipboardHeld();
    ~ClipboardHeld();
    ClipboardHeld(const ClipboardHeld&) = delete;
    ClipboardHeld& operator=(const ClipboardHeld&) = delete;
    bool Holding() const { return holding; } // the other thread has the clipboard open
    void Release();                          // closes it and ends the thread

  private:
    HANDLE thread = nullptr;
    HANDLE opened = nullptr;
    HANDLE release = nullptr;
    bool holding = false;
};

// ---- Dialogs ----

// The dialog driver. Steps carried out on a dialog of this thread, one per timer tick, the way a
// user would: typed text, the focus moved, buttons and check boxes clicked (BM_CLICK), the Enter
// key pressed in the focused control, a name typed into the common file dialog and accepted.
// Waits for a visible dialog with the given title (any dialog when the title is empty). Every
// wait has a deadline, counted from the script's start or its last step: a dialog that does not
// come in time (or a file dialog that never builds its name box) fails the test naming the title
// it waited for, every dialog of this thread is then cancelled, and the command returns.
struct DialogAction {
    enum Kind {
        Type,      // set control id's text
        Focus,     // move the focus to control id (the field that had it loses it)
        Press,     // click button or check box id
        Post,      // post WM_COMMAND id (BN_CLICKED) to the dialog, the focus left where it is
        Enter,     // press and release Enter in the focused control
        Read,      // append control id's text to DialogScript::reads
        ReadFocus, // append the focused control's id, as decimal text, to DialogScript::reads
        ReadCheck, // append "1" or "0", control id's check state, to DialogScript::reads
        FileName,  // common file dialog: type text into the file-name box (once the dialog has
                   // built it), then press IDOK
        Await,     // the actions after this one run on the next dialog titled `text`; id is
                   // that wait's deadline in ms (0: DialogWaitMs)
        Choose,    // select `text` in combo box id, as a click on that item does
    };
    Kind kind;
    int id;
    std::string text;
};

// How long the driver waits for a dialog of this program or a file dialog.
const DWORD DialogWaitMs = 5000;
// How long it waits for the printer dialog (the printer list is built from the queues) and for
// the dialog that follows it once a printer is chosen.
const DWORD PrinterWaitMs = 20000;

class DialogScript {
  public:
    DialogScript(const char* wantedTitle, std::vector<DialogAction> actions,
                 DWORD waitMs = DialogWaitMs);
    ~DialogScript();
    DialogScript(const DialogScript&) = delete;
    DialogScript& operator=(const DialogScript&) = delete;
    bool Finished() const; // every action was carried out
    std::vector<std::string> reads;
    bool timedOut = false; // a wait passed its deadline (a test failure was added)
    std::string awaited;   // the title waited for then
    bool escaped = false;  // the dialog was still open two seconds after the last action and
                           // was cancelled by the script
    HWND dialog = nullptr; // the dialog the actions ran on
    HWND owner = nullptr;  // its owner window
    std::string title;     // its title
};

// ---- Pixels ----

struct ClientPixels {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> rgb; // 0x00RRGGBB, top row first
    COLORREF At(int x, int y) const;
};

// Paints the client area into a 32-bit memory bitmap through WM_PRINTCLIENT and reads it.
ClientPixels PrintClientPixels(HWND window);

// Copies the client area from the window's device context (what the screen shows).
ClientPixels ScreenClientPixels(HWND window);

// Draws into a 32-bit memory bitmap of the given size and reads it.
ClientPixels DrawnPixels(int width, int height, const std::function<void(HDC)>& draw);

// The header of a 32-bit top-down DIB of the given size (0x00RRGGBB pixels, top row first).
BITMAPINFO TopDown32BitInfo(int width, int height);

// ---- Misc ----

// The display's bits per pixel x planes.
int DisplayBits();

// What the test command (scripts/wine-tests.sh) runs the tests on: a 1024 x 768 screen
// (KOVEL_EXPECT_SCREEN=1024x768) and the depth Wine must report for it (KOVEL_EXPECT_BITS: 8, 16
// or 32). Each adds a test failure and returns false (0) when its variable is missing, or when
// the screen is not the one named.
bool OnTestScreen();
int ExpectedDisplayBits();

// Full path of a file next to this test program (the programs under test are built there).
std::string BesideTestProgram(const char* fileName);

// The system's temporary folder (where DOS captures arrive), with its trailing backslash.
std::string SystemTempFolder();

// Deletes every DOS capture file (DKOVL*.BMP) in the folder (which ends with a backslash);
// false when one could not be deleted.
bool RemoveDosCaptures(const std::string& folder);

// ---- The main window fixture ----

// What another application puts on the clipboard, in this order (the clipboard takes the handles
// over once placed).
struct ClipSource {
    std::vector<std::pair<UINT, HANDLE>> handles;
    // Sample data for each format (see PlaceFormats).
    static ClipSource Formats(const std::vector<UINT>& formats);
    // The text and its NUL as format (CF_TEXT, CF_OEMTEXT, or any other).
    static ClipSource Text(UINT format, const std::string& text);
    // A bitmap as CF_BITMAP, and the palette as CF_PALETTE when given.
    static ClipSource Bitmap(HBITMAP bitmap, HPALETTE palette = nullptr);
    // A packed DIB (header, table, rows) as CF_DIB.
    static ClipSource Dib(const std::vector<uint8_t>& packed);
};

// What a dialog driven by MainWindowFixture::CommandWithDialog did.
struct DialogRun {
    bool finished = false; // every action was carried out
    bool escaped = false;  // the dialog stayed open after the last action and was cancelled
    std::vector<std::string> reads;
    std::string title; // title of the dialog the actions ran on ("" when none appeared)
    HWND owner = nullptr;
    bool timedOut = false; // a wait passed its deadline (a test failure was added)
};

enum PixelSource {
    PixelsPrinted,  // painted through WM_PRINTCLIENT into a memory bitmap
    PixelsOnScreen, // copied from the window's device context (what the screen shows)
};

// One test on the main window. SetUp empties the clipboard from OtherAppWindow(), starts the
// main window (showCommand), activates it and asserts that it took (unless activate is false),
// asserts that the client area is not empty (unless the window was shown minimised), and resets
// the feedback log. TearDown undoes this in reverse, also after a failed assertion. A derived
// fixture changes the options in its constructor and may extend SetUp/TearDown (calling these).
class MainWindowFixture : public testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Sends WM_COMMAND command to the main window and pumps messages until idle.
    void Command(unsigned command);

    // Empties the clipboard as `other` and places the source; pumps messages afterwards.
    bool Place(const ClipSource& source);

    // Sends the command while the actions run on the dialog titled `title` that it opens
    // ("" for any dialog, such as the common file dialog).
    DialogRun CommandWithDialog(unsigned command, const char* title,
                                std::vector<DialogAction> actions, DWORD waitMs = DialogWaitMs);

    // The client area's pixels. An empty client area is a test failure (and gives an empty
    // ClientPixels).
    ClientPixels Pixels(PixelSource source = PixelsPrinted);

    // Empties the feedback log and records into it again (also after StopMainWindow).
    void ResetFeedback();

    // Runs a command that opens the common file dialog (to save or to open), answers it with
    // path, and checks that the dialog closed on it (not cancelled by the driver) and was owned
    // by the main window. The feedback log is reset first. Returns whether every step ran.
    bool ThroughFileDialog(unsigned command, const std::string& path);

    // The main window's title.
    std::string Title() const;

    // Beeps recorded in the feedback log.
    int Beeps() const;

    // "" when the feedback log holds exactly the default beep and then the box `title` with
    // `text` owned by the main window; otherwise what was recorded instead.
    std::string BeepThenBox(const char* title, const char* text) const;

    // Options read by SetUp.
    int showCommand = SW_SHOWNORMAL;
    bool activate = true;

    HWND other = nullptr; // the other application's window
    FeedbackLog feedback = {};
    RECT client = {}; // the client area after SetUp
};

// ---- Clipboard notifications ----

// The message the main window is told of clipboard changes by: WM_CLIPBOARDUPDATE from the
// format listener, WM_DRAWCLIPBOARD along the viewer chain.
UINT ClipboardChangeMessage();

// While one exists, main windows started join the viewer chain, as on a system without the
// clipboard format listener.
class ViewerChainOnly {
  public:
    ViewerChainOnly();
    ~ViewerChainOnly();
    ViewerChainOnly(const ViewerChainOnly&) = delete;
    ViewerChainOnly& operator=(const ViewerChainOnly&) = delete;
};

// A window that joins the viewer chain and never passes a notification on, as a careless viewer
// does: every viewer after it is told of nothing. Leaves the chain when destroyed.
class RudeViewer {
  public:
    RudeViewer();
    ~RudeViewer();
    RudeViewer(const RudeViewer&) = delete;
    RudeViewer& operator=(const RudeViewer&) = delete;
    HWND window = nullptr;
    HWND next = nullptr;
};

// The formats that mark clipboard content private.
UINT ExcludeFromMonitoringFormat(); // "ExcludeClipboardContentFromMonitorProcessing"
UINT ViewerIgnoreFormat();          // "Clipboard Viewer Ignore"
// ---- Unicode text from another program ----

// The helper mode --kovel-place-unicode: a line of every script sample, separated by middle
// dots, as CF_UNICODETEXT.
int PlaceUnicodeLineHelper();
