#include "engine/textures.h"

// Stand-ins until the texture loaders exist: the tables stay zero, so drawing binds texture 0.
GLuint bmpTextures[61];
GLuint tgaTextures[11];
GLuint screenTextures[4];

bool LoadScreenTextures() { return false; }
bool LoadBmpTextures() { return false; }
bool LoadTgaTextures() { return false; }
bool LoadSkyCubeMap() { return false; }
void FreeTgaTextures() {}
GLuint LoadMipmappedTexture(const char*) { return 0; }
