#include "render/InvoicePdf.h"

#include <cairo-pdf.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "fa3/Schemat_FA3.h"
#include "render/AmountInWords.h"
#include "render/InvoiceLabels.h"
#include "render/NodeReader.h"
#include "render/PageWriter.h"
#include "render/QrCode.h"
#include "support/Errors.h"
#include "support/Paths.h"

namespace brenvik {
namespace {

constexpr double QrSideMm = 32;

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw EFOpenError("Nie można otworzyć pliku \"" + path + "\"");
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

std::string Bold(const std::string& text) { return "<b>" + Escape(text) + "</b>"; }

// "Label: value" lines of the fields that the file has.
class TLines {
public:
  void Add(const std::string& label, const std::string& value) {
    if (value.empty()) return;
    if (!FMarkup.empty()) FMarkup += '\n';
    FMarkup += label.empty() ? Escape(value) : Escape(label) + ": " + Escape(value);
  }
  void AddMarkup(const std::string& markup) {
    if (!FMarkup.empty()) FMarkup += '\n';
    FMarkup += markup;
  }
  bool Empty() const { return FMarkup.empty(); }
  const std::string& Markup() const { return FMarkup; }

private:
  std::string FMarkup;
};

std::string Money(const std::string& decimal) { return DecimalText(decimal, 2); }

// A rate as printed: "23" as "23%", "0 WDT" as "0% WDT", "zw" as it is.
std::string RateText(const std::string& rate) {
  size_t digits = 0;
  while (digits < rate.size() && std::isdigit(static_cast<unsigned char>(rate[digits]))) ++digits;
  return digits == 0 ? rate : rate.substr(0, digits) + "%" + rate.substr(digits);
}

std::string HundredthsText(std::int64_t hundredths) {
  const std::int64_t magnitude = hundredths < 0 ? -hundredths : hundredths;
  char fraction[8];
  std::snprintf(fraction, sizeof fraction, ".%02d", static_cast<int>(magnitude % 100));
  return Money((hundredths < 0 ? "-" : "") + std::to_string(magnitude / 100) + fraction);
}

std::string JoinNonEmpty(const std::vector<std::string>& parts, const std::string& separator) {
  std::string text;
  for (const std::string& p : parts)
    if (!p.empty()) text += (text.empty() ? "" : separator) + p;
  return text;
}

// Identifiers, name, addresses and contacts of a party.
std::string PartyMarkup(const std::string& heading, xmlNodePtr party) {
  TLines lines;
  lines.AddMarkup(Bold(heading));
  xmlNodePtr id = ChildAt(party, "DaneIdentyfikacyjne");
  lines.Add("", TextAt(id, "Nazwa"));
  lines.Add("NIP", TextAt(party, "PrefiksPodatnika").empty()
                       ? TextAt(id, "NIP")
                       : TextAt(party, "PrefiksPodatnika") + " " + TextAt(id, "NIP"));
  lines.Add("Numer VAT UE", JoinNonEmpty({TextAt(id, "KodUE"), TextAt(id, "NrVatUE")}, " "));
  lines.Add("Identyfikator podatkowy",
            JoinNonEmpty({TextAt(id, "KodKraju"), TextAt(id, "NrID")}, " "));
  lines.Add("Identyfikator wewnętrzny", TextAt(id, "IDWew"));
  if (TextAt(id, "BrakID") == "1") lines.Add("", "Brak identyfikatora podatkowego");
  lines.Add("Numer EORI", TextAt(party, "NrEORI"));
  for (const char* name : {"Adres", "AdresKoresp"}) {
    xmlNodePtr address = ChildAt(party, name);
    if (!address) continue;
    const std::string text = JoinNonEmpty(
        {TextAt(address, "AdresL1"), TextAt(address, "AdresL2"), TextAt(address, "KodKraju")},
        ", ");
    lines.Add(std::string(name) == "Adres" ? "Adres" : "Adres do korespondencji", text);
    lines.Add("GLN", TextAt(address, "GLN"));
  }
  for (xmlNodePtr contact : ChildrenNamed(party, "DaneKontaktowe")) {
    lines.Add("E-mail", TextAt(contact, "Email"));
    lines.Add("Telefon", TextAt(contact, "Telefon"));
  }
  lines.Add("Numer klienta", TextAt(party, "NrKlienta"));
  lines.Add("Identyfikator nabywcy", TextAt(party, "IDNabywcy"));
  if (TextAt(party, "JST") == "1") lines.Add("", "Jednostka podrzędna JST");
  if (TextAt(party, "GV") == "1") lines.Add("", "Członek grupy VAT");
  lines.Add("Udział", TextAt(party, "Udzial").empty() ? "" : TextAt(party, "Udzial") + "%");
  return lines.Markup();
}

class TInvoicePage {
public:
  TInvoicePage(xmlNodePtr root, const std::string& fileBytes, const TInvoicePdfOptions& options)
      : FRoot(root), FFa(ChildAt(root, "Fa")), FBytes(fileBytes), FOptions(options) {}

  void Write(TPageWriter& page) const {
    Header(page);
    Parties(page);
    Correction(page);
    Lines(page);
    Totals(page);
    Annotations(page);
    Settlement(page);
    Payment(page);
    Descriptions(page);
    Footer(page);
    VerificationCode(page);
  }

  // What every page's foot says of the invoice.
  std::string Footer() const { return "Faktura nr " + Fa("P_2"); }

private:
  std::string Fa(const std::string& path) const { return TextAt(FFa, path); }

  void Header(TPageWriter& page) const {
    const std::string kind = Fa("RodzajFaktury");
    const char* heading = InvoiceKindHeading(kind);
    page.Title(std::string(heading ? heading : "Faktura") + " nr " + Fa("P_2"));
    TLines lines;
    lines.Add("Numer KSeF", FOptions.KsefNumber);
    lines.Add("Data wystawienia", Fa("P_1"));
    lines.Add("Miejsce wystawienia", Fa("P_1M"));
    lines.Add("Data dostawy lub wykonania usługi", Fa("P_6"));
    if (ChildAt(FFa, "OkresFa"))
      lines.Add("Okres, którego dotyczy faktura",
                "od " + Fa("OkresFa/P_6_Od") + " do " + Fa("OkresFa/P_6_Do"));
    lines.Add("Waluta", Fa("KodWaluty"));
    for (xmlNodePtr wz : ChildrenNamed(FFa, "WZ")) lines.Add("Dokument WZ", TextAt(wz, ""));
    page.Paragraph(lines.Markup());
  }

  void Parties(TPageWriter& page) const {
    page.Heading("Sprzedawca i nabywca");
    page.Columns({PartyMarkup("Sprzedawca", ChildAt(FRoot, "Podmiot1")),
                  PartyMarkup("Nabywca", ChildAt(FRoot, "Podmiot2"))});
    for (xmlNodePtr third : ChildrenNamed(FRoot, "Podmiot3")) {
      const char* role = PartyRoleName(TextAt(third, "Rola"));
      const std::string name = role                                ? role
                               : TextAt(third, "OpisRoli").empty() ? "Podmiot trzeci"
                                                                   : TextAt(third, "OpisRoli");
      page.Paragraph(PartyMarkup("Podmiot trzeci – " + name, third));
    }
    if (xmlNodePtr authorised = ChildAt(FRoot, "PodmiotUpowazniony")) {
      const char* role = AuthorisedRoleName(TextAt(authorised, "RolaPU"));
      page.Paragraph(
          PartyMarkup(std::string("Podmiot upoważniony") + (role ? std::string(" – ") + role : ""),
                      authorised));
    }
  }

  void Correction(TPageWriter& page) const {
    const auto corrected = ChildrenNamed(FFa, "DaneFaKorygowanej");
    if (corrected.empty() && Fa("PrzyczynaKorekty").empty()) return;
    page.Heading("Faktura korygowana");
    TLines lines;
    for (xmlNodePtr c : corrected) {
      lines.Add("Numer faktury korygowanej", TextAt(c, "NrFaKorygowanej"));
      lines.Add("Data wystawienia faktury korygowanej", TextAt(c, "DataWystFaKorygowanej"));
      lines.Add("Numer KSeF faktury korygowanej",
                TextAt(c, "NrKSeF") == "1" ? TextAt(c, "NrKSeFFaKorygowanej") : "poza KSeF");
    }
    lines.Add("Przyczyna korekty", Fa("PrzyczynaKorekty"));
    const std::string type = Fa("TypKorekty");
    lines.Add("Skutek korekty ujęty", type == "1"   ? "w dacie ujęcia faktury pierwotnej"
                                      : type == "2" ? "w dacie wystawienia faktury korygującej"
                                      : type == "3" ? "w dacie innej"
                                                    : type);
    lines.Add("Okres faktury korygowanej", Fa("OkresFaKorygowanej"));
    lines.Add("Poprawny numer faktury korygowanej", Fa("NrFaKorygowany"));
    page.Paragraph(lines.Markup());
    // The parties as the corrected invoice named them, where they changed.
    std::vector<std::string> before;
    if (xmlNodePtr seller = ChildAt(FFa, "Podmiot1K"))
      before.push_back(PartyMarkup("Sprzedawca na fakturze korygowanej", seller));
    for (xmlNodePtr buyer : ChildrenNamed(FFa, "Podmiot2K"))
      before.push_back(PartyMarkup("Nabywca na fakturze korygowanej", buyer));
    for (size_t i = 0; i < before.size(); i += 2)
      page.Columns(i + 1 < before.size() ? std::vector<std::string>{before[i], before[i + 1]}
                                         : std::vector<std::string>{before[i], ""});
  }

  enum class TLineKind { Net, Gross, Order };

  static const char* FieldOf(const TLineColumn& c, TLineKind kind) {
    return kind == TLineKind::Net     ? c.NetField
           : kind == TLineKind::Gross ? c.GrossField
                                      : c.OrderField;
  }

  // The rows of the invoice (FaWiersz) or of an order (ZamowienieWiersz) as a table.
  static TTable LineTable(const std::vector<xmlNodePtr>& rows, TLineKind kind) {
    TTable table;
    std::vector<const TLineColumn*> columns;
    for (const TLineColumn& c : LineColumns()) {
      const char* field = FieldOf(c, kind);
      bool present = *field && !c.Optional;
      for (size_t i = 0; i < rows.size() && *field && !present; ++i)
        present = !TextAt(rows[i], field).empty();
      if (!present) continue;
      columns.push_back(&c);
      table.Columns.push_back(
          {kind == TLineKind::Gross ? c.GrossHeader : c.NetHeader, c.Share, c.AlignRight});
    }
    for (xmlNodePtr r : rows) {
      std::vector<std::string> cells;
      for (const TLineColumn* c : columns) {
        const std::string field = FieldOf(*c, kind);
        std::string text = TextAt(r, field);
        if (c->NetField == std::string("P_12"))
          text = RateText(text);
        else if (c->AlignRight && c->NetField != std::string("NrWierszaFa"))
          text = DecimalText(text, c->NetField == std::string("P_8B") ? 0 : 2);
        if (c->NetField == std::string("P_7") &&
            TextAt(r, kind == TLineKind::Order ? "StanPrzedZ" : "StanPrzed") == "1")
          text += " (stan przed korektą)";
        cells.push_back(text);
      }
      table.Rows.push_back(std::move(cells));
    }
    return table;
  }

  void Lines(TPageWriter& page) const {
    const auto rows = ChildrenNamed(FFa, "FaWiersz");
    if (!rows.empty()) {
      // An invoice in gross prices gives P_9B or P_11A where a net one gives P_9A and P_11.
      bool gross = false;
      for (xmlNodePtr r : rows)
        if (!TextAt(r, "P_11A").empty() || !TextAt(r, "P_9B").empty()) gross = true;
      page.Heading("Pozycje");
      page.Table(LineTable(rows, gross ? TLineKind::Gross : TLineKind::Net));
    }
    xmlNodePtr order = ChildAt(FFa, "Zamowienie");
    if (!order) return;
    page.Heading("Zamówienie lub umowa");
    const auto orderRows = ChildrenNamed(order, "ZamowienieWiersz");
    if (!orderRows.empty()) page.Table(LineTable(orderRows, TLineKind::Order));
    if (!TextAt(order, "WartoscZamowienia").empty())
      page.Paragraph(
          Escape("Wartość zamówienia lub umowy: " + Money(TextAt(order, "WartoscZamowienia"))));
  }

  void Totals(TPageWriter& page) const {
    TTable table;
    bool inPln = false;
    for (const TRateTotal& t : RateTotals())
      if (*t.VatPlnField && !Fa(t.VatPlnField).empty()) inPln = true;
    table.Columns = {{"Stawka", 30, false}, {"Wartość netto", 20, true}, {"Kwota VAT", 20, true}};
    if (inPln) table.Columns.push_back({"Kwota VAT w PLN", 20, true});
    std::int64_t net = 0, vat = 0;
    bool summable = true;
    for (const TRateTotal& t : RateTotals()) {
      if (Fa(t.NetField).empty()) continue;
      std::vector<std::string> row = {t.Rate, Money(Fa(t.NetField)),
                                      *t.VatField ? Money(Fa(t.VatField)) : ""};
      if (inPln) row.push_back(*t.VatPlnField ? Money(Fa(t.VatPlnField)) : "");
      table.Rows.push_back(std::move(row));
      try {
        net += ParseHundredths(Fa(t.NetField));
        if (*t.VatField && !Fa(t.VatField).empty()) vat += ParseHundredths(Fa(t.VatField));
      } catch (const EConvertError&) {
        summable = false;  // a file that the schema refuses; its sums are not made up
      }
    }
    if (table.Rows.size() > 1 && summable)
      table.Rows.push_back({"Razem", HundredthsText(net), HundredthsText(vat)});
    page.Heading("Podsumowanie według stawek");
    if (!table.Rows.empty()) page.Table(table);
    const std::string currency = Fa("KodWaluty").empty() ? "PLN" : Fa("KodWaluty");
    TLines lines;
    // The rate is of the whole invoice (advance) or of its lines.
    std::vector<std::string> rates = {Fa("KursWalutyZ")};
    for (xmlNodePtr r : ChildrenNamed(FFa, "FaWiersz")) {
      const std::string rate = TextAt(r, "KursWaluty");
      if (!rate.empty() && std::find(rates.begin(), rates.end(), rate) == rates.end())
        rates.push_back(rate);
    }
    lines.Add("Kurs waluty", JoinNonEmpty(rates, "; "));
    const std::string due = Fa("P_15");
    if (!due.empty()) {
      lines.AddMarkup(Bold("Razem do zapłaty: " + Money(due) + " " + currency));
      try {
        lines.Add("słownie", AmountInWords(ParseHundredths(due), currency));
      } catch (const EConvertError& e) {
        lines.Add("słownie", std::string("nie można zapisać: ") + e.what());
      }
    }
    lines.Add("Kwota zapłaty po korekcie", Fa("P_15ZK").empty() ? "" : Money(Fa("P_15ZK")));
    for (xmlNodePtr part : ChildrenNamed(FFa, "ZaliczkaCzesciowa"))
      lines.Add("Zaliczka częściowa z dnia " + TextAt(part, "P_6Z"), Money(TextAt(part, "P_15Z")));
    for (xmlNodePtr advance : ChildrenNamed(FFa, "FakturaZaliczkowa"))
      lines.Add("Faktura zaliczkowa", TextAt(advance, "NrKSeFZN") == "1"
                                          ? TextAt(advance, "NrFaZaliczkowej") + " (poza KSeF)"
                                          : TextAt(advance, "NrKSeFFaZaliczkowej"));
    page.Paragraph(lines.Markup(), 9.5);
  }

  void Annotations(TPageWriter& page) const {
    xmlNodePtr annotations = ChildAt(FFa, "Adnotacje");
    TLines lines;
    for (const TAnnotation& a : AnnotationTexts())
      if (TextAt(annotations, a.Path) == "1") lines.Add("", a.Text);
    for (const TExemptionBasis& b : ExemptionBases())
      lines.Add(b.Label, TextAt(annotations, std::string("Zwolnienie/") + b.Field));
    if (lines.Empty()) return;
    page.Heading("Adnotacje");
    page.Paragraph(lines.Markup());
  }

  void Settlement(TPageWriter& page) const {
    xmlNodePtr settlement = ChildAt(FFa, "Rozliczenie");
    if (!settlement) return;
    TLines lines;
    for (xmlNodePtr c : ChildrenNamed(settlement, "Obciazenia"))
      lines.Add("Obciążenie: " + TextAt(c, "Powod"), Money(TextAt(c, "Kwota")));
    for (xmlNodePtr c : ChildrenNamed(settlement, "Odliczenia"))
      lines.Add("Odliczenie: " + TextAt(c, "Powod"), Money(TextAt(c, "Kwota")));
    for (const char* field : {"DoZaplaty", "DoRozliczenia"})
      if (!TextAt(settlement, field).empty())
        lines.Add(std::string(field) == "DoZaplaty" ? "Do zapłaty" : "Do rozliczenia",
                  Money(TextAt(settlement, field)));
    page.Heading("Rozliczenie");
    page.Paragraph(lines.Markup());
  }

  static std::string PaymentForm(xmlNodePtr node) {
    if (TextAt(node, "PlatnoscInna") == "1") return TextAt(node, "OpisPlatnosci");
    const char* form = PaymentFormName(TextAt(node, "FormaPlatnosci"));
    return form ? form : TextAt(node, "FormaPlatnosci");
  }

  void Payment(TPageWriter& page) const {
    xmlNodePtr payment = ChildAt(FFa, "Platnosc");
    if (!payment) return;
    TLines lines;
    if (TextAt(payment, "Zaplacono") == "1")
      lines.Add("Zapłacono", "tak, " + TextAt(payment, "DataZaplaty"));
    else
      lines.Add("Zapłacono",
                TextAt(payment, "ZnacznikZaplatyCzesciowej") == "1" ? "częściowo" : "nie");
    for (xmlNodePtr part : ChildrenNamed(payment, "ZaplataCzesciowa"))
      lines.Add(
          "Zapłata częściowa " + TextAt(part, "DataZaplatyCzesciowej"),
          JoinNonEmpty({Money(TextAt(part, "KwotaZaplatyCzesciowej")), PaymentForm(part)}, ", "));
    for (xmlNodePtr due : ChildrenNamed(payment, "TerminPlatnosci"))
      lines.Add("Termin płatności",
                JoinNonEmpty({TextAt(due, "Termin"),
                              JoinNonEmpty({TextAt(due, "TerminOpis/Ilosc"),
                                            TextAt(due, "TerminOpis/Jednostka"),
                                            TextAt(due, "TerminOpis/ZdarzeniePoczatkowe")},
                                           " ")},
                             ", "));
    lines.Add("Forma płatności", PaymentForm(payment));
    for (const char* accounts : {"RachunekBankowy", "RachunekBankowyFaktora"})
      for (xmlNodePtr account : ChildrenNamed(payment, accounts))
        lines.Add(std::string(accounts) == "RachunekBankowy" ? "Rachunek bankowy"
                                                             : "Rachunek bankowy faktora",
                  JoinNonEmpty(
                      {TextAt(account, "NrRB"), TextAt(account, "NazwaBanku"),
                       TextAt(account, "SWIFT").empty() ? "" : "SWIFT " + TextAt(account, "SWIFT"),
                       TextAt(account, "OpisRachunku")},
                      ", "));
    lines.Add("Skonto", JoinNonEmpty({TextAt(payment, "Skonto/WarunkiSkonta"),
                                      TextAt(payment, "Skonto/WysokoscSkonta")},
                                     ", "));
    lines.Add("Link do płatności", TextAt(payment, "LinkDoPlatnosci"));
    page.Heading("Płatność");
    page.Paragraph(lines.Markup());
  }

  void Descriptions(TPageWriter& page) const {
    TLines lines;
    for (xmlNodePtr d : ChildrenNamed(FFa, "DodatkowyOpis"))
      lines.Add(TextAt(d, "Klucz"), TextAt(d, "Wartosc"));
    xmlNodePtr terms = ChildAt(FFa, "WarunkiTransakcji");
    for (xmlNodePtr c : ChildrenNamed(terms, "Umowy"))
      lines.Add("Umowa", JoinNonEmpty({TextAt(c, "NrUmowy"), TextAt(c, "DataUmowy")}, " z "));
    for (xmlNodePtr c : ChildrenNamed(terms, "Zamowienia"))
      lines.Add("Zamówienie",
                JoinNonEmpty({TextAt(c, "NrZamowienia"), TextAt(c, "DataZamowienia")}, " z "));
    for (xmlNodePtr c : ChildrenNamed(terms, "NrPartiiTowaru"))
      lines.Add("Numer partii towaru", TextAt(c, ""));
    lines.Add("Warunki dostawy", TextAt(terms, "WarunkiDostawy"));
    for (xmlNodePtr transport : ChildrenNamed(terms, "Transport")) {
      xmlNodePtr carrier = ChildAt(transport, "Przewoznik/DaneIdentyfikacyjne");
      const std::string nip = TextAt(carrier, "NIP");
      lines.Add("Przewoźnik",
                JoinNonEmpty({TextAt(carrier, "Nazwa"), nip.empty() ? "" : "NIP " + nip}, ", "));
      lines.Add("Numer zlecenia transportu", TextAt(transport, "NrZleceniaTransportu"));
    }
    if (lines.Empty()) return;
    page.Heading("Informacje dodatkowe");
    page.Paragraph(lines.Markup());
  }

  void Footer(TPageWriter& page) const {
    xmlNodePtr footer = ChildAt(FRoot, "Stopka");
    if (!footer) return;
    TLines lines;
    for (xmlNodePtr i : ChildrenNamed(footer, "Informacje"))
      lines.Add("", TextAt(i, "StopkaFaktury"));
    for (xmlNodePtr r : ChildrenNamed(footer, "Rejestry")) {
      lines.Add("Pełna nazwa", TextAt(r, "PelnaNazwa"));
      lines.Add("KRS", TextAt(r, "KRS"));
      lines.Add("REGON", TextAt(r, "REGON"));
      lines.Add("BDO", TextAt(r, "BDO"));
    }
    if (lines.Empty()) return;
    page.Heading("Stopka faktury");
    page.Paragraph(lines.Markup());
  }

  void VerificationCode(TPageWriter& page) const {
    std::string link;
    try {
      link = InvoiceVerificationLink(FOptions.QrBaseAddress,
                                     TextAt(FRoot, "Podmiot1/DaneIdentyfikacyjne/NIP"), Fa("P_1"),
                                     FBytes);
    } catch (const EConvertError& e) {
      page.Heading("Kod weryfikacyjny KSeF");
      page.Paragraph(
          Escape(std::string("Faktura nie ma kodu weryfikacyjnego KSeF: ") + e.what() + "."));
      return;
    }
    const double side = QrSideMm * PtPerMm;
    const std::string number = FOptions.KsefNumber.empty() ? "OFFLINE" : FOptions.KsefNumber;
    // The number, 35 characters, is wider than the code: it starts at the
    // code's left edge, below the code and below the link beside it.
    auto label = page.Layout(Bold(number), page.ContentWidth(), 7.5);
    const double textX = side + 16;
    auto text = page.Layout(
        Escape("Zeskanuj kod lub otwórz link, aby sprawdzić fakturę w KSeF:") + "\n" + Escape(link),
        page.ContentWidth() - textX, 8);
    int w = 0, labelHeight = 0, textHeight = 0;
    pango_layout_get_size(label.get(), &w, &labelHeight);
    pango_layout_get_size(text.get(), &w, &textHeight);
    const double labelY = std::max(side + 2, 6 + double(textHeight) / PANGO_SCALE);
    const double height = labelY + double(labelHeight) / PANGO_SCALE;
    page.Heading("Kod weryfikacyjny KSeF", height);
    page.Block(height, [&](cairo_t* cr, double x, double y) {
      DrawQrCode(cr, link, x, y, side);
      page.DrawLayout(label.get(), x, y + labelY);
      page.DrawLayout(text.get(), x + textX, y + 4);
    });
  }

  xmlNodePtr FRoot;
  xmlNodePtr FFa;
  const std::string& FBytes;
  const TInvoicePdfOptions& FOptions;
};

// The PDF while it is written, removed unless it became the PDF.
struct TPartFile {
  std::string Path;
  explicit TPartFile(std::string path) : Path(std::move(path)) {}
  TPartFile(const TPartFile&) = delete;
  TPartFile& operator=(const TPartFile&) = delete;
  ~TPartFile() {
    if (!Path.empty()) std::remove(Path.c_str());
  }
};

EInOutError CannotWrite(const std::string& pdfPath) {
  return EInOutError("Nie można zapisać pliku PDF \"" + pdfPath +
                     "\": folder nie istnieje, nie można w nim pisać albo brak miejsca na dysku");
}

int RenderPages(cairo_t* cr, const TInvoicePage& invoice, int totalPages) {
  TPageWriter page(cr, totalPages, invoice.Footer());
  invoice.Write(page);
  return page.Finish();
}

}  // namespace

std::string PdfPathBeside(const std::string& xmlPath) { return ChangeFileExt(xmlPath, ".pdf"); }

void WriteInvoicePdf(const std::string& xmlPath, const std::string& pdfPath,
                     const TInvoicePdfOptions& options) {
  IXMLFaktura faktura = LoadFaktura(xmlPath);
  const std::string bytes = ReadBytes(xmlPath);
  const TInvoicePage invoice(faktura->Node(), bytes, options);

  // The pages are counted first, so that every page can say "strona N z M".
  int pages = 0;
  {
    TCairoOwner<cairo_surface_t> counting(
        cairo_recording_surface_create(CAIRO_CONTENT_COLOR_ALPHA, nullptr));
    TCairoOwner<cairo_t> cr(cairo_create(counting.get()));
    pages = RenderPages(cr.get(), invoice, 0);
  }
  // Written beside the target and moved over it whole: no half-written PDF.
  TPartFile part(pdfPath + ".part");
  {
    TCairoOwner<cairo_surface_t> surface(
        cairo_pdf_surface_create(part.Path.c_str(), PageWidthPt, PageHeightPt));
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) throw CannotWrite(pdfPath);
    cairo_pdf_surface_set_metadata(surface.get(), CAIRO_PDF_METADATA_TITLE,
                                   ExtractFileName(xmlPath).c_str());
    TCairoOwner<cairo_t> cr(cairo_create(surface.get()));
    RenderPages(cr.get(), invoice, pages);
    cr.reset();
    cairo_surface_finish(surface.get());
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) throw CannotWrite(pdfPath);
  }
  std::error_code ec;
  std::filesystem::rename(part.Path, pdfPath, ec);
  if (ec) throw CannotWrite(pdfPath);
  part.Path.clear();
}

}  // namespace brenvik
