// Opens an address with the desktop's opener, detached. Does nothing when no opener exists or
// when opening is disabled (tests disable it).
#pragma once

#include <string>

void OpenUrl(const std::string& url);
void SetUrlOpeningEnabled(bool enabled);
// The last address asked for (whether or not it was opened).
const std::string& LastOpenedUrl();
