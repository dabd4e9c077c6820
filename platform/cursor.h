// The mouse cursor in window-client pixels. In relative mode (mouse look during play) the position
// is 320 + accumulated x motion, 240 + accumulated y motion, so re-centring at (320, 240) works on
// every window system.
#pragma once

void GetCursorPos(int& x, int& y);
void SetCursorPos(int x, int y);
void SetCursorRelativeMode(bool on);
bool CursorRelativeMode();
void ShowSystemCursor(bool show);
// Tests: pin the reported cursor position (overridden = false releases it).
void OverrideCursorPos(bool overridden, int x = 0, int y = 0);
