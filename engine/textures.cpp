#include "engine/textures.h"

#include <GL/glu.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "engine/formats/binary_io.h"
#include "engine/formats/data_file_report.h"
#include "engine/formats/tga_file.h"

GLuint bmpTextures[61];
TgaTexture tgaTextures[11];
GLuint screenTextures[4];
GLuint skyCubeMap;
TgaTexture slotPictures[4];

namespace {

// Uploads tightly packed pixels as a mipmapped 2-D texture into the bound name.
void UploadMipmapped(int components, int width, int height, const void* pixels, GLint minFilter) {
  GLint oldAlignment = 4;
  glGetIntegerv(GL_UNPACK_ALIGNMENT, &oldAlignment);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, minFilter);
  gluBuild2DMipmaps(GL_TEXTURE_2D, components, width, height, components == 4 ? GL_RGBA : GL_RGB,
                    GL_UNSIGNED_BYTE, pixels);
  glPixelStorei(GL_UNPACK_ALIGNMENT, oldAlignment);
}

std::string TextureFileName(int number, const char* extension) {
  char name[64];
  std::snprintf(name, sizeof name, "base/textures/tex%02d.%s", number, extension);
  return name;
}

// Loads the numbered BMPs into `table` only when every one of them loads.
bool LoadBmpTable(GLuint* table, const int* numbers, int count, GLint minFilter) {
  std::vector<std::unique_ptr<RgbImage>> images(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    images[i] = LoadBMPChecked(TextureFileName(numbers[i], "bmp").c_str());
    if (!images[i]) return false;  // the images loaded so far are released here
  }
  glGenTextures(count, table);
  for (int i = 0; i < count; ++i) {
    glBindTexture(GL_TEXTURE_2D, table[i]);
    UploadMipmapped(3, images[i]->width, images[i]->height, images[i]->pixels.data(), minFilter);
    images[i].reset();
  }
  return true;
}

}  // namespace

std::unique_ptr<RgbImage> LoadBMP(const char* fileName) {
  if (!fileName) return nullptr;
  auto image = std::make_unique<RgbImage>();
  if (!ReadBmpFile(DataPath(fileName), *image)) {
    ReportDataFileNotLoaded(fileName);
    return nullptr;
  }
  return image;
}

std::unique_ptr<RgbImage> LoadBMPChecked(const char* fileName) { return LoadBMP(fileName); }

GLuint LoadMipmappedTexture(const char* fileName) {
  std::unique_ptr<RgbImage> image = LoadBMP(fileName);
  if (!image) return 0;
  GLuint name = 0;
  glGenTextures(1, &name);
  glBindTexture(GL_TEXTURE_2D, name);
  UploadMipmapped(3, image->width, image->height, image->pixels.data(), GL_LINEAR_MIPMAP_LINEAR);
  return name;
}

TgaTexture::~TgaTexture() {
  delete[] pixels;
  pixels = nullptr;
}

bool TgaTexture::LoadTGA(const char* fileName) {
  if (!fileName) return false;
  TgaImage image;
  if (!ReadTgaFile(DataPath(fileName), image)) {
    ReportDataFileNotLoaded(fileName);
    return false;
  }
  Free();
  width = image.width;
  height = image.height;
  components = image.components;
  pixels = new unsigned char[image.pixels.size()];
  std::memcpy(pixels, image.pixels.data(), image.pixels.size());
  glGenTextures(1, &id);
  glBindTexture(GL_TEXTURE_2D, id);
  UploadMipmapped(components, width, height, pixels, GL_LINEAR_MIPMAP_LINEAR);
  return true;
}

void TgaTexture::Free() {
  if (id != static_cast<GLuint>(-1)) glDeleteTextures(1, &id);
  id = static_cast<GLuint>(-1);
  delete[] pixels;
  pixels = nullptr;
}

bool TgaTexture::SaveTGA(const char* fileName, int width, int height, unsigned char* rgbPixels) {
  if (!fileName || !rgbPixels || width <= 0 || height <= 0 || width > 65535 || height > 65535) return false;
  const size_t count = static_cast<size_t>(width) * height * 3;
  for (size_t i = 0; i < count; i += 3) {
    const unsigned char t = rgbPixels[i];
    rgbPixels[i] = rgbPixels[i + 2];
    rgbPixels[i + 2] = t;
  }
  ByteWriter w;
  w.Bytes(kTgaHeader, sizeof kTgaHeader);
  w.U16(static_cast<uint16_t>(width));
  w.U16(static_cast<uint16_t>(height));
  w.U8(24);
  w.U8(0);
  w.Bytes(rgbPixels, count);
  return WriteWholeFile(DataPath(fileName), w.bytes());
}

bool LoadBmpTextures() {
  int numbers[61];
  for (int i = 0; i < 61; ++i) numbers[i] = i;
  return LoadBmpTable(bmpTextures, numbers, 61, GL_LINEAR_MIPMAP_LINEAR);
}

bool LoadScreenTextures() {
  static const int numbers[4] = {16, 41, 0, 40};
  return LoadBmpTable(screenTextures, numbers, 4, GL_LINEAR_MIPMAP_NEAREST);
}

bool LoadTgaTextures() {
  bool last = false;
  for (int i = 0; i < 11; ++i) last = tgaTextures[i].LoadTGA(TextureFileName(i, "tga").c_str());
  return last;
}

const GLenum kCubeMapFaces[6] = {GL_TEXTURE_CUBE_MAP_POSITIVE_X, GL_TEXTURE_CUBE_MAP_NEGATIVE_X,
                                 GL_TEXTURE_CUBE_MAP_POSITIVE_Y, GL_TEXTURE_CUBE_MAP_NEGATIVE_Y,
                                 GL_TEXTURE_CUBE_MAP_POSITIVE_Z, GL_TEXTURE_CUBE_MAP_NEGATIVE_Z};

void BindNewCubeMap(GLuint& name, GLint minFilter) {
  glGenTextures(1, &name);
  glBindTexture(GL_TEXTURE_CUBE_MAP, name);
  glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_S, GL_REPEAT);
  glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_T, GL_REPEAT);
  glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_R, GL_REPEAT);
  glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MIN_FILTER, minFilter);
  glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
}

bool LoadSkyCubeMap() {
  static const char* const files[6] = {"textures/right.bmp",  "textures/left.bmp", "textures/top.bmp",
                                       "textures/bottom.bmp", "textures/back.bmp", "textures/front.bmp"};
  glEnable(GL_TEXTURE_CUBE_MAP);
  BindNewCubeMap(skyCubeMap, GL_LINEAR);
  GLint oldAlignment = 4;
  glGetIntegerv(GL_UNPACK_ALIGNMENT, &oldAlignment);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  bool all = true;
  for (int i = 0; i < 6; ++i) {
    std::unique_ptr<RgbImage> image = LoadBMP(files[i]);
    if (!image) {
      all = false;
      continue;
    }
    glTexImage2D(kCubeMapFaces[i], 0, GL_RGB8, image->width, image->height, 0, GL_RGB, GL_UNSIGNED_BYTE,
                 image->pixels.data());
  }
  glPixelStorei(GL_UNPACK_ALIGNMENT, oldAlignment);
  glDisable(GL_TEXTURE_CUBE_MAP);
  glEnable(GL_TEXTURE_2D);
  return all;
}

void FreeTgaTextures() {
  for (TgaTexture& t : tgaTextures) t.Free();
}
