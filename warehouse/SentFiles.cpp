#include "warehouse/SentFiles.h"
#include "support/SystemErrors.h"

#include <algorithm>
#include <filesystem>
#include <vector>

#include "support/Dialogs.h"
#include "support/Errors.h"
#include "warehouse/FaHeader.h"
#include "support/KsefContract.h"
#include "support/Nip.h"
#include "support/OperatorLog.h"
#include "warehouse/Parties.h"
#include "support/Paths.h"
#include "support/TextCodec.h"

namespace brenvik {

namespace fs = std::filesystem;

bool FindSentFileInMonth(const std::string& sentDir, TDateTime date, const std::string& keyText,
                         std::string& path) {
  const std::string folder = PathJoin(sentDir, FormatDateTime("yyyy-mm", date));
  if (!FolderExists(folder)) return false;
  const std::string mask = ksef::SentFilePatternOf(keyText);
  // Listing order of the file system is arbitrary; name order makes the
  // choice repeatable when a document was sent twice.
  std::vector<std::string> names;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code typeError;
    if (!it->is_regular_file(typeError)) continue;
    const std::string name = it->path().filename().string();
    if (MatchesMask(name, mask)) names.push_back(name);
  }
  if (ec) throw EInOutError("Nie można odczytać folderu " + folder + ": " + SystemErrorText(ec));
  if (names.empty()) return false;
  std::sort(names.begin(), names.end());
  path = PathJoin(folder, names.front());
  return true;
}

bool FindSentFileNear(const std::string& sentDir, TDateTime date, const std::string& keyText,
                      std::string& path) {
  return FindSentFileInMonth(sentDir, date, keyText, path) ||
         FindSentFileInMonth(sentDir, IncMonth(date, 1), keyText, path);
}

std::string KsefNumberFromFileName(const std::string& path) {
  const std::string bare = BareFileName(path);
  const auto pos = bare.find('_');
  return pos == std::string::npos ? std::string() : bare.substr(pos + 1);
}

namespace {

void FillCorrectedWithNumber(const IXMLFaktura_Fa& fa, TDateTime masterDate,
                             const std::string& masterName, const std::string& number) {
  auto d = fa->DaneFaKorygowanej()->Add();
  d->SetDataWystFaKorygowanej(masterDate);
  d->SetNrFaKorygowanej(masterName);
  d->SetNrKSeF(1);
  d->SetNrKSeFFaKorygowanej(number);
}

}  // namespace

TMasterInvoiceData ReadMasterInvoice(const std::string& path) {
  TMasterInvoiceData m;
  m.Document = LoadFaktura(path);
  const auto& root = m.Document;
  if (!root->HasChild("Fa")) {
    InfoLog("Błąd: Brak elementu \"Fa\" w " + path, llError);
    throw EXMLDocError("Brak Fa w pliku XML: " + path);
  }
  if (!root->HasChild("Podmiot1")) throw EXMLDocError("Brak Podmiot1 w pliku XML: " + path);
  if (!root->HasChild("Podmiot2")) throw EXMLDocError("Brak Podmiot2 w pliku XML: " + path);
  auto fa = root->Fa();
  m.MasterDate = fa->P_1();
  m.MasterDoc = fa->HasChild("P_2") ? fa->P_2() : std::string();
  if (Trim(m.MasterDoc).empty()) throw EXMLDocError("Brak Fa/P_2 w pliku XML: " + path);
  m.Podmiot1 = root->Podmiot1();
  m.Podmiot2 = root->Podmiot2();
  if (root->HasChild("Podmiot3")) m.Podmiot3List = root->Podmiot3();
  return m;
}

void ConfirmCorrectedKsefNumber(const std::string& number, const TCorrection& c,
                                const std::string& source) {
  const bool checked = ksef::IsValidKsefNumber(number);
  const std::string numberNip = number.substr(0, number.find('-'));
  const bool ours = numberNip == c.SellerNip;
  if (checked && ours) return;
  std::string problem;
  if (!ours) problem = "nie zaczyna się od NIP sprzedawcy";
  if (!checked) problem += std::string(problem.empty() ? "" : " i ") + "ma błędną sumę kontrolną";
  const std::string what = "Korekta " + c.DocumentName + ": numer KSeF faktury korygowanej " +
                           c.MasterName + " (" + number + ", " + source + ") " + problem;
  const std::string text = what + ".\rNIP w numerze KSeF: " + numberNip +
                           "\rNIP sprzedawcy: " + c.SellerNip +
                           "\r\rTak – pomiń tę korektę i generuj pozostałe dokumenty."
                           "\rNie – przerwij generowanie.";
  if (MessageDlg(text, TMsgDlgType::mtConfirmation, {TMsgDlgBtn::mbYes, TMsgDlgBtn::mbNo},
                 TMsgDlgBtn::mbNo, TQuestionKind::qkDataWarning) != TModalResult::mrYes)
    throw EAbort(LoadAbortedAt(c.DocumentName));
  throw EDocumentRefused(what + ". Korekty nie wygenerowano; popraw numer KSeF faktury "
                                "korygowanej i wyślij ją ponownie.");
}

void FillCorrectedInKsef(const IXMLFaktura_Fa& fa, const TMasterInvoiceData& master,
                         const std::string& path, const TCorrection& c) {
  const std::string number = KsefNumberFromFileName(path);
  if (number.empty()) throw EArgumentException("Brak NrKSeF w nazwie pliku: " + path);
  ConfirmCorrectedKsefNumber(number, c, "z nazwy pliku " + path);
  FillCorrectedWithNumber(fa, master.MasterDate, master.MasterDoc, number);
}

void FillCorrectedOutsideKsef(const IXMLFaktura_Fa& fa, TDateTime masterDate,
                              const std::string& masterName) {
  auto d = fa->DaneFaKorygowanej()->Add();
  d->SetDataWystFaKorygowanej(masterDate);
  d->SetNrFaKorygowanej(masterName);
  d->SetNrKSeFN(1);
}

void FillCorrectedFromRegister(const IXMLFaktura_Fa& fa, TDateTime masterDate,
                               const std::string& registerMark, const TCorrection& c) {
  const std::string mark = TrimControls(registerMark);
  // Exported and waiting for its number: the correction has to name it.
  if (mark == "-")
    throw EDocumentRefused("Korekta " + c.DocumentName + ": faktura korygowana " + c.MasterName +
                           " czeka na numer KSeF (w rejestrze \"-\"). Korekty nie wygenerowano; "
                           "zostanie wygenerowana po zapisaniu numeru KSeF faktury korygowanej "
                           "(Odbierz z KSEF).");
  if (ksef::HasKsefNumberShape(mark)) {
    ConfirmCorrectedKsefNumber(mark, c, "z rejestru");
    InfoLog("Korekta " + c.DocumentName + ": nie znaleziono wysłanego pliku faktury korygowanej " +
                c.MasterName + "; użyto numeru KSeF z rejestru: " + mark,
            llWarn);
    FillCorrectedWithNumber(fa, masterDate, c.MasterName, mark);
    return;
  }
  if (!mark.empty())
    InfoLog("Korekta " + c.DocumentName + ": wpis rejestru faktury korygowanej " + c.MasterName +
                " ma w polu KSeF \"" + mark +
                "\", co nie jest numerem KSeF; faktura korygowana oznaczona jako wystawiona "
                "poza KSeF",
            llWarn);
  FillCorrectedOutsideKsef(fa, masterDate, c.MasterName);
}

void FillChangedParties(const IXMLFaktura& faktura, const TMasterInvoiceData& master) {
  auto fa = faktura->Fa();
  if (master.Podmiot1 && faktura->HasChild("Podmiot1") &&
      !SameNodeXml(master.Podmiot1, faktura->Podmiot1()))
    CopyPodmiot1K(master.Podmiot1, fa->Podmiot1K());
  if (master.Podmiot2 && faktura->HasChild("Podmiot2") &&
      !SameNodeXml(master.Podmiot2, faktura->Podmiot2()))
    CopyPodmiot2K(master.Podmiot2, fa->Podmiot2K()->Add());
  if (!master.Podmiot3List) return;
  std::vector<IXMLFaktura_Podmiot3> current;
  if (faktura->HasChild("Podmiot3")) {
    auto list = faktura->Podmiot3();
    for (int i = 0; i < list->Count(); ++i)
      if (IsAdditionalBuyer(list->Items(i))) current.push_back(list->Items(i));
  }
  for (int i = 0; i < master.Podmiot3List->Count(); ++i) {
    auto item = master.Podmiot3List->Items(i);
    if (!IsAdditionalBuyer(item)) continue;
    const bool stillThere = std::any_of(current.begin(), current.end(),
                                        [&](const auto& c) { return SameNodeXml(item, c); });
    if (!stillThere) CopyAdditionalBuyer(item, fa->Podmiot2K()->Add());
  }
}

}  // namespace brenvik
