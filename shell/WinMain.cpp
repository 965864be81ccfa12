// Start-up: wake a running copy or create the main window, then run the message loop.
#include "shell/OpenPicture.h"
#include "shell/Shell.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR, int showCommand) {
    // A file named on the command line is opened as a picture.
    wchar_t picture[32768] = L"";
    bool hasPicture = PictureFromCommandLine(picture, sizeof picture / sizeof picture[0]);
    // A running copy is found by its exact product title; it is handed the file, comes forward
    // and this copy ends.
    HWND running = FindWindowA(MainClassName, "Mendrival");
    if (running == nullptr) {
        running = FindWindowA(MainClassName, "Palorin");
    }
    if (running != nullptr) {
        if (hasPicture) {
            HandPictureTo(running, picture);
        }
        PostMessageA(running, WakeMessage, WakeParam, 0);
        return 0;
    }
    if (previous == nullptr && RegisterMainClass(instance) == 0) {
        return 0;
    }
    if (!CreateMainWindow(instance, showCommand)) {
        return 0;
    }
    if (hasPicture) {
        OpenPictureLater(picture);
    }
    HACCEL accelerators = LoadAcceleratorsA(instance, "MenuAccel");
    MSG message = {};
    // GetMessageA returns -1 on an error; that ends the loop too rather than spinning on it.
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (!TranslateAcceleratorA(app.mainWindow, accelerators, &message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    return static_cast<int>(message.wParam);
}
