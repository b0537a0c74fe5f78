#include "warehouse/Parties.h"

#include "support/Dialogs.h"
#include "support/DocumentTypes.h"
#include "support/Errors.h"
#include "warehouse/FaHeader.h"
#include "support/Nip.h"
#include "support/Regex.h"
#include "support/TextCodec.h"

namespace brenvik {

namespace {

// The shape the official schema gives a Polish tax identifier.
bool IsSchemaNip(const std::string& id) {
  static const TRegex pattern("^[1-9]((\\d[1-9])|([1-9]\\d))\\d{7}$");
  return pattern.Matches(id);
}

// The copies read the source only where it has the element: the getters of
// the binding would otherwise create empty elements in it.
template <class From, class To>
void CopyIdentification(From& from, To& to) {
  if (from->HasChild("NIP")) to->SetNIP(from->NIP());
  if (from->HasChild("KodUE")) to->SetKodUE(from->KodUE());
  if (from->HasChild("NrVatUE")) to->SetNrVatUE(from->NrVatUE());
  if (from->HasChild("KodKraju")) to->SetKodKraju(from->KodKraju());
  if (from->HasChild("NrID")) to->SetNrID(from->NrID());
  if (from->HasChild("BrakID")) to->SetBrakID(from->BrakID());
  if (from->HasChild("Nazwa")) to->SetNazwa(from->Nazwa());
}

// The tax number without its branch suffix ("5261040828-00001"): only a
// ten-digit number loses what follows its first "-"; a foreign identifier
// such as "CHE-123.456.789" is kept whole.
std::string BuyerIdentifier(const std::string& identifier) {
  const std::string head = IdentifierBeforeBranch(identifier);
  return head.size() < identifier.size() && IsNip10(head) ? head : identifier;
}

bool IsNoIdentifier(const std::string& id) { return id.empty() || SameTextAscii(id, "BRAK"); }

// The EU VAT number of a buyer of another member state: the identifier
// without the prefix that is its own country's VAT code (split off by the
// check or still in front), blanks removed; empty when the identifier has
// no such prefix. Only that prefix is stripped: "CHE-109.322.551" keeps its
// "CH", an Austrian number of a German address its "AT".
std::string EuVatNumber(const TCustomerData& rec, const std::string& vatCode) {
  if (vatCode.empty() || vatCode == "PL") return {};
  std::string compact;
  for (char ch : rec.Identifier)
    if (ch != ' ' && ch != '\t') compact += ch;
  if (!rec.Prefix.empty()) return SameTextAscii(rec.Prefix, vatCode) ? compact : std::string();
  if (compact.size() <= vatCode.size() || !SameTextAscii(compact.substr(0, 2), vatCode)) return {};
  return AsciiUpper(compact.substr(2));
}

}  // namespace

void WriteAdres(const IXMLTAdres& adres, const std::string& country, const std::string& adresL1,
                const std::string& adresL2, const std::string& gln, bool defaultPL) {
  adres->SetKodKraju(country.empty() && defaultPL ? std::string("PL") : country);
  adres->SetAdresL1(adresL1);
  if (!adresL2.empty()) adres->SetAdresL2(adresL2);
  if (!gln.empty()) adres->SetGLN(gln);
}

void FillPodmiot1(const IXMLFaktura& faktura, const TPodatnikInfoConfig& info) {
  auto p = faktura->Podmiot1();
  if (!info.PrefiksPodatnika.empty()) p->SetPrefiksPodatnika(info.PrefiksPodatnika);
  if (!info.NrEORI.empty()) p->SetNrEORI(info.NrEORI);
  auto dane = p->DaneIdentyfikacyjne();
  dane->SetNIP(info.DaneIdentyfikacyjne.NIP);
  dane->SetNazwa(info.DaneIdentyfikacyjne.Nazwa);
  WriteAdres(p->Adres(), info.Adres.KodKraju, info.Adres.AdresL1, info.Adres.AdresL2,
             info.Adres.GLN);
  if (TConfig::HasAdres(info.AdresKoresp)) {
    const auto& k = info.AdresKoresp;
    WriteAdres(p->AdresKoresp(), k.KodKraju, k.AdresL1, k.AdresL2, k.GLN, false);
  }
  for (const auto& kontakt : info.DaneKontaktowe) {
    if (!TConfig::HasKontakt(kontakt)) continue;
    auto item = p->DaneKontaktowe()->Add();
    if (!kontakt.Email.empty()) item->SetEmail(kontakt.Email);
    if (!kontakt.Telefon.empty()) item->SetTelefon(kontakt.Telefon);
  }
  if (info.StatusInfoPodatnika > 0) p->SetStatusInfoPodatnika(info.StatusInfoPodatnika);
}

std::string AddressCountryCode(const TCountry* country) { return country ? country->Iso : "PL"; }

bool HasForeignTaxId(const TCustomerData& record) {
  std::string id;
  for (char ch : record.Prefix + record.Identifier)
    if (ch != '-' && ch != ' ') id += ch;
  if (IsNoIdentifier(id)) return false;
  const bool digits = id.find_first_not_of("0123456789") == std::string::npos;
  return !(digits && (id.size() == 10 || id.size() == 15)) && !SameTextAscii(record.Prefix, "PL");
}

void CheckBuyerCountry(const TCustomerData& record, int options, int invoType,
                       const std::string& documentName) {
  if (options == 0 || record.Country) return;
  std::string why;
  if (IsExportType(invoType))
    why = "dokument eksportu towarów";
  else if (IsWdtType(invoType))
    why = "dokument wewnątrzwspólnotowej dostawy towarów";
  else if (HasForeignTaxId(record))
    why = "nabywca ma zagraniczny numer identyfikacyjny " + record.Prefix + record.Identifier;
  else
    return;
  const std::string what = "Nie rozpoznano kraju nabywcy " + record.Name + " na dokumencie " +
                           documentName + " (" + why + ")";
  const std::string text =
      what + ".\rAdres kontrahenta: " + record.Address +
      "\rWpisz kraj w kartotece kontrahenta po przecinku za miejscowością, np. \"Ateny, Grecja\"."
      "\r\rTak – pomiń ten dokument i generuj pozostałe.\rNie – przerwij generowanie.";
  if (MessageDlg(text, TMsgDlgType::mtConfirmation, {TMsgDlgBtn::mbYes, TMsgDlgBtn::mbNo},
                 TMsgDlgBtn::mbNo, TQuestionKind::qkDataWarning) != TModalResult::mrYes)
    throw EAbort(LoadAbortedAt(documentName));
  throw EDocumentRefused(what + ": dokumentu nie wygenerowano. Wpisz kraj w kartotece "
                               "kontrahenta po przecinku za miejscowością i wyślij go ponownie.");
}

bool BuyerChecking(int options) { return options == 0 || options == 3; }

std::string IdentifierBeforeBranch(const std::string& identifier) {
  return identifier.substr(0, identifier.find('-'));
}

TSaleKind FillPodmiot2From(const IXMLFaktura& faktura, const TBuyerInput& in) {
  const TCustomerData& rec = in.Record;
  const std::string id = BuyerIdentifier(rec.Identifier);
  const TBuyerKind kind = in.Options == 0 ? bkPL : BuyerKindOf(rec.Country);
  const std::string vatCode = rec.Country ? rec.Country->VatCode : "";

  auto p = faktura->Podmiot2();
  auto dane = p->DaneIdentyfikacyjne();
  bool euVatPayer = false;
  if (in.Options == 0) {
    // A domestic buyer whose number the operator let through anyway: the
    // schema takes only a well-formed NIP, so "BRAK" (or nothing) becomes
    // BrakID and any other form an identifier without a country.
    if (IsSchemaNip(id))
      dane->SetNIP(id);
    else if (IsNoIdentifier(id))
      dane->SetBrakID(1);
    else
      dane->SetNrID(id);
  } else if (const std::string number = EuVatNumber(rec, vatCode); !number.empty()) {
    dane->SetKodUE(vatCode);
    dane->SetNrVatUE(number);
    euVatPayer = true;
  } else {
    // Any other identifier goes whole, as the record holds it; a prefix the
    // check split off belongs to it, save Poland's.
    const std::string whole =
        rec.Prefix.empty() || SameTextAscii(rec.Prefix, "PL") ? id : rec.Prefix + id;
    if (IsNoIdentifier(whole)) {
      dane->SetBrakID(1);
    } else {
      if (kind != bkPL && rec.Country) dane->SetKodKraju(rec.Country->Iso);
      dane->SetNrID(whole);
    }
  }
  dane->SetNazwa(rec.Name);

  std::string address = rec.Address;
  if (!in.UsersLayout && !in.PayerText.empty()) {
    address = in.PayerText;
    // "name;address": the payer named in the customer's record is the buyer.
    // Only "Payer" is written that way; a ";" in the customer's own address
    // says nothing about the name, and an empty name part keeps the
    // customer's name.
    const auto semicolon = address.find(';');
    if (semicolon != std::string::npos) {
      const std::string payerName = Trim(address.substr(0, semicolon));
      const std::string rest = address.substr(semicolon + 1);
      if (!payerName.empty()) dane->SetNazwa(payerName);
      address = Trim(rest.substr(0, rest.find(';')));
    }
  }
  if (!address.empty()) WriteAdres(p->Adres(), AddressCountryCode(rec.Country), address);
  p->SetJST(in.JST ? 1 : 2);
  p->SetGV(in.GV ? 1 : 2);
  if (kind == bkPL) return skDomestic;
  return euVatPayer ? skIntraEu : skExport;
}

bool FillPodmiot3From(const IXMLFaktura& faktura, const TRecipientInput& in) {
  const TCustomerData& rec = in.Record;
  std::string id3 = rec.Identifier;
  if (in.UsersLayout) {
    auto p2 = faktura->Podmiot2();
    const std::string buyerName =
        p2->HasChild("DaneIdentyfikacyjne") ? p2->DaneIdentyfikacyjne()->Nazwa() : std::string();
    const std::string buyerAddress = p2->HasChild("Adres") ? p2->Adres()->AdresL1() : std::string();
    const bool differs =
        rec.Name != buyerName || (!rec.Address.empty() && rec.Address != buyerAddress);
    id3 = in.Nip3IdWew;
    if (!differs && id3.empty()) return false;
  } else {
    if (in.PayerIsNull) return false;
    if (!IsNipWithBranch(id3)) id3 = in.Permission;
  }

  auto p3 = faktura->Podmiot3()->Add();
  auto dane = p3->DaneIdentyfikacyjne();
  // NIP and IDWew only in the shape the schema accepts; ten digits that are
  // no tax number stay an identifier without a country.
  if (IsNip10(id3) && IsSchemaNip(id3))
    dane->SetNIP(id3);
  else if (IsNipWithBranch(id3) && IsSchemaNip(IdentifierBeforeBranch(id3)))
    dane->SetIDWew(id3);
  else if (id3.empty())
    dane->SetBrakID(1);
  else
    dane->SetNrID(id3);
  dane->SetNazwa(in.FirmName);
  if (!rec.Address.empty()) WriteAdres(p3->Adres(), AddressCountryCode(rec.Country), rec.Address);
  p3->SetRola(in.GV ? 10 : in.JST ? 8 : 2);
  return true;
}

bool SameNodeXml(const IXMLNode& a, const IXMLNode& b) {
  static const TRegex betweenTags(">\\s+<");
  auto text = [](const IXMLNode& n) {
    return n ? betweenTags.ReplaceAll(Trim(n->XML()), "><") : std::string();
  };
  const std::string ta = text(a), tb = text(b);
  if (ta.empty() || tb.empty()) return ta.empty() && tb.empty();
  return SameTextAscii(ta, tb);
}

bool IsAdditionalBuyer(const IXMLFaktura_Podmiot3& p) {
  return p && p->HasChild("Rola") && p->Rola() == 4;
}

void CopyAdres(const IXMLTAdres& from, const IXMLTAdres& to) {
  if (!from) {
    to->SetKodKraju({});
    to->SetAdresL1({});
    return;
  }
  to->SetKodKraju(from->HasChild("KodKraju") ? from->KodKraju() : std::string());
  to->SetAdresL1(from->HasChild("AdresL1") ? from->AdresL1() : std::string());
  if (from->HasChild("AdresL2")) to->SetAdresL2(from->AdresL2());
  if (from->HasChild("GLN")) to->SetGLN(from->GLN());
}

void CopyPodmiot1K(const IXMLFaktura_Podmiot1& from, const IXMLFaktura_Fa_Podmiot1K& to) {
  if (from->HasChild("PrefiksPodatnika")) to->SetPrefiksPodatnika(from->PrefiksPodatnika());
  auto dane = to->DaneIdentyfikacyjne();
  if (from->HasChild("DaneIdentyfikacyjne")) {
    auto src = from->DaneIdentyfikacyjne();
    dane->SetNIP(src->HasChild("NIP") ? src->NIP() : std::string());
    dane->SetNazwa(src->HasChild("Nazwa") ? src->Nazwa() : std::string());
  } else {
    dane->SetNIP({});
    dane->SetNazwa({});
  }
  CopyAdres(from->HasChild("Adres") ? from->Adres() : nullptr, to->Adres());
}

void CopyPodmiot2K(const IXMLFaktura_Podmiot2& from, const IXMLFaktura_Fa_Podmiot2K& to) {
  auto dane = to->DaneIdentyfikacyjne();
  if (from->HasChild("DaneIdentyfikacyjne")) {
    auto src = from->DaneIdentyfikacyjne();
    CopyIdentification(src, dane);
  }
  // Podmiot2K may go without an address, but not with an empty one.
  if (from->HasChild("Adres")) CopyAdres(from->Adres(), to->Adres());
  if (from->HasChild("IDNabywcy")) to->SetIDNabywcy(from->IDNabywcy());
}

void CopyAdditionalBuyer(const IXMLFaktura_Podmiot3& from, const IXMLFaktura_Fa_Podmiot2K& to) {
  if (from->HasChild("DaneIdentyfikacyjne")) {
    auto src = from->DaneIdentyfikacyjne();
    if (src->HasChild("IDWew"))
      throw EArgumentException(
          "Podmiot3 z IDWew nie może być przeniesiony do Podmiot2K. Podmiot2K obsługuje tylko "
          "identyfikatory zgodne z Podmiot2.");
    auto dane = to->DaneIdentyfikacyjne();
    CopyIdentification(src, dane);
  } else {
    to->DaneIdentyfikacyjne();
  }
  if (from->HasChild("Adres")) CopyAdres(from->Adres(), to->Adres());
  if (from->HasChild("IDNabywcy")) to->SetIDNabywcy(from->IDNabywcy());
}

}  // namespace brenvik
