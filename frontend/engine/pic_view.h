// PicView: the list of pictures to show in a small throw-away catalog (at most 255).
#pragma once

#include <QString>
#include <QStringList>

class PicView {
 public:
  static constexpr int kMaxItems = 255;

  // 0, or -1 when the list is full (nothing added).
  int add_item(const QString &path);
  void clear_item() { count_ = 0; }
  // Hands all entries, each ended by CR LF, to the engine; the engine's result.
  int view_item() const;
  int count() const { return count_; }
  // The entry at the current count.
  QString path() const;
  void set_path(const QString &path);

 private:
  QStringList entries_ = QStringList(kMaxItems + 1);
  int count_ = 0;
};
