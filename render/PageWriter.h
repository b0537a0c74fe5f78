#pragma once
// A4 pages written from top to bottom: titles, headings, wrapped texts,
// blocks kept together and tables whose header repeats on every page they
// continue on. Each page ends with "strona N z M".
#include <functional>
#include <string>
#include <vector>

#include "render/CairoOwners.h"

namespace brenvik {

inline constexpr double PageWidthPt = 595.276;
inline constexpr double PageHeightPt = 841.89;
inline constexpr double PtPerMm = 72.0 / 25.4;

struct TTableColumn {
  std::string Header;
  double Share;  // of the table's width, relative to the other columns
  bool AlignRight;
};

struct TTable {
  std::vector<TTableColumn> Columns;
  std::vector<std::vector<std::string>> Rows;  // plain text, one cell per column
};

// Text given as markup is pango markup; Escape makes plain text safe in it.
std::string Escape(const std::string& text);

class TPageWriter {
public:
  // totalPages is M of "strona N z M"; a first pass that only counts the
  // pages gives 0. The footer of every page begins with footer.
  TPageWriter(cairo_t* cr, int totalPages, std::string footer);

  double ContentWidth() const;
  void Title(const std::string& text);
  // A heading stays on the page of the first `following` points after it.
  void Heading(const std::string& text, double following = 30);
  // A wrapped paragraph; a long one continues on the next page.
  void Paragraph(const std::string& markup, double size = 8.5);
  // Texts side by side in equal columns, each wrapped in its column.
  void Columns(const std::vector<std::string>& markups);
  // Each column is at least as wide as its longest word (up to a share of
  // the page), the rest of the width goes by the columns' shares.
  void Table(const TTable& table);
  // A block of the given height drawn at (left margin, y) on one page.
  void Block(double height, const std::function<void(cairo_t*, double x, double y)>& draw);
  void Space(double points);
  // Ends the last page; the number of pages written.
  int Finish();

  // A layout of markup wrapped to width (points) in the page's font.
  TCairoOwner<PangoLayout> Layout(const std::string& markup, double width, double size,
                                  bool bold = false) const;
  void DrawLayout(PangoLayout* layout, double x, double y) const;

private:
  void NewPage();
  void EnsureSpace(double height);
  void EndPage();
  std::vector<double> ColumnWidths(const TTable& table) const;
  void TableHeader(const TTable& table, const std::vector<double>& widths);
  // The cells of a row laid out in their columns, and the row's height.
  std::vector<TCairoOwner<PangoLayout>> RowLayouts(const std::vector<std::string>& cells,
                                                   const TTable& table,
                                                   const std::vector<double>& widths, bool header,
                                                   double& height) const;
  void TableRow(const std::vector<std::string>& cells, const TTable& table,
                const std::vector<double>& widths, bool header);

  cairo_t* FCr;
  TCairoOwner<PangoContext> FContext;
  int FTotalPages;
  std::string FFooter;
  int FPage = 1;
  double FY;
};

}  // namespace brenvik
