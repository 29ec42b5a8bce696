// The browser cache folder chooser of the detail window's "Cache" tab: a box for the folder that holds
// Content.IE5 ("Temporary Internet Files"), a button that browses for it and a line that says what the
// folder looks like. An empty box leaves the choice to the engine (the Windows profile variables).
#pragma once

#include <QGroupBox>
#include <QString>

class QLabel;
class QLineEdit;

class CacheFolderBox : public QGroupBox {
  Q_OBJECT
 public:
  explicit CacheFolderBox(QWidget *parent = nullptr);

  // Shows a folder without announcing it (the stored choice at start-up).
  void set_folder(const QString &folder);
  QString folder() const { return folder_; }

  // The folder the user meant by text: trimmed, without trailing separators, and Content.IE5 itself (picked
  // by mistake) standing for the folder above it. Empty for an empty text.
  static QString cache_folder_of(const QString &text);
  // What the hint line says about a chosen folder.
  static QString hint_for(const QString &folder);

 Q_SIGNALS:
  // The user chose a folder (empty: none); given only when the choice changed.
  void folder_chosen(const QString &folder);

 private:
  void on_Text9_LostFocus();
  void on_Command4_Click();
  void take(const QString &text);

  QLineEdit *box_;
  QLabel *hint_;
  QString folder_;
};
