#include "picture/image.h"

namespace Picture {

bool HasTransparentPixels(const Image& image)
{
    for (std::size_t alpha = 3; alpha < image.rgba.size(); alpha += 4) {
        if (image.rgba[alpha] < 128) {
            return true;
        }
    }
    return false;
}

void OpaqueWhenAlphaIsEmpty(Image& image)
{
    for (std::size_t alpha = 3; alpha < image.rgba.size(); alpha += 4) {
        if (image.rgba[alpha] != 0) {
            return;
        }
    }
    for (std::size_t alpha = 3; alpha < image.rgba.size(); alpha += 4) {
        image.rgba[alpha] = 255;
    }
}

}  // namespace Picture
