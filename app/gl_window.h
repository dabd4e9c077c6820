// The game window, its OpenGL context and the fixed OpenGL state.
#pragma once

#include <GL/gl.h>

#include "engine/gl_setup.h"

bool CreateGameWindow(const char* title, int width, int height, int colorBits, bool fullscreen);
void DestroyGameWindow();
bool InitGL();

// The caption of the refused-full-screen question.
extern const char* const kFullscreenQuestionCaption;
// The start of the one stderr line that says the game plays in a window because the question
// about a refused full-screen mode could not be shown to anybody.
extern const char* const kWindowedFallbackNote;

// True when the last CreateGameWindow ended because the player answered No to the question
// whether to play in a window instead of the refused full-screen mode.
bool WindowDeclinedByPlayer();
