// The sound device and its context: opening the default device with the listener in its rest
// place, closing it with every cached buffer, and a text that tells what the device is.
#pragma once

#include <string>

// Opens the default device, creates a context on it and makes that current; the listener stands
// at the origin at rest, facing -z with +y up. Without a device: "Default sound device not
// present" in a message box, false. A context the device refuses shows "ALC error: <text>" and
// closes the device again, false.
bool InitOpenAL();
// Deletes every buffer of the music buffer cache, then releases the current context and closes
// its device.
void ShutdownOpenAL();
// The default device, the current device with its extensions, and the vendor, renderer and
// version of the current context, one per line.
std::string GetAlcInfo();
