// The web link: opens the maker's address in the user's browser.
#pragma once

#include <windows.h>

namespace selvaro {

void OpenMakerSite(HWND form);

}  // namespace selvaro
