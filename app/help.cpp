// Help dialog: a read-only text with an OK button. Version box: a message box
// with the program's and the library's version.
#include "help.h"

#include <QDialog>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringList>

#include "messages.h"
#include "velmora.h"

namespace gc {

QString help_text()
{
    const QString item = QStringLiteral("    ○");
    const QString desc = QStringLiteral("         ");
    const QString line = QStringLiteral("    ");
    QStringList t;
    t << "[はじめに]"
      << line + "このプログラムは、Excel生成API「VELMORA」を利用したサンプルプログラムです。"
      << line + "動画/画像ファイルの画素を、Excelシートのセルに変換したブックを作成します。"
      << ""
      << "[使用方法]"
      << line + "対象ファイルをウィンドウにドラッグ＆ドロップしてください。"
      << line + "その後「再生」ボタンを順にクリックすることで変換を行います。"
      << ""
      << "[ウィンドウ項目]"
      << item + "再生ボタン"
      << desc + "対象をファイルを再生/表示します。"
      << desc + "再生/表示中はボタン上のメッセージが「変換開始」となります。"
      << desc + "任意のタイミングでボタンをクリックするとExcelシート変換が始まります。"
      << desc + "再度「変換終了」とメッセージが変わったボタンをクリックすると終了します。"
      << ""
      << item + "シート数" << desc + "現在のシート数が表示されます。" << ""
      << item + "最大シート数" << desc + "最大シート数を制限できます。1000以上は指定できません。" << ""
      << item + "再生速度倍率"
      << desc + "動画再生速度に対する倍率を指定します。タイミングを調整する際にご活用ください。" << ""
      << item + "縮小倍率" << desc + "画素（ピクセル）の縮尺です。" << ""
      << item + "ズーム" << desc + "Excelのズーム%を指定します。" << ""
      << item + "音声オフ" << desc + "再生時に音声を出力しません。" << ""
      << item + "グレイスケール" << desc + "グレイスケール（白黒）に変換します。" << ""
      << item + "テスト実行"
      << desc + "冒頭30シートだけ変換します。サイズやタイミングを調整する際にご活用ください。"
      << ""
      << "[動作条件/注意事項]"
      << line + "静止画だけを変換する場合であっても、動画再生環境が必要です。"
      << line + "変換後のブックのファイルサイズに応じたメモリを消費します。";
    return t.join(QStringLiteral("\r\n"));
}

QString version_text()
{
    return QStringLiteral("ぐりっどしねま バージョン %1\r\nVELMORA リリース %1\r\n\r\n"
                          "動画や画像のフレームをExcelブックに変換します（Linux版、Qt・FFmpeg使用）。")
        .arg(QStringLiteral(VXLS_VERSION_TEXT));
}

void show_help(QWidget *owner)
{
    QDialog dialog(owner);
    dialog.setObjectName("HELPDLG");
    dialog.setWindowTitle(QStringLiteral("ぐりっどしねま ヘルプ"));
    dialog.setFixedSize(450, 585);
    auto *text = new QPlainTextEdit(&dialog);
    text->setObjectName("help_text");
    text->setReadOnly(true);
    text->setPlainText(help_text().replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    text->setGeometry(15, 15, 420, 525);
    auto *ok = new QPushButton(QStringLiteral("OK"), &dialog);
    ok->setGeometry(195, 555, 60, 24);
    ok->setDefault(true);
    QObject::connect(ok, &QPushButton::clicked, &dialog, [&dialog] { dialog.done(2); });
    dialog.exec();
}

void show_version()
{
    QMessageBox box(QMessageBox::NoIcon, QString::fromUtf8(msg::CAPTION), version_text(), QMessageBox::Ok);
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    box.exec();
}

} // namespace gc
