#include "run_messages.h"

#include <QStringList>
#include <cstring>
#include <utility>

namespace run_messages {
namespace {

const QString kRunFailed = QStringLiteral("処理に失敗しました。");

// Texts the engine and quillo record word for word.
const std::pair<const char *, const char *> kWholeTexts[] = {
    {"output path is not exist", "出力フォルダが見つかりません"},
    {"Illigal target path", "対象フォルダが見つかりません"},
    {"output_path:can't make Directory (path too long)", "出力先のフォルダを作れません（パスが長すぎます）"},
    {"output_path:can't make Directory", "出力先のフォルダを作れません"},
    {"output_path:not a direstory", "出力先に同じ名前のファイルがあるため、フォルダを作れません"},
    {"get_htmlout:can't make Directory", "カタログのフォルダを作れません"},
    {"get_htmlout:unknown error", "カタログのフォルダと同じ名前のファイルがあります"},
    {"out of memory", "メモリが足りません"},
    {"the engine is busy", "エンジンが別の処理中です"},
};

// Texts that carry a path or a name after a fixed beginning; the rest is kept after the Japanese words.
const std::pair<const char *, const char *> kLeadingTexts[] = {
    {"not implemented: ", "この機能はまだありません: "},
    {"cannot read folder ", "フォルダを読めません: "},
    {"cannot make folder, a file of that name is in the way: ",
     "同じ名前のファイルがあるため、フォルダを作れません: "},
    {"cannot make the output folder ", "出力フォルダを作れません: "},
    {"cannot make ", "作れません: "},
    {"no such folder: ", "対象フォルダが見つかりません: "},
};

// quillo's own reasons whose details add nothing for the user.
const std::pair<const char *, const char *> kSummaryTexts[] = {
    {"another quillo is running", "別の quillo が実行中です"},
    {"no picture of ", "条件に合う画像はありません。"},
};

}  // namespace

QString reason_in_japanese(const QString &engine_text) {
  const QString text = engine_text.trimmed();
  for (const auto &[english, japanese] : kWholeTexts)
    if (text == QLatin1String(english)) return QString::fromUtf8(japanese);
  for (const auto &[english, japanese] : kLeadingTexts)
    if (text.startsWith(QLatin1String(english)))
      return QString::fromUtf8(japanese) + text.mid(qsizetype(strlen(english)));
  for (const auto &[english, japanese] : kSummaryTexts)
    if (text.startsWith(QLatin1String(english))) return QString::fromUtf8(japanese);
  return text;
}

QString run_failed(const QString &engine_text, int result) {
  const QString reason = reason_in_japanese(engine_text);
  if (reason.isEmpty()) return kRunFailed + QStringLiteral("（結果 %1）").arg(result);
  return kRunFailed + QLatin1Char('\n') + reason;
}

QString engine_busy() {
  return kRunFailed + QLatin1Char('\n') + reason_in_japanese(QStringLiteral("the engine is busy"));
}

QString catalog_missing(const QString &page) {
  return QStringLiteral("カタログのページが作られていません。\n") + page;
}

QString quillo_reason(const QString &standard_error) {
  const QString prefix = QStringLiteral("quillo: ");
  const QStringList lines = standard_error.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
  for (qsizetype i = lines.size() - 1; i >= 0; --i)
    if (lines[i].startsWith(prefix)) return lines[i].mid(prefix.size()).trimmed();
  for (qsizetype i = lines.size() - 1; i >= 0; --i)
    if (!lines[i].trimmed().isEmpty()) return lines[i].trimmed();
  return QString();
}

QString external_failed(int exit_code, bool crashed, const QString &standard_error) {
  QString text = crashed ? QStringLiteral("quillo が途中で終了しました。")
                         : QStringLiteral("quillo の処理に失敗しました（終了コード %1）。").arg(exit_code);
  const QString reason = reason_in_japanese(quillo_reason(standard_error));
  if (!reason.isEmpty()) text += QLatin1Char('\n') + reason;
  return text;
}

}  // namespace run_messages
