#include "gui/InvoiceListView.h"

#include <QComboBox>
#include <QDesktopServices>
#include <QFile>
#include <QMenu>
#include <QPlainTextEdit>
#include <QUrl>
#include <QFileSystemWatcher>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <filesystem>

#include "gui/QtApplication.h"
#include "support/Dialogs.h"
#include "support/Errors.h"
#include "support/KsefContract.h"
#include "support/Platform.h"
#include "support/Paths.h"

namespace brenvik {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

// The columns of a row, in the table's order.
struct TColumn {
  const char* Caption;
  std::string (*Text)(const TInvoiceRow&);
};

const TColumn Columns[] = {
    {"Stan", [](const TInvoiceRow& r) { return std::string(InvoiceStateCaption(r.State)); }},
    {"Numer", [](const TInvoiceRow& r) { return r.Number; }},
    {"Data", [](const TInvoiceRow& r) { return r.IssueDate; }},
    {"Kontrahent", [](const TInvoiceRow& r) { return r.PartyName; }},
    {"NIP", [](const TInvoiceRow& r) { return r.PartyNip; }},
    {"Brutto", [](const TInvoiceRow& r) { return r.Gross; }},
    {"Waluta", [](const TInvoiceRow& r) { return r.Currency; }},
    {"Numer KSeF", [](const TInvoiceRow& r) { return r.KsefNumber; }},
    {"Powód", [](const TInvoiceRow& r) { return r.Reason; }},
    {"Plik", [](const TInvoiceRow& r) { return ExtractFileName(r.Path); }},
};
constexpr int RowIndexRole = Qt::UserRole + 1;
constexpr int SortRole = Qt::UserRole + 2;

// Rows of the chosen state whose text holds the filter's text.
class TRowFilter : public QSortFilterProxyModel {
public:
  using QSortFilterProxyModel::QSortFilterProxyModel;
  void Set(int state, const QString& text) {
    FState = state;
    FText = text;
    invalidateFilter();
  }

protected:
  bool filterAcceptsRow(int row, const QModelIndex& parent) const override {
    const QAbstractItemModel* m = sourceModel();
    if (FState >= 0 && m->index(row, 0, parent).data(Qt::UserRole).toInt() != FState) return false;
    if (FText.isEmpty()) return true;
    for (int c = 0; c < m->columnCount(parent); ++c)
      if (m->index(row, c, parent).data().toString().contains(FText, Qt::CaseInsensitive))
        return true;
    return false;
  }

private:
  int FState = -1;
  QString FText;
};

}  // namespace

TInvoiceListView::TInvoiceListView(QWidget* parent)
    : QWidget(parent), FAlive(std::make_shared<bool>(true)) {
  setObjectName(QStringLiteral("InvoiceList"));
  FState = new QComboBox(this);
  FState->setObjectName(QStringLiteral("cbState"));
  FState->addItem(QStringLiteral("Wszystkie stany"), -1);
  for (int s = 0; s <= static_cast<int>(TInvoiceState::Unreadable); ++s)
    FState->addItem(QString::fromUtf8(InvoiceStateCaption(static_cast<TInvoiceState>(s))), s);
  FText = new QLineEdit(this);
  FText->setObjectName(QStringLiteral("edFilter"));
  FText->setPlaceholderText(QStringLiteral("Szukaj: numer, kontrahent, NIP, numer KSeF..."));
  FText->setClearButtonEnabled(true);

  FModel = new QStandardItemModel(0, static_cast<int>(std::size(Columns)), this);
  for (int c = 0; c < static_cast<int>(std::size(Columns)); ++c)
    FModel->setHeaderData(c, Qt::Horizontal, QString::fromUtf8(Columns[c].Caption));
  auto* filter = new TRowFilter(this);
  FFilter = filter;
  FFilter->setSourceModel(FModel);
  FFilter->setSortRole(SortRole);
  FTable = new QTableView(this);
  FTable->setObjectName(QStringLiteral("tvInvoices"));
  FTable->setModel(FFilter);
  FTable->setSortingEnabled(true);
  FTable->sortByColumn(-1, Qt::AscendingOrder);  // the folders' order until a header is clicked
  FTable->setSelectionBehavior(QAbstractItemView::SelectRows);
  FTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
  FTable->verticalHeader()->hide();
  FTable->verticalHeader()->setDefaultSectionSize(FTable->fontMetrics().height() + 6);
  FTable->horizontalHeader()->setStretchLastSection(true);

  FTable->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(FTable, &QTableView::customContextMenuRequested, this,
          &TInvoiceListView::ShowContextMenu);
  connect(FTable, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
    const int row = index.data(RowIndexRole).toInt();
    if (row >= 0 && static_cast<size_t>(row) < FRows.size()) Run(TAction::OpenFile, FRows[row]);
  });
  FOpen = [](const std::string& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(Q(path)));
  };

  auto* top = new QHBoxLayout;
  top->addWidget(FState);
  top->addWidget(FText, 1);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->addLayout(top);
  layout->addWidget(FTable, 1);
  const auto applyFilter = [this, filter] {
    filter->Set(FState->currentData().toInt(), FText->text());
  };
  connect(FState, &QComboBox::currentIndexChanged, this, applyFilter);
  connect(FText, &QLineEdit::textChanged, this, applyFilter);

  // A burst of changes (a run filing a hundred files) is read once.
  FWatcher = new QFileSystemWatcher(this);
  FDebounce = new QTimer(this);
  FDebounce->setSingleShot(true);
  FDebounce->setInterval(400);
  connect(FDebounce, &QTimer::timeout, this, &TInvoiceListView::Refresh);
  connect(FWatcher, &QFileSystemWatcher::directoryChanged, FDebounce, qOverload<>(&QTimer::start));
}

TInvoiceListView::~TInvoiceListView() {
  *FAlive = false;
  if (FWorker.joinable()) FWorker.join();
}

void TInvoiceListView::SetSource(const std::string& ksefDataDir, const std::string& sellerNip) {
  if (FWorker.joinable()) FWorker.join();
  FRunning = false;
  FDataDir = ksefDataDir;
  FList = std::make_unique<TInvoiceList>(ksefDataDir, sellerNip);
  Refresh();
}

void TInvoiceListView::Refresh() {
  if (!FList) return;
  if (FRunning) {
    FAgain = true;
    return;
  }
  StartWorker();
}

void TInvoiceListView::StartWorker() {
  if (FWorker.joinable()) FWorker.join();  // ended already: its rows have been shown
  FRunning = true;
  FAgain = false;
  TInvoiceList* list = FList.get();
  std::weak_ptr<bool> alive = FAlive;
  FWorker = std::thread([this, list, alive] {
    std::vector<TInvoiceRow> rows = list->Rows(Now());
    PostToMainThread([this, alive, rows = std::move(rows)]() mutable {
      if (alive.expired() || !*alive.lock()) return;
      Show(std::move(rows));
    });
  });
}

void TInvoiceListView::Show(std::vector<TInvoiceRow> rows) {
  FRunning = false;
  FRows = std::move(rows);
  FModel->setRowCount(0);
  for (size_t i = 0; i < FRows.size(); ++i) {
    QList<QStandardItem*> items;
    for (const TColumn& c : Columns) {
      auto* item = new QStandardItem(Q(c.Text(FRows[i])));
      item->setData(static_cast<int>(i), RowIndexRole);
      items.push_back(item);
    }
    items[0]->setData(static_cast<int>(FRows[i].State), Qt::UserRole);
    for (int c = 0; c < items.size(); ++c)
      items[c]->setData(
          c == 5 ? QVariant(Q(FRows[i].Gross).toDouble()) : items[c]->data(Qt::DisplayRole),
          SortRole);
    FModel->appendRow(items);
  }
  FTable->resizeColumnsToContents();
  WatchFolders();
  emit Refreshed();
  if (FAgain) StartWorker();
}

void TInvoiceListView::WatchFolders() {
  QStringList folders;
  for (const char* sub : {ksef::ExportFolder, ksef::SentFolder, ksef::ErrorsFolder,
                          ksef::ImportFolder, ksef::ReceivedFolder}) {
    const std::string base = PathJoin(FDataDir, sub);
    folders << Q(base);
    std::error_code ec;
    for (std::filesystem::directory_iterator it(base, ec), end; !ec && it != end; it.increment(ec))
      if (it->is_directory(ec)) folders << Q(it->path().string());
  }
  const QStringList watched = FWatcher->directories();
  for (const QString& f : folders)
    if (!watched.contains(f) && std::filesystem::is_directory(f.toStdString()))
      FWatcher->addPath(f);
}

namespace {

const char* ActionCaption(TInvoiceListView::TAction action) {
  switch (action) {
    case TInvoiceListView::TAction::OpenFolder: return "Otwórz folder pliku";
    case TInvoiceListView::TAction::OpenFile: return "Otwórz plik";
    case TInvoiceListView::TAction::ShowXml: return "Pokaż XML";
    case TInvoiceListView::TAction::MoveToErrors: return "Przenieś do Errors...";
  }
  return "";
}

}  // namespace

std::vector<TInvoiceListView::TAction> TInvoiceListView::ActionsOf(const TInvoiceRow& row) const {
  std::vector<TAction> actions = {TAction::OpenFolder, TAction::OpenFile, TAction::ShowXml};
  if (row.State == TInvoiceState::Waiting) actions.push_back(TAction::MoveToErrors);
  return actions;
}

void TInvoiceListView::ShowContextMenu(const QPoint& at) {
  const QModelIndex index = FTable->indexAt(at);
  if (!index.isValid()) return;
  const TInvoiceRow row = FRows[static_cast<size_t>(index.data(RowIndexRole).toInt())];
  QMenu menu(this);
  for (TAction action : ActionsOf(row))
    menu.addAction(QString::fromUtf8(ActionCaption(action)), this,
                   [this, action, row] { Run(action, row); });
  menu.exec(FTable->viewport()->mapToGlobal(at));
}

void TInvoiceListView::Run(TAction action, const TInvoiceRow& row) {
  try {
    switch (action) {
      case TAction::OpenFolder:
        if (!FOpen(ExtractFilePath(row.Path)))
          throw Exception("Nie można otworzyć folderu " + ExtractFilePath(row.Path));
        return;
      case TAction::OpenFile:
        if (!FOpen(row.Path)) throw Exception("Nie można otworzyć pliku " + row.Path);
        return;
      case TAction::ShowXml: {
        QFile file(Q(row.Path));
        if (!file.open(QIODevice::ReadOnly))
          throw Exception("Nie można odczytać pliku " + row.Path);
        const qint64 limit = 4 << 20;  // a larger file is shown up to here
        auto* window = new QPlainTextEdit;
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->setWindowTitle(Q(ExtractFileName(row.Path)));
        window->setReadOnly(true);
        window->setLineWrapMode(QPlainTextEdit::NoWrap);
        window->setPlainText(QString::fromUtf8(file.read(limit)));
        window->resize(800, 600);
        window->show();
        FXmlWindow = window;
        connect(window, &QObject::destroyed, this, [this, window] {
          if (FXmlWindow == window) FXmlWindow = nullptr;
        });
        return;
      }
      case TAction::MoveToErrors:
        if (!MoveWaitingFileToErrors(FDataDir, row.Path, CurrentUserName(), Now()).empty())
          Refresh();
        return;
    }
  } catch (const std::exception& e) {
    MessageDlg(e.what(), TMsgDlgType::mtError, {TMsgDlgBtn::mbOK}, TMsgDlgBtn::mbOK);
  }
}

std::vector<TInvoiceRow> TInvoiceListView::ShownRows() const {
  std::vector<TInvoiceRow> out;
  for (int r = 0; r < FFilter->rowCount(); ++r)
    out.push_back(FRows[static_cast<size_t>(FFilter->index(r, 0).data(RowIndexRole).toInt())]);
  return out;
}

}  // namespace brenvik
