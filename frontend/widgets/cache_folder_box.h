// The browser cache folder chooser of the detail window's "Cache" tab: a list of the Chromium and Firefox
// caches found on this desktop, a box for any cache folder (a Chromium or Firefox cache, or the folder that
// holds Content.IE5, "Temporary Internet Files"), a button that browses for it and a line that says what the
// folder looks like. An empty box leaves the choice to the engine (a Windows profile's cache when one is
// configured, else the first cache of the list).
#pragma once

#include <QGroupBox>
#include <QString>

class QComboBox;
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
  // Fills the list of caches found anew (whenever the box is shown).
  void refresh_found();

 protected:
  void showEvent(QShowEvent *event) override;

 Q_SIGNALS:
  // The user chose a folder (empty: none); given only when the choice changed.
  void folder_chosen(const QString &folder);

 private:
  void on_Text9_LostFocus();
  void on_Command4_Click();
  void on_CacheList_Click(int index);
  void take(const QString &text);

  QComboBox *list_;
  QLineEdit *box_;
  QLabel *hint_;
  QString folder_;
};
