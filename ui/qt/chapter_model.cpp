#include "ui/qt/chapter_model.h"

#include <algorithm>

#include "ui/qt/qt_text.h"

namespace lumetra::ui::qt {

void RowChanges::merge(const RowChanges& other) {
  if (other.cleared) {
    // Rows from before the clear are gone; what came after it is read afresh anyway.
    *this = RowChanges{};
    cleared = true;
    return;
  }
  if (other.inserted_from >= 0)
    inserted_from =
        inserted_from < 0 ? other.inserted_from : std::min(inserted_from, other.inserted_from);
  changed.insert(changed.end(), other.changed.begin(), other.changed.end());
}

ChapterModel::ChapterModel(Toolkit& toolkit, const Form& form, std::string list, QObject* parent)
    : QAbstractTableModel(parent), toolkit_(toolkit), form_(form), list_(std::move(list)) {
  Control c = toolkit_.snapshot(form_, list_);  // loading: the list holds no rows yet
  for (const Text& caption : c.columns) captions_.push_back(to_qstring(caption));
  for (int row = 0; row < static_cast<int>(c.rows.size()); ++row) {
    std::vector<QString> cells;
    for (const Text& cell : c.rows[row]) cells.push_back(to_qstring(cell));
    cells.resize(captions_.size());
    rows_.push_back(std::move(cells));
  }
}

std::vector<std::vector<QString>> ChapterModel::read_rows(int first, int last) const {
  // One lock for the whole span: the workers wait on the toolkit's lock for as short as can be.
  std::vector<std::vector<QString>> out;
  recent_.resize(captions_.size());
  for (const auto& cells : toolkit_.list_rows(form_, list_, first, last)) {
    std::vector<QString> row(captions_.size());
    for (std::size_t c = 0; c < row.size() && c < cells.size(); ++c) {
      // A cell like the one above it (a row's state) shares that one's string.
      auto& [bytes, shown] = recent_[c];
      if (cells[c] != bytes) {
        bytes = cells[c];
        shown = to_qstring(bytes);
      }
      row[c] = shown;
    }
    out.push_back(std::move(row));
  }
  out.resize(std::max(last - first + 1, 0), std::vector<QString>(captions_.size()));
  return out;
}

bool ChapterModel::refresh(RowChanges& changes, int budget) {
  // The form is the truth: the changes only say where to look, so their order across threads
  // does not matter.
  const int count = toolkit_.list_count(form_, list_);
  if (changes.cleared || count < static_cast<int>(rows_.size())) {
    beginResetModel();
    rows_.clear();
    endResetModel();
    changes = RowChanges{};
    if (count > 0) changes.inserted_from = 0;
  }

  std::vector<int> dirty;
  const int known = static_cast<int>(rows_.size());
  if (changes.inserted_from >= 0)  // an insertion moves every row after it
    for (int row = changes.inserted_from; row < known; ++row) dirty.push_back(row);
  for (int row : changes.changed)
    if (row >= 0 && row < known) dirty.push_back(row);
  std::sort(dirty.begin(), dirty.end());
  dirty.erase(std::unique(dirty.begin(), dirty.end()), dirty.end());

  // Changed rows: one dataChanged for each run of neighbouring rows whose cells differ.
  int run_first = -1, run_last = -1;
  auto flush = [&] {
    if (run_first >= 0) emit dataChanged(index(run_first, 0), index(run_last, columnCount() - 1));
    run_first = run_last = -1;
  };
  // Dirty rows lie close together (the workers' window on the list): read them in spans.
  for (std::size_t i = 0; i < dirty.size();) {
    std::size_t j = i;
    while (j + 1 < dirty.size() && dirty[j + 1] - dirty[j] <= 8) ++j;
    auto span = read_rows(dirty[i], dirty[j]);
    for (std::size_t k = i; k <= j; ++k) {
      const int row = dirty[k];
      std::vector<QString>& cells = span[row - dirty[i]];
      if (cells == rows_[row]) continue;
      rows_[row] = std::move(cells);
      if (run_last >= 0 && row != run_last + 1) flush();
      if (run_first < 0) run_first = row;
      run_last = row;
    }
    i = j + 1;
  }
  flush();

  // New rows, in slices of at most `budget`.
  const int last = std::min(count, known + budget) - 1;
  if (last >= known) {
    std::vector<std::vector<QString>> added = read_rows(known, last);
    beginInsertRows({}, known, last);
    std::move(added.begin(), added.end(), std::back_inserter(rows_));
    endInsertRows();
  }
  changes = RowChanges{};
  if (last + 1 < count) {
    changes.inserted_from = last + 1;
    return false;
  }
  return true;
}

int ChapterModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int ChapterModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(captions_.size());
}

QVariant ChapterModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= static_cast<int>(rows_.size())) return {};
  if (role == Qt::DisplayRole) return rows_[index.row()][index.column()];
  if (role == Qt::ToolTipRole)  // marked up as text, so a page's markup shows as it stands
    return QStringLiteral("<qt>%1</qt>").arg(rows_[index.row()][index.column()].toHtmlEscaped());
  return {};
}

QVariant ChapterModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
      section < static_cast<int>(captions_.size()))
    return captions_[section];
  return {};
}

}  // namespace lumetra::ui::qt
