// Texture tables and their loaders.
#pragma once

#include <GL/gl.h>

extern GLuint bmpTextures[61];
extern GLuint tgaTextures[11];
extern GLuint screenTextures[4];

bool LoadScreenTextures();
bool LoadBmpTextures();
bool LoadTgaTextures();
bool LoadSkyCubeMap();
void FreeTgaTextures();
