// A control channel for end-to-end tests of the real program, off unless the environment names
// it: DUNMARROW_TEST_CONTROL=PREFIX. The game then runs on a fixed 48 ms frame clock (just under the
// 50 ms that caps a frame's step), takes input
// commands appended to PREFIX.in, one a line, at the start of each frame:
//   cursor X Y    the reported cursor position (window pixels; in play, a mouse-look offset from
//                 the centre 320, 240 that the next frame consumes)
//   key VK 1|0    key down / up (virtual-key code)
//   button 1|0    left button down / up
//   size W H      the window system's size message (the view is drawn into W x H pixels)
//   close         the window's close request
// and after each frame replaces PREFIX.state with what the test checks (see WriteState), among it
// the number of input lines executed so far, so a test can tell what the state already reflects.
// Message boxes are not shown (nobody could answer them): their caption and text go to stderr.
#pragma once

// Installs the channel when the environment asks for it; false (and nothing changed) otherwise.
bool InstallTestControl();
