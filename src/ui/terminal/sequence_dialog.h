// The AT terminal's command-sequence editor ("命令序列"): a table of steps,
// one a row (kind, text, time in ms), with buttons to add, remove and move
// steps, to open a sequence file and to save one under another name. OK
// checks the sequence (an empty one may be kept) and saves it to its file;
// a refusal or a failed save leaves the dialog open.
//
// UI thread only.
#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <string>

#include "terminal/command_sequence.h"

class QTableWidget;

namespace zt::ui {

class SequenceDialog : public QDialog {
  Q_OBJECT

 public:
  // `path` is the file OK saves to (until another file is opened or saved).
  SequenceDialog(const CommandSequence& sequence, std::string path, QWidget* parent);

  CommandSequence Sequence() const;
  void SetSequence(const CommandSequence& sequence);
  const std::string& Path() const { return path_; }

  // The file dialogs of "打开..." (save false) and "另存为..." (save true):
  // the chosen path, empty when cancelled. Tests replace it.
  using FileChooser = std::function<QString(QWidget* parent, bool save)>;
  void SetFileChooser(FileChooser chooser) { choose_file_ = std::move(chooser); }

  QTableWidget* Table() const { return table_; }
  void AddStep(const SequenceStep& step);

  void accept() override;

 private:
  void SetRow(int row, const SequenceStep& step);
  SequenceStep RowStep(int row) const;
  void RemoveStep();
  void MoveStep(int delta);
  void OpenFile();
  void SaveFileAs();

  QTableWidget* table_ = nullptr;
  std::string path_;
  FileChooser choose_file_;
};

}  // namespace zt::ui
