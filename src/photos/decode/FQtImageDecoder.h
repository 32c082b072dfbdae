#pragma once
// BMP through Qt's image reader, which needs no application object.

#include <QImage>

#include <cstddef>
#include <cstdint>
#include <string>

// format is Qt's name ("png", "bmp"). The declared size comes back in width and
// height even when the image is then refused; a null image means failure, with
// *reason. Otherwise the image is RGBA8888.
QImage ReadQtImage(const uint8_t* data, size_t size, const char* format, int64_t maxPixels, int maxSide, int& width,
                   int& height, std::string* reason);
