// Control identifiers of the dialog templates, shared by the resource script and the code.
#pragma once

#define StretchNewWidth 296
#define StretchNewHeight 297
#define StretchScreenWidth 298
#define StretchScreenHeight 299
#define StretchKeepAspect 300
#define StretchOk 301

#define RectFirstLine 142
#define RectLabelLeft 101
#define RectLabelTop 106
#define RectLabelRight 108
#define RectLabelBottom 118
#define RectLeft 279
#define RectTop 280
#define RectRight 281
#define RectBottom 282
#define RectWidth 296
#define RectHeight 297
#define RectOk 301
#define PrintOriginX 279
#define PrintOriginY 280
#define PrintImageWidth 296
#define PrintImageHeight 297
#define PrintPaperWidth 298
#define PrintPaperHeight 299
#define PrintKeepAspect 300
#define PrintOk 301
