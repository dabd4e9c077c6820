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
// Loads a BMP into a new mipmapped texture; 0 on failure.
GLuint LoadMipmappedTexture(const char* fileName);
