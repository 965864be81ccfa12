#include "tests/win/TestBed.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <utility>

#include "platform/ClipboardAccess.h"
#include "platform/ClipboardListener.h"
#include "shell/Shell.h"
#include "tests/win/UnicodeSamples.h"

// ---- Messages ----

void PumpMessages(DWORD quietMs, DWORD limitMs) {
    DWORD start = GetTickCount();
    DWORD lastMessage = start;
    for (;;) {
        MSG message;
        bool any = false;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            any = true;
            if (message.message == WM_QUIT) {
                continue;
            }
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        DWORD now = GetTickCount();
        if (any) {
            lastMessage = now;
        }
        if (now - lastMessage >= quietMs || now - start >= limitMs) {
            return;
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
}

bool PumpUntilPostedHandled(DWORD limitMs) {
    // A marker posted to the thread's queue comes back only after everything posted before it;
    // when anything else was handled meanwhile, it may have posted more: another round.
    static const UINT marker = RegisterWindowMessageA("Kovel test queue marker");
    DWORD start = GetTickCount();
    for (;;) {
        PostThreadMessageA(GetCurrentThreadId(), marker, 0, 0);
        int others = 0;
        bool back = false;
        while (!back) {
            if (GetTickCount() - start > limitMs) {
                return false;
            }
            MSG message;
            if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
                MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
                continue;
            }
            if (message.hwnd == nullptr && message.message == marker) {
                back = true;
                continue;
            }
            ++others;
            if (message.message != WM_QUIT) {
                TranslateMessage(&message);
                DispatchMessageA(&message);
            }
        }
        if (others == 0) {
            return true;
        }
    }
}

// ---- The main window in this process ----

int StartMainWindow(FeedbackLog* log, int showCommand, bool pump) {
    static ATOM registered = 0;
    HINSTANCE instance = GetModuleHandleA(nullptr);
    app = AppState{};
    if (registered == 0) {
        registered = RegisterMainClass(instance);
        if (registered == 0) {
            return 0;
        }
    }
    RecordFeedback(log);
    int created = CreateMainWindow(instance, showCommand);
    if (pump) {
        PumpMessages();
    }
    return created;
}

void StopMainWindow() {
    if (app.mainWindow != nullptr && IsWindow(app.mainWindow)) {
        DestroyWindow(app.mainWindow);
    }
    PumpMessages();
    RecordFeedback(nullptr);
}

// ---- Clipboard contents ----

UINT PrivateFormat() {
    static UINT format = RegisterClipboardFormatA("Kovel Test Private");
    return format;
}

namespace {

LRESULT CALLBACK PlainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND CreatePlainWindow(const char* title, DWORD style) {
    static ATOM registered = 0;
    HINSTANCE instance = GetModuleHandleA(nullptr);
    if (registered == 0) {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = PlainWndProc;
        windowClass.hInstance = instance;
        windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
        windowClass.lpszClassName = "KovelTestOther";
        registered = RegisterClassA(&windowClass);
    }
    return CreateWindowExA(0, "KovelTestOther", title, style, 0, 0, 200, 150, nullptr, nullptr,
                           instance, nullptr);
}

} // namespace

HGLOBAL GlobalBytes(const void* bytes, size_t size) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    if (block == nullptr) {
        return nullptr;
    }
    memcpy(GlobalLock(block), bytes, size);
    GlobalUnlock(block);
    return block;
}

namespace {

// Sample data for one format.
HANDLE MakeFormatData(UINT format) {
    switch (format) {
    case CF_TEXT:
    case CF_OEMTEXT: return GlobalBytes("Hello", 6);
    case CF_UNICODETEXT: return GlobalBytes(L"Hello", 12);
    case CF_BITMAP: {
        static const WORD rows[8] = {0xFF00, 0x8100, 0xBD00, 0xA500,
                                     0xA500, 0xBD00, 0x8100, 0xFF00};
        return CreateBitmap(8, 8, 1, 1, rows);
    }
    case CF_DIB: {
        BITMAPINFOHEADER header = {};
        header.biSize = sizeof header;
        header.biWidth = 8;
        header.biHeight = 8;
        header.biPlanes = 1;
        header.biBitCount = 24;
        header.biCompression = BI_RGB;
        std::vector<BYTE> packed(sizeof header + 8 * 24);
        memcpy(packed.data(), &header, sizeof header);
        for (size_t i = sizeof header; i < packed.size(); ++i) {
            packed[i] = static_cast<BYTE>(i * 7);
        }
        return GlobalBytes(packed.data(), packed.size());
    }
    case CF_PALETTE: {
        struct {
            WORD version;
            WORD count;
            PALETTEENTRY entries[2];
        } palette = {0x300, 2, {{0, 0, 0, 0}, {255, 255, 255, 0}}};
        return CreatePalette(reinterpret_cast<LOGPALETTE*>(&palette));
    }
    default: {
        static const BYTE bytes[4] = {1, 2, 3, 4};
        return GlobalBytes(bytes, sizeof bytes);
    }
    }
}

} // namespace

HWND OtherAppWindow() {
    static HWND window = nullptr;
    if (window == nullptr || !IsWindow(window)) {
        window = CreatePlainWindow("Kovel test other application", WS_OVERLAPPEDWINDOW);
    }
    return window;
}

bool PlaceFormats(HWND owner, const std::vector<UINT>& formats) {
    return PlaceHandles(owner, ClipSource::Formats(formats).handles);
}

bool PlaceHandles(HWND owner, const std::vector<std::pair<UINT, HANDLE>>& handles) {
    if (!OpenClipboardRetry(owner)) {
        return false;
    }
    bool placed = EmptyClipboard() != FALSE;
    for (const auto& handle : handles) {
        placed = placed && handle.second != nullptr &&
                 SetClipboardData(handle.first, handle.second) != nullptr;
    }
    CloseClipboard();
    PumpMessages();
    return placed;
}

bool RunTestProgram(const std::string& arguments, DWORD* exitCode) {
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, sizeof self);
    std::string commandLine = std::string("\"") + self + "\" " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return false;
    }
    CloseHandle(process.hThread);
    DWORD start = GetTickCount();
    // The helper's clipboard calls may send messages to windows of this thread: keep pumping.
    while (MsgWaitForMultipleObjects(1, &process.hProcess, FALSE, 100, QS_ALLINPUT) !=
           WAIT_OBJECT_0) {
        PumpMessages(0, 20);
        if (GetTickCount() - start > 20000) {
            TerminateProcess(process.hProcess, 99);
            break;
        }
    }
    GetExitCodeProcess(process.hProcess, exitCode);
    CloseHandle(process.hProcess);
    PumpMessages();
    return true;
}

namespace {

int PlaceFormatsHelper(const char* list) {
    std::vector<UINT> formats;
    for (const char* p = list; *p != '\0';) {
        char* end = nullptr;
        formats.push_back(static_cast<UINT>(strtoul(p, &end, 10)));
        p = *end == ',' ? end + 1 : end;
        if (end == p && *end != '\0') {
            return 2;
        }
    }
    HWND owner = CreatePlainWindow("Kovel test helper", WS_OVERLAPPEDWINDOW);
    bool placed = PlaceFormats(owner, formats);
    DestroyWindow(owner);
    return placed ? 0 : 1;
}

} // namespace

bool PlaceFormatsFromOtherProcess(const std::vector<UINT>& formats) {
    std::string list;
    for (UINT format : formats) {
        list += (list.empty() ? "" : ",") + std::to_string(format);
    }
    DWORD exitCode = 1;
    return RunTestProgram("--kovel-place=" + list, &exitCode) && exitCode == 0;
}

namespace {

// What the PrtSc key does: the whole screen as a device bitmap on the clipboard.
int CaptureScreenHelper() {
    int width = GetSystemMetrics(SM_CXSCREEN);
    int height = GetSystemMetrics(SM_CYSCREEN);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    HWND owner = CreatePlainWindow("Kovel test helper", WS_OVERLAPPEDWINDOW);
    bool placed = false;
    if (OpenClipboardRetry(owner)) {
        placed = EmptyClipboard() && SetClipboardData(CF_BITMAP, bitmap) != nullptr;
        CloseClipboard();
    }
    if (!placed) {
        DeleteObject(bitmap);
    }
    PumpMessages();
    DestroyWindow(owner);
    return placed ? 0 : 1;
}

// Closes the running program's main window as the user would (WM_CLOSE).
int CloseMainHelper() {
    HWND window = FindWindowA("KOVEL", nullptr);
    if (window == nullptr) {
        return 1;
    }
    PostMessageA(window, WM_CLOSE, 0, 0);
    return 0;
}

// Sends a command to the running program's main window.
int CommandHelper(const char* number) {
    HWND window = FindWindowA("KOVEL", nullptr);
    if (window == nullptr) {
        return 1;
    }
    SendMessageA(window, WM_COMMAND, strtoul(number, nullptr, 10), 0);
    return 0;
}

int PlaceTextHelper(const char* format) {
    static const char text[] =
        "Text on the clipboard, drawn as it is:\r\n"
        "  Tom & Jerry\tafter a tab\r\n"
        "  0123456789 ABCDEFGHIJKLMNOPQRSTUVWXYZ abcdefghijklmnopqrstuvwxyz\r\n"
        "\r\n"
        "  The last line.";
    HWND owner = CreatePlainWindow("Kovel test helper", WS_OVERLAPPEDWINDOW);
    bool placed = PlaceHandles(
        owner, {{static_cast<UINT>(strtoul(format, nullptr, 10)), GlobalBytes(text, sizeof text)}});
    DestroyWindow(owner);
    return placed ? 0 : 1;
}

// Colour bands and a frame, larger than the window so that it scrolls.
int PlacePictureHelper() {
    const int width = 1200;
    const int height = 900;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    static const COLORREF colours[] = {RGB(255, 0, 0),     RGB(0, 255, 0),   RGB(0, 0, 255),
                                       RGB(255, 255, 0),   RGB(0, 255, 255), RGB(255, 0, 255),
                                       RGB(255, 255, 255), RGB(0, 0, 0)};
    for (int band = 0; band < 8; ++band) {
        HBRUSH brush = CreateSolidBrush(colours[band]);
        RECT rect = {band * width / 8, 0, (band + 1) * width / 8, height};
        FillRect(memory, &rect, brush);
        DeleteObject(brush);
    }
    RECT frame = {0, 0, width, height};
    FrameRect(memory, &frame, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    TextOutA(memory, 20, 20, "Kovel demo picture 1200 x 900", 29);
    SelectObject(memory, old);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    HWND owner = CreatePlainWindow("Kovel test helper", WS_OVERLAPPEDWINDOW);
    bool placed = PlaceHandles(owner, {{CF_BITMAP, bitmap}});
    DestroyWindow(owner);
    return placed ? 0 : 1;
}

} // namespace

namespace {
int DragHelper(const char* points);
int SaveHelper(const char* commandAndPath);
} // namespace

int RunHelperMode(int argc, char** argv) {
    const char dragOption[] = "--kovel-drag=";
    const char saveOption[] = "--kovel-save=";
    const char commandOption[] = "--kovel-command=";
    const char textOption[] = "--kovel-place-text=";
    const char placeOption[] = "--kovel-place=";
    for (int i = 1; i < argc; ++i) {
        if (strncmp(argv[i], placeOption, sizeof placeOption - 1) == 0) {
            return PlaceFormatsHelper(argv[i] + sizeof placeOption - 1);
        }
        if (strcmp(argv[i], "--kovel-capture-screen") == 0) {
            return CaptureScreenHelper();
        }
        if (strcmp(argv[i], "--kovel-close-main") == 0) {
            return CloseMainHelper();
        }
        if (strncmp(argv[i], commandOption, sizeof commandOption - 1) == 0) {
            return CommandHelper(argv[i] + sizeof commandOption - 1);
        }
        if (strncmp(argv[i], textOption, sizeof textOption - 1) == 0) {
            return PlaceTextHelper(argv[i] + sizeof textOption - 1);
        }
        if (strcmp(argv[i], "--kovel-place-picture") == 0) {
            return PlacePictureHelper();
        }
        if (strcmp(argv[i], "--kovel-place-unicode") == 0) {
            return PlaceUnicodeLineHelper();
        }
        if (strncmp(argv[i], dragOption, sizeof dragOption - 1) == 0) {
            return DragHelper(argv[i] + sizeof dragOption - 1);
        }
        if (strncmp(argv[i], saveOption, sizeof saveOption - 1) == 0) {
            return SaveHelper(argv[i] + sizeof saveOption - 1);
        }
    }
    return -1;
}

bool EmptyClipboardAs(HWND owner) {
    if (!OpenClipboardRetry(owner)) {
        return false;
    }
    bool emptied = EmptyClipboard() != FALSE;
    CloseClipboard();
    PumpMessages();
    return emptied;
}

std::vector<UINT> ClipboardFormats() {
    std::vector<UINT> formats;
    if (!OpenClipboardRetry(OtherAppWindow())) {
        ADD_FAILURE() << "the clipboard could not be opened to list its formats";
        return {ClipboardNotOpened};
    }
    UINT format = 0;
    while ((format = EnumClipboardFormats(format)) != 0) {
        formats.push_back(format);
    }
    CloseClipboard();
    return formats;
}

std::string FormatList(const std::vector<UINT>& formats) {
    std::string text;
    for (UINT format : formats) {
        text += (text.empty() ? "" : ", ") + std::to_string(format);
    }
    return text;
}

// ---- Viewers and recorded messages ----

namespace {

LRESULT CALLBACK ViewerWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    TestViewer* viewer = reinterpret_cast<TestViewer*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (viewer != nullptr) {
        switch (message) {
        case WM_DRAWCLIPBOARD:
            ++viewer->drawCount;
            if (viewer->next != nullptr) {
                SendMessageA(viewer->next, message, wParam, lParam);
            }
            return 0;
        case WM_CHANGECBCHAIN:
            viewer->chainChanges.emplace_back(wParam, lParam);
            if (reinterpret_cast<HWND>(wParam) == viewer->next) {
                viewer->next = reinterpret_cast<HWND>(lParam);
            } else if (viewer->next != nullptr) {
                SendMessageA(viewer->next, message, wParam, lParam);
            }
            return 0;
        default: break;
        }
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

struct Recorder {
    HWND window = nullptr;
    WNDPROC original = nullptr;
    std::vector<RecordedMessage> messages;
} recorder;

LRESULT CALLBACK RecordingWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    recorder.messages.push_back({message, wParam, lParam});
    return CallWindowProcA(recorder.original, window, message, wParam, lParam);
}

} // namespace

void JoinViewer(TestViewer& viewer) {
    static ATOM registered = 0;
    HINSTANCE instance = GetModuleHandleA(nullptr);
    if (registered == 0) {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = ViewerWndProc;
        windowClass.hInstance = instance;
        windowClass.lpszClassName = "KovelTestViewer";
        registered = RegisterClassA(&windowClass);
    }
    viewer.window = CreateWindowExA(0, "KovelTestViewer", "viewer", WS_OVERLAPPEDWINDOW, 0, 0, 100,
                                    100, nullptr, nullptr, instance, nullptr);
    SetWindowLongPtrA(viewer.window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&viewer));
    viewer.next = SetClipboardViewer(viewer.window);
    PumpMessages();
}

void LeaveViewer(TestViewer& viewer) {
    if (viewer.window == nullptr) {
        return;
    }
    ChangeClipboardChain(viewer.window, viewer.next);
    SetWindowLongPtrA(viewer.window, GWLP_USERDATA, 0);
    DestroyWindow(viewer.window);
    viewer.window = nullptr;
    PumpMessages();
}

void StartRecordingMessages(HWND window) {
    StopRecordingMessages();
    recorder.window = window;
    recorder.messages.clear();
    recorder.original = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RecordingWndProc)));
}

void StopRecordingMessages() {
    if (recorder.window != nullptr && IsWindow(recorder.window)) {
        SetWindowLongPtrA(recorder.window, GWLP_WNDPROC,
                          reinterpret_cast<LONG_PTR>(recorder.original));
    }
    recorder.window = nullptr;
}

int CountRecorded(UINT message, WPARAM wParam, bool anyWParam) {
    int count = 0;
    for (const RecordedMessage& recorded : recorder.messages) {
        if (recorded.message == message &&
            (anyWParam || LOWORD(recorded.wParam) == LOWORD(wParam))) {
            ++count;
        }
    }
    return count;
}

bool ActivateWindow(HWND window) {
    ShowWindow(window, SW_SHOWNORMAL);
    SetActiveWindow(window);
    bool active = PumpUntil([window] { return GetActiveWindow() == window; });
    PumpMessages();
    return active;
}

// ---- Dialogs ----

namespace {

// The edit control of the file dialog's file-name box, once the dialog has built it.
HWND FileNameBox(HWND dialog) {
    HWND combo = GetDlgItem(dialog, 0x47C);
    if (combo != nullptr) {
        HWND edit = FindWindowExA(combo, nullptr, "Edit", nullptr);
        return edit != nullptr ? edit : combo;
    }
    return GetDlgItem(dialog, 0x480);
}

void PressButton(HWND dialog, int id) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

} // namespace

namespace {

struct ScriptState {
    DialogScript* script = nullptr;
    std::string title;
    std::vector<DialogAction> actions;
    size_t next = 0;
    int idleTicks = 0;
    UINT_PTR timer = 0;
    DWORD waitMs = DialogWaitMs; // the deadline of the current wait
    DWORD waitStart = 0;         // when the current wait began (the last step, or the start)
    bool gaveUp = false;         // a wait passed its deadline: every dialog is being closed
} scriptState;

// Closes every visible dialog of this thread (the driver gave up on its script); true when one
// was still open. A file or printer dialog takes IDCANCEL, the product's dialogs too.
BOOL CALLBACK CancelDialog(HWND window, LPARAM anyOpen) {
    char className[32] = "";
    GetClassNameA(window, className, sizeof className);
    if (IsWindowVisible(window) && strcmp(className, "#32770") == 0) {
        PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
        PostMessageA(window, WM_CLOSE, 0, 0);
        *reinterpret_cast<bool*>(anyOpen) = true;
    }
    return TRUE;
}

BOOL CALLBACK FindTitledDialog(HWND window, LPARAM found) {
    char className[32] = "";
    char title[128] = "";
    GetClassNameA(window, className, sizeof className);
    GetWindowTextA(window, title, sizeof title);
    if (IsWindowVisible(window) && strcmp(className, "#32770") == 0 &&
        (scriptState.title.empty() || scriptState.title == title)) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

void CALLBACK ScriptTick(HWND, UINT, UINT_PTR, DWORD) {
    if (scriptState.script == nullptr) {
        return;
    }
    DialogScript* script = scriptState.script;
    if (scriptState.gaveUp) {
        // Whatever is still open is closed (a cancelled dialog may open the next one).
        bool anyOpen = false;
        EnumThreadWindows(GetCurrentThreadId(), CancelDialog, reinterpret_cast<LPARAM>(&anyOpen));
        return;
    }
    // The next dialog to wait for: the one before may already be gone.
    while (scriptState.next < scriptState.actions.size() &&
           scriptState.actions[scriptState.next].kind == DialogAction::Await) {
        const DialogAction& await = scriptState.actions[scriptState.next++];
        scriptState.title = await.text;
        scriptState.waitMs = await.id > 0 ? DWORD(await.id) : DialogWaitMs;
        scriptState.waitStart = GetTickCount();
    }
    HWND dialog = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindTitledDialog, reinterpret_cast<LPARAM>(&dialog));
    bool waiting = scriptState.next < scriptState.actions.size() &&
                   (dialog == nullptr ||
                    (scriptState.actions[scriptState.next].kind == DialogAction::FileName &&
                     FileNameBox(dialog) == nullptr));
    if (waiting && GetTickCount() - scriptState.waitStart > scriptState.waitMs) {
        // The awaited dialog never came (or never became usable): the test fails naming it,
        // whatever is open is closed, and the command returns so that the next test runs.
        scriptState.gaveUp = true;
        script->timedOut = true;
        script->awaited = scriptState.title;
        ADD_FAILURE() << "no dialog titled \"" << scriptState.title << "\" within "
                      << scriptState.waitMs << " ms (step " << scriptState.next + 1 << " of "
                      << scriptState.actions.size() << ")";
        bool anyOpen = false;
        EnumThreadWindows(GetCurrentThreadId(), CancelDialog, reinterpret_cast<LPARAM>(&anyOpen));
        return;
    }
    if (dialog == nullptr) {
        return;
    }
    if (scriptState.next >= scriptState.actions.size()) {
        // The script is done but the dialog stays: after two seconds it is cancelled, so that a
        // failing test ends instead of waiting for ever.
        if (++scriptState.idleTicks == 40) {
            script->escaped = true;
            PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        }
        return;
    }
    script->dialog = dialog;
    script->owner = GetWindow(dialog, GW_OWNER);
    char title[256] = "";
    GetWindowTextA(dialog, title, sizeof title);
    script->title = title;
    if (scriptState.actions[scriptState.next].kind == DialogAction::FileName) {
        HWND box = FileNameBox(dialog);
        if (box == nullptr) {
            return; // not built yet: try again at the next tick
        }
        SetWindowTextA(box, scriptState.actions[scriptState.next++].text.c_str());
        scriptState.waitStart = GetTickCount();
        PressButton(dialog, IDOK);
        return;
    }
    // Advanced first: a step may end the dialog and this tick with it.
    const DialogAction action = scriptState.actions[scriptState.next++];
    scriptState.waitStart = GetTickCount();
    HWND control = GetDlgItem(dialog, action.id);
    switch (action.kind) {
    case DialogAction::Type: SetWindowTextA(control, action.text.c_str()); break;
    case DialogAction::Focus: SetFocus(control); break;
    case DialogAction::Press: SendMessageA(control, BM_CLICK, 0, 0); break;
    case DialogAction::Post: PressButton(dialog, action.id); break;
    case DialogAction::Enter:
        PostMessageA(GetFocus(), WM_KEYDOWN, VK_RETURN, 0x001C0001);
        PostMessageA(GetFocus(), WM_KEYUP, VK_RETURN, 0xC01C0001);
        break;
    case DialogAction::Read: {
        char text[256] = "";
        GetWindowTextA(control, text, sizeof text);
        script->reads.push_back(text);
        break;
    }
    case DialogAction::ReadFocus:
        script->reads.push_back(std::to_string(GetDlgCtrlID(GetFocus())));
        break;
    case DialogAction::ReadCheck:
        script->reads.push_back(SendMessageA(control, BM_GETCHECK, 0, 0) == BST_CHECKED ? "1"
                                                                                        : "0");
        break;
    case DialogAction::Choose:
        SendMessageA(control, CB_SELECTSTRING, WPARAM(-1),
                     reinterpret_cast<LPARAM>(action.text.c_str()));
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(action.id, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(control));
        break;
    case DialogAction::FileName:
    case DialogAction::Await: break; // handled above
    }
}

} // namespace

DialogScript::DialogScript(const char* wantedTitle, std::vector<DialogAction> actions,
                           DWORD waitMs) {
    scriptState = ScriptState{};
    scriptState.script = this;
    scriptState.title = wantedTitle;
    scriptState.waitMs = waitMs;
    scriptState.waitStart = GetTickCount();
    scriptState.actions = std::move(actions);
    scriptState.timer = SetTimer(nullptr, 0, 50, ScriptTick);
}

DialogScript::~DialogScript() {
    KillTimer(nullptr, scriptState.timer);
    scriptState = ScriptState{};
}

bool DialogScript::Finished() const {
    return !timedOut && scriptState.next >= scriptState.actions.size();
}

// ---- Pixels ----

COLORREF ClientPixels::At(int x, int y) const {
    uint32_t value = rgb[static_cast<size_t>(y) * width + x];
    return RGB((value >> 16) & 0xFF, (value >> 8) & 0xFF, value & 0xFF);
}

namespace {

// The client area's pixels as draw(memoryDC, width, height) puts them into a 32-bit top-down
// DIB section of its size; no pixels when the client area is empty.
template <typename Draw> ClientPixels ReadPixels(HWND window, Draw draw) {
    RECT client;
    GetClientRect(window, &client);
    if (client.right <= 0 || client.bottom <= 0) {
        ClientPixels pixels;
        pixels.width = client.right;
        pixels.height = client.bottom;
        return pixels;
    }
    return DrawnPixels(client.right, client.bottom,
                       [&](HDC memory) { draw(memory, client.right, client.bottom); });
}

} // namespace

ClientPixels PrintClientPixels(HWND window) {
    return ReadPixels(window, [window](HDC memory, int, int) {
        SendMessageA(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory),
                     PRF_CLIENT | PRF_ERASEBKGND);
    });
}

ClientPixels ScreenClientPixels(HWND window) {
    return ReadPixels(window, [window](HDC memory, int width, int height) {
        HDC dc = GetDC(window);
        BitBlt(memory, 0, 0, width, height, dc, 0, 0, SRCCOPY);
        ReleaseDC(window, dc);
    });
}

BITMAPINFO TopDown32BitInfo(int width, int height) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

ClientPixels DrawnPixels(int width, int height, const std::function<void(HDC)>& draw) {
    ClientPixels pixels;
    pixels.width = width;
    pixels.height = height;
    BITMAPINFO info = TopDown32BitInfo(width, height);
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP section = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    ReleaseDC(nullptr, screen);
    if (section != nullptr) {
        HGDIOBJ old = SelectObject(memory, section);
        draw(memory);
        GdiFlush();
        const uint32_t* source = static_cast<const uint32_t*>(bits);
        pixels.rgb.assign(source, source + static_cast<size_t>(width) * height);
        for (uint32_t& value : pixels.rgb) {
            value &= 0xFFFFFF;
        }
        SelectObject(memory, old);
        DeleteObject(section);
    }
    DeleteDC(memory);
    return pixels;
}

// ---- The clipboard held elsewhere ----

namespace {

struct HoldEvents {
    HANDLE opened;
    HANDLE release;
};

DWORD WINAPI HoldClipboard(void* parameter) {
    auto* events = static_cast<HoldEvents*>(parameter);
    HANDLE opened = events->opened;
    HANDLE release = events->release;
    delete events;
    // The system's own clipboard thread may hold it for a moment after a change.
    bool open = false;
    for (int tries = 0; tries < 400 && !open; ++tries) {
        open = OpenClipboard(nullptr) != FALSE;
        if (!open) {
            Sleep(10);
        }
    }
    if (!open) {
        return 1;
    }
    SetEvent(opened);
    WaitForSingleObject(release, 30000);
    CloseClipboard();
    return 0;
}

} // namespace

ClipboardHeld::ClipboardHeld() {
    opened = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    thread = CreateThread(nullptr, 0, HoldClipboard, new HoldEvents{opened, release}, 0, nullptr);
    // Messages are pumped meanwhile: the system's clipboard thread may be waiting on a window
    // of this thread that owns the clipboard's contents.
    holding = thread != nullptr &&
              PumpUntil([this] { return WaitForSingleObject(opened, 0) == WAIT_OBJECT_0; }, 6000);
}

ClipboardHeld::~ClipboardHeld() {
    Release();
    CloseHandle(opened);
    CloseHandle(release);
}

void ClipboardHeld::Release() {
    if (thread == nullptr) {
        return;
    }
    SetEvent(release);
    WaitForSingleObject(thread, 4000);
    CloseHandle(thread);
    thread = nullptr;
    holding = false;
}

// ---- Misc ----

int DisplayBits() {
    HDC dc = GetDC(nullptr);
    int bits = GetDeviceCaps(dc, BITSPIXEL) * GetDeviceCaps(dc, PLANES);
    ReleaseDC(nullptr, dc);
    return bits;
}

bool OnTestScreen() {
    const char* named = getenv("KOVEL_EXPECT_SCREEN");
    if (named == nullptr) {
        ADD_FAILURE()
            << "KOVEL_EXPECT_SCREEN is not set: run the tests through scripts/wine-tests.sh";
        return false;
    }
    char actual[32];
    snprintf(actual, sizeof actual, "%dx%d", GetSystemMetrics(SM_CXSCREEN),
             GetSystemMetrics(SM_CYSCREEN));
    EXPECT_STREQ("1024x768", named) << "the worked examples are for a 1024 x 768 screen";
    EXPECT_STREQ(named, actual) << "the screen is not the one KOVEL_EXPECT_SCREEN names";
    return strcmp(named, "1024x768") == 0 && strcmp(named, actual) == 0;
}

int ExpectedDisplayBits() {
    const char* named = getenv("KOVEL_EXPECT_BITS");
    if (named == nullptr) {
        ADD_FAILURE()
            << "KOVEL_EXPECT_BITS is not set: run the tests through scripts/wine-tests.sh";
        return 0;
    }
    return atoi(named);
}

std::string BesideTestProgram(const char* fileName) {
    char self[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, self, sizeof self);
    std::string path(self, length);
    size_t slash = path.find_last_of("\\/");
    return path.substr(0, slash + 1) + fileName;
}

std::string SystemTempFolder() {
    char folder[MAX_PATH] = "";
    GetTempPathA(sizeof folder, folder);
    return folder;
}

bool RemoveDosCaptures(const std::string& folder) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "DKOVL*.BMP").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return true;
    }
    bool removed = true;
    do {
        std::string path = folder + found.cFileName;
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        removed = DeleteFileA(path.c_str()) != FALSE && removed;
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return removed;
}

// ---- Mouse ----

void SendMouse(HWND window, UINT message, int x, int y) {
    WPARAM buttons = message == WM_LBUTTONDOWN || message == WM_MOUSEMOVE ? MK_LBUTTON : 0;
    SendMessageA(window, message, buttons, MAKELPARAM(WORD(short(x)), WORD(short(y))));
    PumpMessages(5, 200);
}

void DragMouse(HWND window, const std::vector<POINT>& path, bool release) {
    if (path.empty()) {
        return;
    }
    SendMouse(window, WM_LBUTTONDOWN, path.front().x, path.front().y);
    for (size_t i = 1; i < path.size(); ++i) {
        SendMouse(window, WM_MOUSEMOVE, path[i].x, path[i].y);
    }
    if (release) {
        SendMouse(window, WM_LBUTTONUP, path.back().x, path.back().y);
    }
}

// ---- Helper modes that drive the running program's main window ----

namespace {

// Drags with the left button over the running program's client area: "x1,y1,x2,y2".
int DragHelper(const char* points) {
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    HWND window = FindWindowA("KOVEL", nullptr);
    if (window == nullptr || sscanf(points, "%d,%d,%d,%d", &x1, &y1, &x2, &y2) != 4) {
        return 1;
    }
    std::vector<POINT> path;
    for (int step = 0; step <= 4; ++step) {
        path.push_back(POINT{x1 + (x2 - x1) * step / 4, y1 + (y2 - y1) * step / 4});
    }
    DragMouse(window, path);
    return 0;
}

struct OwnedDialogSearch {
    HWND owner;
    HWND found;
};

BOOL CALLBACK FindOwnedDialog(HWND window, LPARAM lParam) {
    auto* search = reinterpret_cast<OwnedDialogSearch*>(lParam);
    char className[32] = "";
    GetClassNameA(window, className, sizeof className);
    if (IsWindowVisible(window) && strcmp(className, "#32770") == 0 &&
        GetWindow(window, GW_OWNER) == search->owner) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// Runs a save command of the running program and answers its file dialog: "command,path".
// Ends when the file exists (0) or after 20 seconds (1).
int SaveHelper(const char* commandAndPath) {
    char* rest = nullptr;
    unsigned long command = strtoul(commandAndPath, &rest, 10);
    HWND window = FindWindowA("KOVEL", nullptr);
    if (window == nullptr || rest == nullptr || *rest != ',') {
        return 1;
    }
    std::string path = rest + 1;
    DeleteFileA(path.c_str());
    PostMessageA(window, WM_COMMAND, command, 0);
    OwnedDialogSearch search = {window, nullptr};
    HWND box = nullptr;
    bool typed = PumpUntil(
        [&] {
            search.found = nullptr;
            EnumWindows(FindOwnedDialog, reinterpret_cast<LPARAM>(&search));
            box = search.found != nullptr ? FileNameBox(search.found) : nullptr;
            return box != nullptr;
        },
        20000);
    if (!typed) {
        return 1;
    }
    SendMessageA(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
    PressButton(search.found, IDOK);
    return PumpUntil([&] { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; },
                     20000)
               ? 0
               : 1;
}

} // namespace

// ---- The main window fixture ----

ClipSource ClipSource::Formats(const std::vector<UINT>& formats) {
    ClipSource source;
    for (UINT format : formats) {
        source.handles.emplace_back(format, MakeFormatData(format));
    }
    return source;
}

ClipSource ClipSource::Text(UINT format, const std::string& text) {
    ClipSource source;
    source.handles.emplace_back(format, GlobalBytes(text.c_str(), text.size() + 1));
    return source;
}

ClipSource ClipSource::Bitmap(HBITMAP bitmap, HPALETTE palette) {
    ClipSource source;
    source.handles.emplace_back(CF_BITMAP, bitmap);
    if (palette != nullptr) {
        source.handles.emplace_back(CF_PALETTE, palette);
    }
    return source;
}

ClipSource ClipSource::Dib(const std::vector<uint8_t>& packed) {
    ClipSource source;
    source.handles.emplace_back(CF_DIB, GlobalBytes(packed.data(), packed.size()));
    return source;
}

void MainWindowFixture::SetUp() {
    other = OtherAppWindow();
    ASSERT_NE(nullptr, other);
    ASSERT_TRUE(EmptyClipboardAs(other));
    ASSERT_EQ(1, StartMainWindow(&feedback, showCommand));
    ASSERT_TRUE(IsWindow(app.mainWindow));
    if (activate) {
        ASSERT_TRUE(ActivateWindow(app.mainWindow)) << "the main window did not become active";
    }
    GetClientRect(app.mainWindow, &client);
    if (!IsIconic(app.mainWindow)) {
        ASSERT_GT(client.right, 0) << "the main window has an empty client area";
        ASSERT_GT(client.bottom, 0) << "the main window has an empty client area";
    }
    feedback.count = 0;
}

void MainWindowFixture::TearDown() {
    StopRecordingMessages();
    StopMainWindow();
    EmptyClipboardAs(other);
}

void MainWindowFixture::Command(unsigned command) {
    SendMessageA(app.mainWindow, WM_COMMAND, command, 0);
    PumpMessages();
}

bool MainWindowFixture::Place(const ClipSource& source) {
    return PlaceHandles(other, source.handles);
}

DialogRun MainWindowFixture::CommandWithDialog(unsigned command, const char* title,
                                               std::vector<DialogAction> actions, DWORD waitMs) {
    DialogRun run;
    DialogScript script(title, std::move(actions), waitMs);
    SendMessageA(app.mainWindow, WM_COMMAND, command, 0);
    PumpMessages();
    run.finished = script.Finished();
    run.escaped = script.escaped;
    run.reads = script.reads;
    run.title = script.title;
    run.owner = script.owner;
    run.timedOut = script.timedOut;
    return run;
}

void MainWindowFixture::ResetFeedback() {
    RecordFeedback(&feedback);
}

bool MainWindowFixture::ThroughFileDialog(unsigned command, const std::string& path) {
    ResetFeedback();
    DialogRun run = CommandWithDialog(command, "", {{DialogAction::FileName, 0, path}});
    EXPECT_FALSE(run.escaped) << "the file dialog stayed open after " << path;
    EXPECT_EQ(app.mainWindow, run.owner) << "the file dialog's owner, answered with " << path;
    return run.finished;
}

std::string MainWindowFixture::Title() const {
    char title[256] = "";
    GetWindowTextA(app.mainWindow, title, sizeof title);
    return title;
}

ClientPixels MainWindowFixture::Pixels(PixelSource source) {
    ClientPixels pixels = source == PixelsPrinted ? PrintClientPixels(app.mainWindow)
                                                  : ScreenClientPixels(app.mainWindow);
    EXPECT_FALSE(pixels.width <= 0 || pixels.height <= 0 || pixels.rgb.empty())
        << "the main window's client area is empty";
    return pixels;
}

std::string MainWindowFixture::BeepThenBox(const char* title, const char* text) const {
    if (feedback.count != 2) {
        return std::to_string(feedback.count) + " feedback events, not a beep and a box";
    }
    const FeedbackEvent& beep = feedback.events[0];
    const FeedbackEvent& box = feedback.events[1];
    if (beep.kind != FeedbackBeep || beep.code != 0xFFFFFFFFu) {
        return "the first event is not the default beep";
    }
    if (box.kind != FeedbackBox || box.owner != app.mainWindow) {
        return "the second event is not a box owned by the main window";
    }
    if (strcmp(box.title, title) != 0 || strcmp(box.text, text) != 0) {
        return std::string("box \"") + box.title + "\": \"" + box.text + "\"";
    }
    return "";
}

int MainWindowFixture::Beeps() const {
    int beeps = 0;
    int kept = feedback.count < 64 ? feedback.count : 64;
    for (int i = 0; i < kept; ++i) {
        beeps += feedback.events[i].kind == FeedbackBeep ? 1 : 0;
    }
    return beeps;
}

// ---- Clipboard notifications ----

UINT ClipboardChangeMessage() {
    return app.clipboardListener ? WM_CLIPBOARDUPDATE : WM_DRAWCLIPBOARD;
}

ViewerChainOnly::ViewerChainOnly() {
    PretendNoClipboardListener(true);
}

ViewerChainOnly::~ViewerChainOnly() {
    PretendNoClipboardListener(false);
}

RudeViewer::RudeViewer() {
    static ATOM registered = 0;
    if (registered == 0) {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = DefWindowProcA; // keeps every notification to itself
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "KovelRudeViewer";
        registered = RegisterClassA(&windowClass);
    }
    window = CreateWindowExA(0, "KovelRudeViewer", "rude viewer", WS_OVERLAPPEDWINDOW, 0, 0, 100,
                             100, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    next = SetClipboardViewer(window);
    PumpMessages();
}

RudeViewer::~RudeViewer() {
    ChangeClipboardChain(window, next);
    DestroyWindow(window);
    PumpMessages();
}

UINT ExcludeFromMonitoringFormat() {
    static UINT format = RegisterClipboardFormatA("ExcludeClipboardContentFromMonitorProcessing");
    return format;
}

UINT ViewerIgnoreFormat() {
    static UINT format = RegisterClipboardFormatA("Clipboard Viewer Ignore");
    return format;
}

// ---- Unicode text from another program ----

int PlaceUnicodeLineHelper() {
    std::wstring line;
    for (const ScriptSample& sample : ScriptSamples())
        line += (line.empty() ? L"" : L" \u00b7 ") + sample.text;
    HWND owner = CreatePlainWindow("Kovel test helper", WS_OVERLAPPEDWINDOW);
    bool placed = PlaceHandles(owner, UnicodeSource(line + L"\r\n").handles);
    DestroyWindow(owner);
    return placed ? 0 : 1;
}
