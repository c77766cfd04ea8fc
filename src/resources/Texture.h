#pragma once
// One GL texture object: a mipmapped 2D texture made from an image file, or an empty render
// target (2D colour, square depth, cube map). Textures are shared through TextureManager and live
// until the process ends. Every operation that calls GL needs the demo's context current.
#include "ImageData.h"

#include <epoxy/gl.h>

#include <cstdint>

class Texture {
 public:
  Texture(GLenum target, GLenum internalFormat);
  // Frees the image; the GL texture name is left alone (the context goes away with the process).
  ~Texture();
  Texture(const Texture&) = delete;
  Texture& operator=(const Texture&) = delete;

  // A texture made from directory + name. Null (and nothing kept) when the image cannot be
  // loaded; a target other than GL_TEXTURE_2D gives a texture without a GL name (see
  // loadFromFile). The caller owns the result.
  static Texture* loadTexture(const char* name, const char* directory, GLenum target);
  // An empty render target: GL_TEXTURE_2D (createEmpty2D), GL_TEXTURE_CUBE_MAP (createCubeMap
  // with width) or GL_DEPTH_COMPONENT (createDepth with width); null for any other target.
  // Checks the GL error flag (fatal) on entry and exit. The caller owns the result.
  static Texture* createRenderTexture(int width, int height, GLenum target, GLenum internalFormat);
  // A new texture holding a copy of base's image with opacity's grey level ((r + g + b) / 3 of
  // the pixel at the same place) as its alpha, uploaded as generateTexture2D does when base has
  // a GL texture; base and opacity are not changed. Null when either holds no image or the images
  // are compressed, not 32-bit or of different sizes. The caller owns the result.
  static Texture* createOpacityMerged(const Texture& base, const Texture& opacity);

  // Loads the image; false if that fails. GL_TEXTURE_2D runs generateTexture2D; any other target
  // gives the non-fatal report "generateTexture1D is not implemented" and no GL texture. Returns
  // true whenever the image loaded.
  bool loadFromFile(const char* name, const char* directory, GLenum target);
  // Takes image (decoded elsewhere, e.g. from an imported scene) and uploads it as
  // generateTexture2D does; false, and image freed, for a null or compressed image.
  bool loadFromImage(ImageData* image);
  // Uploads the held image as a mipmapped, repeating 2D texture. Uncompressed images are
  // resampled to power-of-two sizes no wider than tall and widened to 32 bits (fatal for depths
  // other than 24 and 32). Compressed images keep their size and upload the mipmap levels the
  // file holds, at most the header's count.
  void generateTexture2D();
  // Colour target of width x height rounded up to powers of two from 8; over 1024 in either is
  // the fatal report "Texture: dimensions too large". When rounding changed the size, the
  // requested area is 127 in all four channels and the rest zero; otherwise all zero.
  void createEmpty2D(int width, int height);
  // Square depth texture of size x size (no rounding), linear, clamped to the edge.
  void createDepth(int size);
  // Cube map with six zeroed size x size RGBA faces, linear, clamped to the edge.
  void createCubeMap(int size);

  // Binds the texture to its target (a depth texture binds as GL_TEXTURE_2D).
  void bind() const;
  // Binds the texture and sets its minification and magnification filters.
  void setFilter(GLenum minFilter, GLenum magFilter);

  ImageData* getImage() const { return _image; }
  GLuint getTextureId() const { return _textureId; }
  GLenum getTarget() const { return _target; }
  GLenum getInternalFormat() const { return _internalFormat; }
  int getWidth() const { return _width; }
  int getHeight() const { return _height; }
  int getImageWidth() const { return _imageWidth; }
  int getImageHeight() const { return _imageHeight; }

 private:
  void uploadCompressed();

  ImageData* _image = nullptr;  // owned; null for render targets; kept after upload
  GLuint _textureId = 0;
  GLenum _target;               // GL_TEXTURE_2D, GL_TEXTURE_CUBE_MAP, or GL_DEPTH_COMPONENT for depth
  GLenum _internalFormat;       // of empty 2D targets; GL_RGBA for file textures
  int _width = 0;               // texels, after rounding
  int _height = 0;              // texels, after rounding
  int _imageWidth = 0;          // pixels of the source image (file textures)
  int _imageHeight = 0;         // pixels of the source image (file textures)
};
