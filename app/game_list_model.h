// The rows of the games a scan writes, for a table view: filled from the scan's thread while
// it runs (the rows wait in a queue that the window's thread takes in batches), sorted by
// one column through an index of the rows, and narrowed by a filter text.
#pragma once

#include <QAbstractTableModel>
#include <QTimer>
#include <mutex>
#include <string>
#include <vector>

#include "engine/game_list.h"
#include "engine/scan_run.h"

namespace kelvane {

// As a scan's observer it hears the games the scan writes and queues them.
class GameListModel : public QAbstractTableModel, public ScanObserver {
  Q_OBJECT
 public:
  explicit GameListModel(QObject* parent = nullptr);

  // From any thread: a row to add (a copy is queued), and the file the games are in.
  void queue(const ListedGame& game);
  void queuePath(const std::string& path);
  // On the window's thread: the queued rows become rows of the model.
  void takeQueued();
  // A new list: no rows, games read from path.
  void reset(const std::string& path = {});
  // The scan is over: the games are read from its output at path, and the rows that came
  // during the scan take their places in the order and the filter.
  void finish(const std::string& path);
  const std::string& path() const { return path_; }

  void Progress(const ScanProgress&) override {}
  void OutputWritingTo(const std::string& path) override { queuePath(path); }
  void Written(const ListedGame& game) override { queue(game); }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  void sort(int column, Qt::SortOrder order) override;
  void setFilter(const QString& text);

  // The row of the list a view row shows.
  size_t listRow(int viewRow) const;
  const GameList& list() const { return list_; }
  // The game's bytes as the file holds them; empty when they cannot be read (yet).
  std::string readGame(size_t listRow) const;

 signals:
  void rowsTaken();

 private:
  // Sorts and filters the whole list again.
  void rebuildOrder();

  struct Queued {
    uint64_t offset;
    std::array<std::string, kListTags> tags;
    int64_t plies;
    std::string matchedAt;
  };
  GameList list_;
  // The list rows in view order; empty with plain_ set: every row in output order.
  std::vector<uint32_t> order_;
  bool plain_ = true;
  int sortColumn_ = -1;
  Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
  QString filter_;
  std::string path_;
  std::mutex mutex_;
  std::vector<Queued> queued_;
  std::string queuedPath_;
  QTimer timer_;
};

}  // namespace kelvane
