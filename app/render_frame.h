// The fixed order of one frame: clocks, loading, play or menus, music and the frame-rate text.
#pragma once

// One frame; always true.
bool RenderFrame();
