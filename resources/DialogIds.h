// Control identifiers of the dialog templates, shared by the resource script and the code.
#pragma once

#define StretchNewWidth 296
#define StretchNewHeight 297
#define StretchScreenWidth 298
#define StretchScreenHeight 299
#define StretchKeepAspect 300
#define StretchOk 301

#define PrintOriginX 279
#define PrintOriginY 280
#define PrintImageWidth 296
#define PrintImageHeight 297
#define PrintPaperWidth 298
#define PrintPaperHeight 299
#define PrintKeepAspect 300
#define PrintOk 301
