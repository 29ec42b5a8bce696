#include "cache_clean_up.h"

#include "dialog_window.h"
#include "engine_binding.h"
#include "prompt.h"

namespace {

// The clean-up looks at every kind of file in the backup, whatever the run's type boxes say.
constexpr int kAllFileTypes = ZUNO_TYPES_PICTURES;

// ZunoCacheCheck and ZunoCacheDel modes.
constexpr int kCheckCandidates = 0;
constexpr int kDiscardCandidates = 0;
constexpr int kDeleteCandidates = 1;

}  // namespace

void clean_up_cache(DialogWindow &dialog, QWidget *parent) {
  const int type_mask = engine::get(ZUNO_EnableFileType);
  engine::put(ZUNO_EnableFileType, kAllFileTypes);
  const int candidates = engine::cache_check(kCheckCandidates);
  engine::put(ZUNO_EnableFileType, type_mask);
  if (candidates == ZUNO_BUSY) return;
  if (candidates == 0) {
    engine::cache_del(kDiscardCandidates);
    dialog.prepare(QStringLiteral("条件に該当する画像はありません"), false, false);
    prompt::beep();
    dialog.exec();
    dialog.enable_cancel(true);
    return;
  }
  if (candidates < 0) {
    // The check failed, yet it holds the engine until the list is discarded.
    const QString reason = engine::last_err();
    engine::cache_del(kDiscardCandidates);
    prompt::show(parent, reason);
    return;
  }
  dialog.prepare(
      QString::number(candidates) + QStringLiteral("個の削除候補があります。削除してよろしいですか？"), true,
      true);
  prompt::beep();
  dialog.set_cancel_flag(true);
  dialog.exec();
  engine::cache_del(dialog.cancel_flag() ? kDiscardCandidates : kDeleteCandidates);
  dialog.enable_check(false);
  dialog.set_progress(0);
}
