#include "platform/ClipboardListener.h"

namespace {

using ListenerFunction = BOOL(WINAPI*)(HWND);

bool pretendMissing = false;

ListenerFunction UserFunction(const char* name) {
    HMODULE user = GetModuleHandleA("user32.dll");
    if (user == nullptr)
        return nullptr;
    return reinterpret_cast<ListenerFunction>(reinterpret_cast<void*>(GetProcAddress(user, name)));
}

} // namespace

bool JoinClipboardListeners(HWND window) {
    if (pretendMissing)
        return false;
    ListenerFunction add = UserFunction("AddClipboardFormatListener");
    return add != nullptr && add(window) != FALSE;
}

void LeaveClipboardListeners(HWND window) {
    ListenerFunction remove = UserFunction("RemoveClipboardFormatListener");
    if (remove != nullptr)
        remove(window);
}

void PretendNoClipboardListener(bool pretend) {
    pretendMissing = pretend;
}
