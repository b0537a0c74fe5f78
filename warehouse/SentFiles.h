#pragma once
// The corrected invoice's sent file: where the connector's files are filed,
// the KSeF number in a file name, what a correction takes from the file, and
// the parties of the corrected invoice that changed.
#include <string>

#include "fa3/Schemat_FA3.h"
#include "support/DateTime.h"

namespace brenvik {

// The first file of the month folder "yyyy-mm" of date under sentDir that
// matches the key's sent-file pattern.
bool FindSentFileInMonth(const std::string& sentDir, TDateTime date, const std::string& keyText,
                         std::string& path);
// The month of date, then the month after it.
bool FindSentFileNear(const std::string& sentDir, TDateTime date, const std::string& keyText,
                      std::string& path);

// Everything after the first "_" of the bare file name; empty without one.
std::string KsefNumberFromFileName(const std::string& path);

struct TMasterInvoiceData {
  IXMLFaktura Document;  // keeps the loaded tree alive
  TDateTime MasterDate;
  std::string MasterDoc;
  IXMLFaktura_Podmiot1 Podmiot1;
  IXMLFaktura_Podmiot2 Podmiot2;
  IXMLFaktura_Podmiot3List Podmiot3List;  // null when the file has none
};

TMasterInvoiceData ReadMasterInvoice(const std::string& path);

// The correction being written: its number, the corrected invoice's, and
// the seller's NIP, which every KSeF number of the seller's invoices begins with.
struct TCorrection {
  std::string DocumentName;
  std::string MasterName;
  std::string SellerNip;
};

// A KSeF number named as the corrected invoice's must be one KSeF gave this
// seller: its NIP part the seller's and its check valid. Otherwise asks the
// operator (a data question naming the correction, the number and both
// NIPs, "Nie" the default): "Tak" holds the correction back
// (EDocumentRefused), "Nie" stops the run (EAbort). source tells where the
// number was found.
void ConfirmCorrectedKsefNumber(const std::string& number, const TCorrection& correction,
                                const std::string& source);

// DaneFaKorygowanej of an invoice that went through KSeF, its number from
// the sent file's name (confirmed as above).
void FillCorrectedInKsef(const IXMLFaktura_Fa& fa, const TMasterInvoiceData& master,
                         const std::string& path, const TCorrection& correction);
// DaneFaKorygowanej of an invoice outside KSeF.
void FillCorrectedOutsideKsef(const IXMLFaktura_Fa& fa, TDateTime masterDate,
                              const std::string& masterName);
// DaneFaKorygowanej when the corrected invoice's sent file is not found: the
// "KSeF" field of its register entry decides. Text in the shape of a KSeF
// number gives NrKSeF with that number once confirmed as above, logged at
// llWarn; an empty field gives NrKSeFN; "-" (exported, its number not yet
// written back) raises EDocumentRefused, so that the correction waits for
// the number; anything else is no number: NrKSeFN, logged at llWarn.
void FillCorrectedFromRegister(const IXMLFaktura_Fa& fa, TDateTime masterDate,
                               const std::string& registerMark, const TCorrection& correction);
// Podmiot1K and Podmiot2K for the parties of the corrected invoice that differ.
void FillChangedParties(const IXMLFaktura& faktura, const TMasterInvoiceData& master);

}  // namespace brenvik
