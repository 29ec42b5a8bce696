#include "pic_view.h"

#include "engine_binding.h"

int PicView::add_item(const QString &path) {
  if (count_ == kMaxItems) return -1;
  entries_[count_++] = path + QStringLiteral("\r\n");
  return 0;
}

int PicView::view_item() const {
  QString text;
  for (int i = 0; i < count_; ++i) text += entries_[i];
  return engine::pic_view(text);
}

QString PicView::path() const {
  return entries_[count_];
}

void PicView::set_path(const QString &path) {
  entries_[count_] = path;
}
