// The menus of both identities and the accelerator table, read back from the resources.
#include <gtest/gtest.h>

#include "shell/CommandIds.h"
#include "tests/win/TestBed.h"

namespace {

// One menu entry in walking order: depth, text, identifier (0 for a popup or separator).
struct MenuRow {
    int depth;
    const char* text; // "-" for a separator
    UINT id;
    bool checked;
};

// The common table; the About row's text is filled in per identity.
std::vector<MenuRow> ExpectedMenu(const char* aboutText) {
    return {
        {0, "&File", 0, false},
        {1, "&Save as...", 0, false},
        {2, "&BMP", CmdSaveBmp, false},
        {2, "&GIF", CmdSaveGif, false},
        {2, "&PCX", CmdSavePcx, false},
        {2, "&TIF", CmdSaveTif, false},
        {2, "P&NG", CmdSavePng, false},
        {2, "T&XT", 0, false},
        {3, "&OEM text", CmdSaveOemText, false},
        {3, "&ANSI text", CmdSaveAnsiText, false},
        {3, "&Unicode text...", CmdSaveUnicodeText, false},
        {1, "&Open picture...", CmdOpenBmp, false},
        {1, "-", 0, false},
        {1, "E&xit", CmdExit, false},
        {0, "&Display", 0, false},
        {1, "&ANSI text", CmdShowAnsiText, false},
        {1, "&OEM text", CmdShowOemText, false},
        {1, "&Bitmap", CmdShowBitmap, false},
        {1, "&Next DOS capture\tCtrl+N", CmdNextDosCapture, false},
        {0, "&Options", 0, false},
        {1, "Capture &rectangle\tCtrl+R", CmdCaptureRect, false},
        {1, "C&lear clipboard\tCtrl+L", CmdClearClipboard, false},
        {1, "&Enter coordinates\tCtrl+E", CmdEnterCoordinates, false},
        {1, "&Invert colors\tCtrl+I", CmdInvertColors, false},
        {1, "Popup &mode\tCtrl+M", CmdPopupMode, true},
        {1, "Reverse &x-axis\tCtrl+X", CmdReverseX, false},
        {1, "Reverse &y-axis\tCtrl+Y", CmdReverseY, false},
        {1, "&Stretch bitmap\tCtrl+S", CmdStretch, false},
        {1, "Text colors", 0, false},
        {2, "&black-on-white", CmdBlackOnWhite, true},
        {2, "&white-on-black", CmdWhiteOnBlack, false},
        {1, "Text to &bitmap\tCtrl+B", CmdTextToBitmap, false},
        {1, "&TIF compression", 0, false},
        {2, "&No compression", CmdTifNone, false},
        {2, "&PackBits", CmdTifPackBits, true},
        {2, "&LZW   8k", CmdTifLzw8k, false},
        {2, "L&ZW 16k", CmdTifLzw16k, false},
        {1, "Always on &top", CmdAlwaysOnTop, false},
        {1, "GIF &dithering", CmdGifDithering, false},
        {0, "&Print", CmdPrint, false},
        {0, "&Help", 0, false},
        {1, "&Contents", CmdHelpContents, false},
        {1, "&Search", CmdHelpSearch, false},
        {1, "&Help on Help", CmdHelpOnHelp, false},
        {1, "-", 0, false},
        {1, aboutText, CmdAbout, false},
        {1, "System &info", CmdSystemInfo, false},
    };
}

struct WalkedRow {
    int depth;
    std::string text;
    UINT id;
    bool checked;
    bool popup;
};

void WalkMenu(HMENU menu, int depth, std::vector<WalkedRow>& rows) {
    int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        char text[128] = "";
        MENUITEMINFOA item = {};
        item.cbSize = sizeof item;
        item.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STATE | MIIM_SUBMENU | MIIM_STRING;
        item.dwTypeData = text;
        item.cch = sizeof text;
        ASSERT_TRUE(GetMenuItemInfoA(menu, static_cast<UINT>(i), TRUE, &item));
        WalkedRow row;
        row.depth = depth;
        row.text = (item.fType & MFT_SEPARATOR) ? "-" : text;
        row.id = item.hSubMenu != nullptr ? 0 : item.wID;
        row.checked = (item.fState & MFS_CHECKED) != 0;
        row.popup = item.hSubMenu != nullptr;
        rows.push_back(row);
        if (item.hSubMenu != nullptr) {
            WalkMenu(item.hSubMenu, depth + 1, rows);
        }
    }
}

void ExpectMenu(HMENU menu, const std::vector<MenuRow>& expected) {
    std::vector<WalkedRow> rows;
    WalkMenu(menu, 0, rows);
    ASSERT_EQ(expected.size(), rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(expected[i].depth, rows[i].depth) << "row " << i << " " << rows[i].text;
        EXPECT_EQ(expected[i].text, rows[i].text) << "row " << i;
        EXPECT_EQ(expected[i].id, rows[i].id) << "row " << i << " " << rows[i].text;
        EXPECT_EQ(expected[i].checked, rows[i].checked) << "row " << i << " " << rows[i].text;
        // Items without an identifier are popups, except separators.
        EXPECT_EQ(expected[i].id == 0 && std::string("-") != expected[i].text, rows[i].popup)
            << "row " << i << " " << rows[i].text;
    }
}

TEST(Resources, MenusOfBothIdentities) {
    struct MenuCase {
        const char* resource;
        const char* aboutText;
    } cases[] = {
        {"KOVELAPMENU", "&About Mendrival"},
        {"WPLNAPMENU", "&About Palorin"},
    };
    for (const MenuCase& c : cases) {
        SCOPED_TRACE(c.resource);
        HMENU menu = LoadMenuA(GetModuleHandleA(nullptr), c.resource);
        ASSERT_NE(nullptr, menu);
        ExpectMenu(menu, ExpectedMenu(c.aboutText));
        DestroyMenu(menu);
    }
}

TEST(Resources, TheMainWindowsMenuWithTheChecksMovedByDepth) {
    FeedbackLog feedback = {};
    ASSERT_EQ(1, StartMainWindow(&feedback));
    std::vector<MenuRow> expected = ExpectedMenu("&About Palorin");
    if (DisplayBits() > 8) {
        for (MenuRow& row : expected) {
            if (row.id == CmdTifPackBits || row.id == CmdTifLzw8k) {
                row.checked = !row.checked;
            }
        }
    }
    ExpectMenu(GetMenu(app.mainWindow), expected);
    StopMainWindow();
}

TEST(Resources, AcceleratorTable) {
    HACCEL table = LoadAcceleratorsA(GetModuleHandleA(nullptr), "MenuAccel");
    ASSERT_NE(nullptr, table);
    ACCEL entries[16];
    int count = CopyAcceleratorTableA(table, entries, 16);
    ASSERT_EQ(10, count);
    const ACCEL expected[] = {
        {FVIRTKEY | FCONTROL, 'N', CmdNextDosCapture},
        {FVIRTKEY | FCONTROL, 'R', CmdCaptureRect},
        {FVIRTKEY | FCONTROL, 'L', CmdClearClipboard},
        {FVIRTKEY | FCONTROL, 'E', CmdEnterCoordinates},
        {FVIRTKEY | FCONTROL, 'I', CmdInvertColors},
        {FVIRTKEY | FCONTROL, 'M', CmdPopupMode},
        {FVIRTKEY | FCONTROL, 'X', CmdReverseX},
        {FVIRTKEY | FCONTROL, 'Y', CmdReverseY},
        {FVIRTKEY | FCONTROL, 'S', CmdStretch},
        {FVIRTKEY | FCONTROL, 'B', CmdTextToBitmap},
    };
    for (int i = 0; i < count; ++i) {
        // The end-of-table bit (0x80) of the last entry is not part of the key's flags.
        EXPECT_EQ(expected[i].fVirt, entries[i].fVirt & 0x7F) << i;
        EXPECT_EQ(expected[i].key, entries[i].key) << i;
        EXPECT_EQ(expected[i].cmd, entries[i].cmd) << i;
    }
    DestroyAcceleratorTable(table);
}

TEST(Resources, AcceleratorsReachTheCommandDispatch) {
    FeedbackLog feedback = {};
    ASSERT_EQ(1, StartMainWindow(&feedback));
    HACCEL table = LoadAcceleratorsA(GetModuleHandleA(nullptr), "MenuAccel");
    StartRecordingMessages(app.mainWindow);
    const char keys[] = "NRLEIMXYSB";
    const UINT commands[] = {
        CmdNextDosCapture, CmdCaptureRect, CmdClearClipboard, CmdEnterCoordinates, CmdInvertColors,
        CmdPopupMode,      CmdReverseX,    CmdReverseY,       CmdStretch,          CmdTextToBitmap};
    BYTE state[256];
    GetKeyboardState(state);
    BYTE withControl[256];
    memcpy(withControl, state, sizeof withControl);
    withControl[VK_CONTROL] = 0x80;
    SetKeyboardState(withControl);
    for (int i = 0; i < 10; ++i) {
        MSG message = {app.mainWindow, WM_KEYDOWN, static_cast<WPARAM>(keys[i]), 1, 0, {0, 0}};
        EXPECT_TRUE(TranslateAcceleratorA(app.mainWindow, table, &message)) << keys[i];
        EXPECT_EQ(1, CountRecorded(WM_COMMAND, commands[i])) << keys[i];
    }
    SetKeyboardState(state);
    StopRecordingMessages();
    DestroyAcceleratorTable(table);
    StopMainWindow();
}

} // namespace
