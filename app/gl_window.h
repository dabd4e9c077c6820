// The game window, its OpenGL context and the fixed OpenGL state.
#pragma once

#include <GL/gl.h>

#include "engine/gl_setup.h"

bool CreateGameWindow(const char* title, int width, int height, int colorBits, bool fullscreen);
void DestroyGameWindow();
bool InitGL();

// The caption of the refused-full-screen question.
extern const char* const kFullscreenQuestionCaption;
