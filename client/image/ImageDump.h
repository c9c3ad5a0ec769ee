// A parsed image as text, one line per item with its fields in order, for
// orvimg and tests.
#pragma once

#include <string>
#include <vector>

#include "client/image/Image.h"

namespace image {

// "space L T R B", then one line per item: its class name and fields
// ("IIRectangle 10 10 40 40 3", "IIChangePen 0x01000004 2"); colours as
// 0x%08X, point lists as the count and the x y pairs, nested images by name.
std::vector<std::string> dumpImage(const Image& image);

} // namespace image
