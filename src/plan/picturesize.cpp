#include "plan/picturesize.h"

#include "calc/limits.h"

namespace kv {

std::string pictureTooLarge(long long width, long long height, int scale)
{
    const bool sideOk = width <= limits::kMaxPictureSide && height <= limits::kMaxPictureSide;
    // Four bytes a pixel; the product cannot overflow for sides below 2^31.
    const bool memoryOk = sideOk && width * height * 4 <= limits::kMaxPictureBytes;
    if (sideOk && memoryOk)
        return {};
    return "Ошибка. Рисунок слишком велик: " + std::to_string(width) + " x "
           + std::to_string(height) + " пикселей (допускается не более "
           + std::to_string(limits::kMaxPictureSide) + " пикселей по стороне и "
           + std::to_string(limits::kMaxPictureBytes / (1024 * 1024))
           + " МБ на рисунок). Выберите более мелкий масштаб, чем 1:" + std::to_string(scale)
           + ".";
}

} // namespace kv
