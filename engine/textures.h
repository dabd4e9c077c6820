// Texture tables and their loaders. Every picture of the game is a file under base/textures/
// (plus the six sky faces under textures/), uploaded once per window creation into the tables
// below, which the drawing code binds by index.
#pragma once

#include <GL/gl.h>

#include <memory>

#include "engine/formats/bmp_file.h"

// A TGA picture uploaded as a texture, with the pixel copy kept after the upload.
struct TgaTexture {
  GLuint id = static_cast<GLuint>(-1);  // -1 while nothing is loaded
  int width = 0;
  int height = 0;
  unsigned char* pixels = nullptr;  // the pixel copy, RGB or RGBA, rows bottom-up
  int components = 0;               // 3 (RGB) or 4 (RGBA)

  TgaTexture() = default;
  TgaTexture(const TgaTexture&) = delete;
  TgaTexture& operator=(const TgaTexture&) = delete;
  // Releases the pixel copy. The texture name belongs to the GL context, which may already be
  // gone at this point; FreeTgaTextures deletes the names while the context lives.
  ~TgaTexture();

  // Loads an uncompressed 24- or 32-bit TGA and uploads it mipmapped. A file that fails to load
  // leaves the record as it was; a successful load into a loaded record replaces the earlier
  // texture and pixel copy.
  bool LoadTGA(const char* fileName);
  // Deletes the texture and the pixel copy; the record reads as unloaded afterwards.
  void Free();
  // Writes width x height RGB pixels as an uncompressed 24-bit TGA. The caller's buffer is left
  // in BGR order afterwards, as the file holds it.
  static bool SaveTGA(const char* fileName, int width, int height, unsigned char* rgbPixels);
};

extern GLuint bmpTextures[61];      // base/textures/tex00.bmp .. tex60.bmp
extern TgaTexture tgaTextures[11];  // base/textures/tex00.tga .. tex10.tga
// The pictures needed before the bulk load: [0] tex16.bmp and [1] tex41.bmp (the loading
// pictures), [2] tex00.bmp, [3] tex40.bmp.
extern GLuint screenTextures[4];
extern GLuint skyCubeMap;
extern TgaTexture slotPictures[4];  // the save-slot pictures: never loaded

// Reads an uncompressed 24-bit BMP; null when the name is null or the file is missing or not
// such a picture.
std::unique_ptr<RgbImage> LoadBMP(const char* fileName);
std::unique_ptr<RgbImage> LoadBMPChecked(const char* fileName);
// Loads a BMP into a new mipmapped texture; 0 on failure.
GLuint LoadMipmappedTexture(const char* fileName);

// Each returns whether every file of its table loaded. The BMP tables are all or nothing: a
// failure leaves the table as it was.
bool LoadScreenTextures();
bool LoadBmpTextures();
bool LoadTgaTextures();  // the result is that of tex10.tga
bool LoadSkyCubeMap();
void FreeTgaTextures();

// The six cube-map faces in upload order: +X, -X, +Y, -Y, +Z, -Z.
extern const GLenum kCubeMapFaces[6];
// Generates a cube-map texture into name and binds it: repeat wrapping in S, T and R, the given
// minification filter, linear magnification.
void BindNewCubeMap(GLuint& name, GLint minFilter);
