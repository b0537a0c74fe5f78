#pragma once
// The window's list of invoices: one row per FA(3) file of the KSeF data
// folder with its state and columns, sortable, filtered by state and by text,
// read again after every command and when the folders change. The files are
// parsed on a worker thread; the window stays responsive meanwhile.
#include <QWidget>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "commands/InvoiceList.h"

class QComboBox;
class QFileSystemWatcher;
class QLineEdit;
class QSortFilterProxyModel;
class QStandardItemModel;
class QTableView;
class QTimer;

namespace brenvik {

class TInvoiceListView : public QWidget {
  Q_OBJECT
public:
  TInvoiceListView(QWidget* parent = nullptr);
  ~TInvoiceListView() override;

  // The KSeF data folder and the seller's NIP; reads the list.
  void SetSource(const std::string& ksefDataDir, const std::string& sellerNip);
  // Reads the folders again (at once, or after the one in progress).
  void Refresh();
  // The rows shown, after the filters, in the order shown (for tests).
  std::vector<TInvoiceRow> ShownRows() const;
  bool Refreshing() const { return FRunning; }

  // What a row offers (its context menu; a double click opens the file).
  enum class TAction { OpenFolder, OpenFile, ShowXml, MoveToErrors };
  // The actions of a shown row; "Przenieś do Errors" only for a waiting file.
  std::vector<TAction> ActionsOf(const TInvoiceRow& row) const;
  void Run(TAction action, const TInvoiceRow& row);
  // How a file or folder is opened (the system's viewer; tests record it).
  void SetOpener(std::function<bool(const std::string&)> opener) { FOpen = std::move(opener); }
  // The XML window of the last "Pokaż XML" (for tests).
  QWidget* XmlWindow() const { return FXmlWindow; }

  QComboBox* StateFilter() const { return FState; }
  QLineEdit* TextFilter() const { return FText; }
  QTableView* Table() const { return FTable; }

signals:
  void Refreshed();

private:
  void StartWorker();
  void Show(std::vector<TInvoiceRow> rows);
  void WatchFolders();
  void ShowContextMenu(const QPoint& at);

  QComboBox* FState;
  QLineEdit* FText;
  QTableView* FTable;
  QStandardItemModel* FModel;
  QSortFilterProxyModel* FFilter;
  QFileSystemWatcher* FWatcher;
  QTimer* FDebounce;
  std::string FDataDir;
  std::function<bool(const std::string&)> FOpen;
  QWidget* FXmlWindow = nullptr;
  std::vector<TInvoiceRow> FRows;
  // Used by one worker at a time; the main thread never touches it.
  std::unique_ptr<TInvoiceList> FList;
  std::thread FWorker;
  bool FRunning = false, FAgain = false;
  std::shared_ptr<bool> FAlive;
};

}  // namespace brenvik
