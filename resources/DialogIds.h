// Control identifiers of the dialog templates, shared by the resource script and the code.
#pragma once

#define StretchNewWidth 296
#define StretchNewHeight 297
#define StretchScreenWidth 298
#define StretchScreenHeight 299
#define StretchKeepAspect 300
#define StretchOk 301
