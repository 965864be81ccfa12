// Command identifiers of the main window: menu items, accelerators, the OK button of the
// information screens and the command the program posts to itself. Plain #defines so that the
// resource script can include this header too.
#pragma once

#define CmdSaveBmp 257
#define CmdSaveGif 258
#define CmdSavePcx 259
#define CmdOpenBmp 260
#define CmdExit 261
#define CmdShowBitmap 262
#define CmdShowOemText 263
#define CmdShowAnsiText 264
#define CmdSaveOemText 265
#define CmdSaveAnsiText 266
#define CmdClearClipboard 267
#define CmdPopupMode 268
#define CmdEnterCoordinates 269
#define CmdHelpContents 270
#define CmdHelpSearch 271
#define CmdHelpOnHelp 272
#define CmdAbout 273
#define CmdSystemInfo 274
#define CmdInfoOk 278
#define CmdBlackOnWhite 287
#define CmdWhiteOnBlack 288
#define CmdInvertColors 289
#define CmdSaveTif 290
#define CmdTifNone 292
#define CmdTifLzw8k 293
#define CmdTifPackBits 294
#define CmdPrint 295
#define CmdLoadDosCapture 302
#define CmdReverseX 303
#define CmdReverseY 304
#define CmdCaptureRect 305
#define CmdTextToBitmap 306
#define CmdStretch 307
#define CmdNextDosCapture 308
#define CmdTifLzw16k 309
#define CmdSavePng 310
#define CmdGifDithering 311
#define CmdSaveUnicodeText 312
#define CmdAlwaysOnTop 313

// The range of identifiers that the dispatch acts on; others only close an information screen.
#define CmdFirst 257
#define CmdLast 313
