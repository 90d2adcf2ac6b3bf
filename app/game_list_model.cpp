#include "app/game_list_model.h"

#include <fstream>

namespace kelvane {

namespace {
constexpr int kTakeEveryMs = 200;

QString FromTag(std::string_view text) {
  std::string utf8;
  AppendListValue(utf8, text);
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}
}  // namespace

GameListModel::GameListModel(QObject* parent) : QAbstractTableModel(parent) {
  timer_.setInterval(kTakeEveryMs);
  connect(&timer_, &QTimer::timeout, this, [this] { takeQueued(); });
  timer_.start();
}

void GameListModel::queue(const ListedGame& game) {
  Queued q{game.offset, {}, game.plies, std::string(game.matchedAt)};
  for (int k = 0; k < kListTags; ++k) q.tags[k] = game.tags[k];
  std::lock_guard<std::mutex> lock(mutex_);
  queued_.push_back(std::move(q));
}

void GameListModel::queuePath(const std::string& path) {
  std::lock_guard<std::mutex> lock(mutex_);
  queuedPath_ = path;
}

void GameListModel::takeQueued() {
  std::vector<Queued> taken;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    taken.swap(queued_);
    if (!queuedPath_.empty()) path_ = std::exchange(queuedPath_, {});
  }
  if (taken.empty()) return;
  const size_t first = list_.Size();
  for (const Queued& q : taken) {
    ListedGame g{q.offset, {}, q.plies, q.matchedAt, {}, {}};
    for (int k = 0; k < kListTags; ++k) g.tags[k] = q.tags[k];
    list_.Add(g);
  }
  // New rows come at the end of the view, sorted or not, and filtered; the order is made
  // whole again when the user sorts or filters, or the scan ends.
  if (plain_) {
    beginInsertRows({}, static_cast<int>(first), static_cast<int>(list_.Size() - 1));
    endInsertRows();
  } else {
    std::vector<uint32_t> added;
    for (size_t row = first; row < list_.Size(); ++row) added.push_back(static_cast<uint32_t>(row));
    added = list_.Filtered(added, filter_.toStdString());
    if (!added.empty()) {
      beginInsertRows({}, static_cast<int>(order_.size()),
                      static_cast<int>(order_.size() + added.size() - 1));
      order_.insert(order_.end(), added.begin(), added.end());
      endInsertRows();
    }
  }
  emit rowsTaken();
}

void GameListModel::reset(const std::string& path) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    queued_.clear();
    queuedPath_.clear();
  }
  beginResetModel();
  list_.Clear();
  order_.clear();
  plain_ = sortColumn_ < 0 && filter_.isEmpty();
  path_ = path;
  endResetModel();
}

void GameListModel::finish(const std::string& path) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    queuedPath_.clear();
  }
  path_ = path;
  if (!plain_) rebuildOrder();
}

int GameListModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid()) return 0;
  return static_cast<int>(plain_ ? list_.Size() : order_.size());
}

int GameListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kListColumns;
}

QVariant GameListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  const auto column = static_cast<ListColumn>(index.column());
  const size_t row = listRow(index.row());
  if (role == Qt::TextAlignmentRole) {
    const bool number = column == ListColumn::Number || column == ListColumn::Plies ||
                        column == ListColumn::WhiteElo || column == ListColumn::BlackElo;
    return QVariant::fromValue(Qt::AlignVCenter | (number ? Qt::AlignRight : Qt::AlignLeft));
  }
  if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
  if (column == ListColumn::Number || column == ListColumn::Plies)
    return QString::fromStdString(list_.Shown(row, column));
  return FromTag(list_.Text(row, column));
}

QVariant GameListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
      section >= kListColumns)
    return QAbstractTableModel::headerData(section, orientation, role);
  return section == static_cast<int>(ListColumn::MatchedAt) ? QStringLiteral("Matched at")
                                                            : QString(kListColumnNames[section]);
}

void GameListModel::sort(int column, Qt::SortOrder order) {
  sortColumn_ = column;
  sortOrder_ = order;
  rebuildOrder();
}

void GameListModel::setFilter(const QString& text) {
  filter_ = text;
  rebuildOrder();
}

void GameListModel::rebuildOrder() {
  beginResetModel();
  const bool sorted = sortColumn_ > 0 && sortColumn_ < kListColumns;
  const bool descending = sortOrder_ == Qt::DescendingOrder;
  plain_ = !sorted && !descending && filter_.isEmpty();
  order_.clear();
  if (!plain_) {
    order_ = list_.SortedBy(sorted ? static_cast<ListColumn>(sortColumn_) : ListColumn::Number,
                            descending);
    order_ = list_.Filtered(order_, filter_.toStdString());
  }
  order_.shrink_to_fit();
  endResetModel();
}

size_t GameListModel::listRow(int viewRow) const {
  return plain_ ? static_cast<size_t>(viewRow) : order_[static_cast<size_t>(viewRow)];
}

std::string GameListModel::readGame(size_t listRow) const {
  if (path_.empty() || listRow >= list_.Size()) return {};
  std::ifstream in(path_, std::ios::binary);
  if (!in) return {};
  const uint64_t from = list_.Offset(listRow);
  uint64_t to = 0;
  if (listRow + 1 < list_.Size()) {
    to = list_.Offset(listRow + 1);
  } else {
    in.seekg(0, std::ios::end);
    to = static_cast<uint64_t>(in.tellg());
  }
  if (to <= from) return {};
  std::string bytes(to - from, '\0');
  in.seekg(static_cast<std::streamoff>(from));
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (static_cast<uint64_t>(in.gcount()) != to - from) return {};
  return bytes;
}

}  // namespace kelvane
