// Names a data file that could not be loaded, and why, in one line on standard error, so that a
// player or a packager can see what is missing or broken. The loaders call it where they fail and
// then go on as they would without the file.
#pragma once

#include <string>

// Writes "Cannot load PATH: WHY", WHY as found at the path: "missing" when nothing is there,
// "unreadable (...)" when it cannot be read (a directory, a pipe or device, no permission), else
// "refused as corrupt" (it reads, but the loader refused its contents), followed by the loader's
// own reason in brackets when it gives one.
void ReportDataFileNotLoaded(const std::string& path, const std::string& loaderReason = {});

// For a file the program writes itself and reads back (the settings, the career): the same line,
// except for a file that is missing, which is a first start and needs no word.
void ReportOwnFileNotLoaded(const std::string& path, const std::string& loaderReason = {});

// Writes "Could not write PATH: REASON" for a file the program failed to save; the file on disk
// is then as it was before.
void ReportDataFileNotSaved(const std::string& path, const std::string& reason);
