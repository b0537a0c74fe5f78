#include "render/PageWriter.h"

#include <algorithm>
#include <numeric>

namespace brenvik {
namespace {

constexpr double Margin = 36.0;
constexpr double FooterHeight = 24.0;
constexpr double Bottom = PageHeightPt - Margin - FooterHeight;
constexpr double CellPadding = 2.5;
constexpr double TableTextSize = 7.5;
// A cell never grows beyond a page below the table's header; the rest is
// cut with "…" (FA(3) texts of a line are far shorter).
constexpr double MaxCellHeight = Bottom - Margin - 40;
// No column claims more than this part of the width for its longest word.
constexpr double MaxLeastShare = 0.3;
constexpr char FontFamily[] = "DejaVu Sans";

double ToPt(int pangoUnits) { return static_cast<double>(pangoUnits) / PANGO_SCALE; }

}  // namespace

std::string Escape(const std::string& text) {
  TCairoOwner<char> escaped(g_markup_escape_text(text.c_str(), static_cast<gssize>(text.size())));
  return escaped.get();
}

TPageWriter::TPageWriter(cairo_t* cr, int totalPages, std::string footer)
    : FCr(cr),
      FContext(pango_cairo_create_context(cr)),
      FTotalPages(totalPages),
      FFooter(std::move(footer)),
      FY(Margin) {
  // Unhinted metrics: the counting pass and the written pages break the same way.
  TCairoOwner<cairo_font_options_t> options(cairo_font_options_create());
  cairo_font_options_set_hint_style(options.get(), CAIRO_HINT_STYLE_NONE);
  cairo_font_options_set_hint_metrics(options.get(), CAIRO_HINT_METRICS_OFF);
  pango_cairo_context_set_font_options(FContext.get(), options.get());
  pango_context_set_language(FContext.get(), pango_language_from_string("pl"));
}

double TPageWriter::ContentWidth() const { return PageWidthPt - 2 * Margin; }

TCairoOwner<PangoLayout> TPageWriter::Layout(const std::string& markup, double width, double size,
                                             bool bold) const {
  TCairoOwner<PangoLayout> layout(pango_layout_new(FContext.get()));
  TCairoOwner<PangoFontDescription> font(pango_font_description_new());
  pango_font_description_set_family(font.get(), FontFamily);
  pango_font_description_set_absolute_size(font.get(), size * PANGO_SCALE);
  if (bold) pango_font_description_set_weight(font.get(), PANGO_WEIGHT_BOLD);
  pango_layout_set_font_description(layout.get(), font.get());
  pango_layout_set_width(layout.get(), static_cast<int>(width * PANGO_SCALE));
  pango_layout_set_wrap(layout.get(), PANGO_WRAP_WORD_CHAR);
  // Words broken at the column's edge get no hyphen: the text stays what the file says.
  const std::string unhyphenated = "<span insert_hyphens=\"false\">" + markup + "</span>";
  pango_layout_set_markup(layout.get(), unhyphenated.c_str(), -1);
  return layout;
}

void TPageWriter::DrawLayout(PangoLayout* layout, double x, double y) const {
  cairo_move_to(FCr, x, y);
  pango_cairo_show_layout(FCr, layout);
}

void TPageWriter::EndPage() {
  const std::string footer = FFooter + (FFooter.empty() ? "" : " – ") + "strona " +
                             std::to_string(FPage) + " z " +
                             std::to_string(std::max(FTotalPages, FPage));
  auto layout = Layout(Escape(footer), ContentWidth(), 7.5);
  pango_layout_set_alignment(layout.get(), PANGO_ALIGN_CENTER);
  // One line; a very long invoice number gives way to "strona N z M".
  pango_layout_set_height(layout.get(), -1);
  pango_layout_set_ellipsize(layout.get(), PANGO_ELLIPSIZE_START);
  cairo_set_source_rgb(FCr, 0.3, 0.3, 0.3);
  DrawLayout(layout.get(), Margin, PageHeightPt - Margin - 10);
  cairo_set_source_rgb(FCr, 0, 0, 0);
  cairo_show_page(FCr);
}

void TPageWriter::NewPage() {
  EndPage();
  ++FPage;
  FY = Margin;
}

void TPageWriter::EnsureSpace(double height) {
  if (FY + height > Bottom && FY > Margin) NewPage();
}

void TPageWriter::Space(double points) { FY = std::min(FY + points, Bottom); }

void TPageWriter::Title(const std::string& text) {
  auto layout = Layout(Escape(text), ContentWidth(), 15, true);
  int w = 0, h = 0;
  pango_layout_get_size(layout.get(), &w, &h);
  EnsureSpace(ToPt(h));
  DrawLayout(layout.get(), Margin, FY);
  FY += ToPt(h) + 4;
}

void TPageWriter::Heading(const std::string& text, double following) {
  auto layout = Layout(Escape(text), ContentWidth(), 9.5, true);
  int w = 0, h = 0;
  pango_layout_get_size(layout.get(), &w, &h);
  // A heading does not stay alone at the foot of a page.
  EnsureSpace(ToPt(h) + 10.5 + following);
  FY += 6;
  DrawLayout(layout.get(), Margin, FY);
  FY += ToPt(h) + 1.5;
  cairo_set_line_width(FCr, 0.6);
  cairo_move_to(FCr, Margin, FY);
  cairo_line_to(FCr, Margin + ContentWidth(), FY);
  cairo_stroke(FCr);
  FY += 3;
}

void TPageWriter::Paragraph(const std::string& markup, double size) {
  auto layout = Layout(markup, ContentWidth(), size);
  TCairoOwner<PangoLayoutIter> iter(pango_layout_get_iter(layout.get()));
  do {
    PangoRectangle logical;
    pango_layout_iter_get_line_extents(iter.get(), nullptr, &logical);
    const double lineHeight = ToPt(logical.height);
    const double baseline = ToPt(pango_layout_iter_get_baseline(iter.get())) - ToPt(logical.y);
    EnsureSpace(lineHeight);
    cairo_move_to(FCr, Margin + ToPt(logical.x), FY + baseline);
    pango_cairo_show_layout_line(FCr, pango_layout_iter_get_line_readonly(iter.get()));
    FY += lineHeight;
  } while (pango_layout_iter_next_line(iter.get()));
  FY += 1.5;
}

void TPageWriter::Columns(const std::vector<std::string>& markups) {
  if (markups.empty()) return;
  const double gap = 14;
  const double width = (ContentWidth() - gap * (markups.size() - 1)) / markups.size();
  std::vector<TCairoOwner<PangoLayout>> layouts;
  double height = 0;
  for (const std::string& m : markups) {
    layouts.push_back(Layout(m, width, 8.5));
    int w = 0, h = 0;
    pango_layout_get_size(layouts.back().get(), &w, &h);
    height = std::max(height, ToPt(h));
  }
  if (height > Bottom - Margin) {
    // Too tall for one page side by side: one below the other, each wrapped.
    for (const std::string& m : markups) Paragraph(m);
    return;
  }
  EnsureSpace(height);
  for (size_t i = 0; i < layouts.size(); ++i)
    DrawLayout(layouts[i].get(), Margin + i * (width + gap), FY);
  FY += height + 3;
}

void TPageWriter::Block(double height,
                        const std::function<void(cairo_t*, double x, double y)>& draw) {
  EnsureSpace(height);
  draw(FCr, Margin, FY);
  FY += height;
}

std::vector<TCairoOwner<PangoLayout>> TPageWriter::RowLayouts(const std::vector<std::string>& cells,
                                                              const TTable& table,
                                                              const std::vector<double>& widths,
                                                              bool header, double& height) const {
  std::vector<TCairoOwner<PangoLayout>> layouts;
  height = 0;
  for (size_t i = 0; i < table.Columns.size(); ++i) {
    const std::string text = i < cells.size() ? cells[i] : std::string();
    auto layout = Layout(Escape(text), widths[i] - 2 * CellPadding, TableTextSize, header);
    pango_layout_set_height(layout.get(), static_cast<int>(MaxCellHeight * PANGO_SCALE));
    pango_layout_set_ellipsize(layout.get(), PANGO_ELLIPSIZE_END);
    if (table.Columns[i].AlignRight) pango_layout_set_alignment(layout.get(), PANGO_ALIGN_RIGHT);
    int w = 0, h = 0;
    pango_layout_get_size(layout.get(), &w, &h);
    height = std::max(height, ToPt(h));
    layouts.push_back(std::move(layout));
  }
  height += 2 * CellPadding;
  return layouts;
}

void TPageWriter::TableRow(const std::vector<std::string>& cells, const TTable& table,
                           const std::vector<double>& widths, bool header) {
  double height = 0;
  const auto layouts = RowLayouts(cells, table, widths, header, height);
  if (!header && FY + height > Bottom) {
    NewPage();
    TableHeader(table, widths);
  }
  double x = Margin;
  if (header) {
    cairo_set_source_rgb(FCr, 0.9, 0.9, 0.9);
    cairo_rectangle(FCr, Margin, FY, ContentWidth(), height);
    cairo_fill(FCr);
    cairo_set_source_rgb(FCr, 0, 0, 0);
  }
  cairo_set_line_width(FCr, 0.4);
  for (size_t i = 0; i < layouts.size(); ++i) {
    DrawLayout(layouts[i].get(), x + CellPadding, FY + CellPadding);
    cairo_rectangle(FCr, x, FY, widths[i], height);
    x += widths[i];
  }
  cairo_stroke(FCr);
  FY += height;
}

void TPageWriter::TableHeader(const TTable& table, const std::vector<double>& widths) {
  std::vector<std::string> headers;
  for (const TTableColumn& c : table.Columns) headers.push_back(c.Header);
  TableRow(headers, table, widths, true);
}

std::vector<double> TPageWriter::ColumnWidths(const TTable& table) const {
  // The longest word of a cell, by characters, measured in the cell's font.
  auto wordWidth = [&](const std::string& text, bool bold) {
    size_t best = 0, bestLength = 0;
    for (size_t start = 0; start < text.size();) {
      size_t end = text.find(' ', start);
      if (end == std::string::npos) end = text.size();
      if (end - start > bestLength) best = start, bestLength = end - start;
      start = end + 1;
    }
    auto layout = Layout(Escape(text.substr(best, bestLength)), 1, TableTextSize, bold);
    pango_layout_set_width(layout.get(), -1);
    int w = 0, h = 0;
    pango_layout_get_size(layout.get(), &w, &h);
    return ToPt(w) + 2 * CellPadding + 0.5;
  };
  const double shares =
      std::accumulate(table.Columns.begin(), table.Columns.end(), 0.0,
                      [](double s, const TTableColumn& c) { return s + c.Share; });
  std::vector<double> least;
  for (size_t i = 0; i < table.Columns.size(); ++i) {
    double w = wordWidth(table.Columns[i].Header, true);
    for (const auto& row : table.Rows)
      if (i < row.size()) w = std::max(w, wordWidth(row[i], false));
    least.push_back(std::min(w, ContentWidth() * MaxLeastShare));
  }
  const double spare = ContentWidth() - std::accumulate(least.begin(), least.end(), 0.0);
  std::vector<double> widths;
  for (size_t i = 0; i < table.Columns.size(); ++i)
    widths.push_back(spare >= 0 ? least[i] + spare * table.Columns[i].Share / shares
                                : ContentWidth() * table.Columns[i].Share / shares);
  return widths;
}

void TPageWriter::Table(const TTable& table) {
  if (table.Columns.empty()) return;
  const std::vector<double> widths = ColumnWidths(table);
  // The header does not stay at the foot of a page without the first row.
  std::vector<std::string> headers;
  for (const TTableColumn& c : table.Columns) headers.push_back(c.Header);
  double headerHeight = 0, firstHeight = 0;
  RowLayouts(headers, table, widths, true, headerHeight);
  if (!table.Rows.empty()) RowLayouts(table.Rows.front(), table, widths, false, firstHeight);
  EnsureSpace(headerHeight + firstHeight);
  TableHeader(table, widths);
  for (const auto& row : table.Rows) TableRow(row, table, widths, false);
  FY += 4;
}

int TPageWriter::Finish() {
  EndPage();
  return FPage;
}

}  // namespace brenvik
