// The chapter list's rows as a Qt table model: a mirror of one list control of a form, kept on
// the UI thread and brought up to date from what changed, so a view never copies every row to
// show one.
#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <string>
#include <vector>

#include "ui/toolkit.h"

namespace lumetra::ui::qt {

// What happened to a list's rows since the model last looked (gathered by the toolkit).
struct RowChanges {
  bool cleared = false;
  int inserted_from = -1;  // lowest row at which rows were inserted; -1: none
  std::vector<int> changed;

  bool empty() const { return !cleared && inserted_from < 0 && changed.empty(); }
  void merge(const RowChanges& other);
};

class ChapterModel : public QAbstractTableModel {
 public:
  // UI thread only.
  ChapterModel(Toolkit& toolkit, const Form& form, std::string list, QObject* parent);

  // Reads the rows that `changes` names from the form and tells the views: new rows as one
  // insertion, changed rows as one dataChanged per run of neighbouring rows. At most `budget`
  // new rows are read at once, so a catalog of 10,000 rows does not stall the window; returns
  // false when rows are left for a later call (with `changes` keeping what is left).
  bool refresh(RowChanges& changes, int budget = 1000);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  // Rows first..last as the form holds them now; rows gone since come back empty.
  std::vector<std::vector<QString>> read_rows(int first, int last) const;

  Toolkit& toolkit_;
  const Form& form_;
  const std::string list_;
  std::vector<QString> captions_;
  std::vector<std::vector<QString>> rows_;
  mutable std::vector<std::pair<Text, QString>> recent_;  // per column: the last cell decoded
};

}  // namespace lumetra::ui::qt
