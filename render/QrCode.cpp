#include "render/QrCode.h"

#include <qrencode.h>

#include <memory>

#include "support/Errors.h"

namespace brenvik {
namespace {

struct TQrFree {
  void operator()(QRcode* code) const { QRcode_free(code); }
};

constexpr int QuietModules = 4;

}  // namespace

void DrawQrCode(cairo_t* cr, const std::string& text, double x, double y, double size) {
  std::unique_ptr<QRcode, TQrFree> code(QRcode_encodeString8bit(text.c_str(), 0, QR_ECLEVEL_M));
  if (!code) throw EConvertError("Nie można utworzyć kodu QR z tekstu:\r\n" + text);
  const double module = size / (code->width + 2 * QuietModules);
  cairo_save(cr);
  cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_rectangle(cr, x, y, size, size);
  cairo_fill(cr);
  cairo_set_source_rgb(cr, 0, 0, 0);
  for (int row = 0; row < code->width; ++row)
    for (int col = 0; col < code->width; ++col)
      if (code->data[row * code->width + col] & 1)
        cairo_rectangle(cr, x + (col + QuietModules) * module, y + (row + QuietModules) * module,
                        module, module);
  cairo_fill(cr);
  cairo_restore(cr);
}

}  // namespace brenvik
