#pragma once
// A QR code (error correction level M) drawn as black squares.
#include <cairo.h>

#include <string>

namespace brenvik {

// Draws the code of text in a square of side size (points) at (x, y),
// including its quiet zone of four modules. Raises EConvertError when the
// text does not fit in a QR code.
void DrawQrCode(cairo_t* cr, const std::string& text, double x, double y, double size);

}  // namespace brenvik
