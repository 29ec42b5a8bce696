// The Japanese words a user reads when a run fails: the engine's and quillo's reasons.
#include "run_messages.h"

#include <QTest>

#include "external_run.h"
#include "sandbox.h"

class RunMessagesTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void known_engine_texts_are_said_in_japanese() {
    QCOMPARE(run_messages::run_failed("output path is not exist", -1),
             QStringLiteral("処理に失敗しました。\n出力フォルダが見つかりません"));
    QCOMPARE(run_messages::run_failed("Illigal target path\n", -1),
             QStringLiteral("処理に失敗しました。\n対象フォルダが見つかりません"));
    QCOMPARE(run_messages::reason_in_japanese("cannot read folder /a/b"),
             QStringLiteral("フォルダを読めません: /a/b"));
    QCOMPARE(run_messages::reason_in_japanese("not implemented: ZunoGetLinkPage"),
             QStringLiteral("この機能はまだありません: ZunoGetLinkPage"));
  }

  void japanese_and_unknown_texts_are_shown_as_they_are() {
    QCOMPARE(run_messages::run_failed(QStringLiteral("ユーザーによる中断要求"), -1),
             QStringLiteral("処理に失敗しました。\nユーザーによる中断要求"));
    QCOMPARE(run_messages::run_failed("/out/html_1/index.html: No space left on device", -1),
             QStringLiteral("処理に失敗しました。\n/out/html_1/index.html: No space left on device"));
    // A failure the engine recorded no text for still says that it failed.
    QCOMPARE(run_messages::run_failed(QString(), -3), QStringLiteral("処理に失敗しました。（結果 -3）"));
  }

  void quillo_s_reason_is_its_last_own_line() {
    const QString progress = "quillo: ファイル読み込み中\nquillo: 情報取り出し中\n";
    QCOMPARE(run_messages::quillo_reason(progress + "quillo: output path is not exist\n"),
             QStringLiteral("output path is not exist"));
    QCOMPARE(run_messages::quillo_reason("quillo: unknown option /X\nTry 'quillo --help'.\n"),
             QStringLiteral("unknown option /X"));
    QCOMPARE(run_messages::quillo_reason("Segmentation fault\n\n"), QStringLiteral("Segmentation fault"));
    QCOMPARE(run_messages::external_failed(1, false, progress + "quillo: output path is not exist\n"),
             QStringLiteral("quillo の処理に失敗しました（終了コード 1）。\n出力フォルダが見つかりません"));
    QCOMPARE(run_messages::external_failed(9, true, QString()),
             QStringLiteral("quillo が途中で終了しました。"));
  }

  void external_arguments_keep_every_path_whole() {
    external_run::Options o;
    o.subfolder_search = true;
    o.depth = 3;
    o.thumb_size = 96;
    o.paging_style = 1;
    o.page_count = 40;
    o.output = "/out/a \"b\"";
    o.folder = "/pics/say \"cheese\" now";
    QCOMPARE(external_run::arguments(o),
             QStringList({"/S:3", "/T:W96", "/P:N40", "/O:/out/a \"b\"", "/pics/say \"cheese\" now"}));
    // No depth option and no paging leave no empty argument behind.
    o.subfolder_search = false;
    o.paging_style = 2;
    QCOMPARE(external_run::arguments(o),
             QStringList({"/T:W96", "/O:/out/a \"b\"", "/pics/say \"cheese\" now"}));
    // Thumbnail files unticked: quillo, which makes them by default, is told not to.
    o.thumbnails = false;
    QCOMPARE(external_run::arguments(o),
             QStringList({"/T:W96", "--no-thumbnails", "/O:/out/a \"b\"", "/pics/say \"cheese\" now"}));
    QCOMPARE(
        external_run::command_line("/opt/quillo/quillo", o),
        QStringLiteral(
            "/opt/quillo/quillo  /T:W96  --no-thumbnails /O:\"/out/a \"b\"\" \"/pics/say \"cheese\" now\""));
  }
};

QUILLO_FRONTEND_TEST_MAIN(RunMessagesTest)
#include "run_messages_test.moc"
