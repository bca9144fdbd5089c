#pragma once
// Icons are compiled-in pictures addressed by resource id, shared and never freed, the way
// an icon loaded from the program's resources behaves.

struct IconHandle;
using HICON = const IconHandle*;

// The picture registered under `resourceId` (a PNG at ":/icons/<id>.png" in the program's
// resources), or nullptr when there is none.
HICON LoadIcon(int resourceId);
