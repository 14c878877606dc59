// Every text the frame converter shows or sends, byte for byte (UTF-8).
#pragma once

namespace gc::msg {

inline constexpr const char *CAPTION = "ぐりっどしねま";

// Window texts.
inline constexpr const char *DROP_PROMPT =
    "ファイル(*.avi *.mpg *.wmv *.jpg *.png *.bmp)をドラッグ・アンド・ドロップしてください。";
inline constexpr const char *PREPARING = "再生準備中です。";
inline constexpr const char *READY_TO_PLAY = "再生ボタンで再生を開始します。";
inline constexpr const char *READY_TO_CONVERT = "変換開始ボタンで変換を開始します。";
inline constexpr const char *CONVERTING = "変換終了ボタンで変換を終了します。";
inline constexpr const char *SAVING = "Excelファイルを保存中です。";
inline constexpr const char *BUTTON_PLAY = "再生";
inline constexpr const char *BUTTON_START = "変換開始";
inline constexpr const char *BUTTON_STOP = "変換終了";

// Message boxes.
inline constexpr const char *RANGE = "1から1000までの値を指定してください。";
inline constexpr const char *CONVERT_FAILED = "Excel変換でエラーが発生しました。処理を中断します。";
inline constexpr const char *SAVE_FAILED = "Excel出力でエラーが発生しました。処理を中断します。";
inline constexpr const char *ASK_LAUNCH = "Excel変換出力が完了しました。ブックを起動しますか？";
inline constexpr const char *PATH_TOO_LONG =
    "ファイルのパスが長すぎます。255文字以内のパスにあるファイルをドロップしてください。";

// Player.
inline constexpr const char *UNSUPPORTED = "ERROR:サポートしていないファイル形式です。";
// The cause, FFmpeg's own description of its error code, stands after "rc = ".
inline constexpr const char *RENDER_FAILED = "ERROR:RenderFile() ファイルオープンエラー rc = %s\n";
// Caption of a message box shown without one (the platform's default).
inline constexpr const char *ERROR_CAPTION = "エラー";

// Conversion.
inline constexpr const char *MALLOC_FAILED = "ERROR:malloc() メモリ確保に失敗しました";
inline constexpr const char *PUT_VALUES_OVERFLOW = "ERROR:VXLS_put_values() rc=%d error_info=%s\n";
inline constexpr const char *PUT_VALUES_RC = "VXLS_put_values() rc = %d";

} // namespace gc::msg
