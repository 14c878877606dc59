// Recording messages and the readers' diagnostic log.
#include "core/diag.h"

#include <cstdio>
#include <cstring>
#include <iterator>
#include <utility>

#include "core/charset.h"

namespace vel {

namespace {

struct DiagTemplate {
    int code;
    const char *text;
};

// Catalogue of the diagnostic lines; "%s" marks where the text goes.
constexpr DiagTemplate kDiagCatalogue[] = {
    {0, "%s"},
    {1, "%s初期化エラー。処理を中断します。"},
    {2, "メモリ不足です。処理を中断します。"},
    {3, "引数が不正です(\"%s\")。処理を中断します。"},
    {4, "引数(\"%s\")が指定されていません。処理を中断します。"},
    {5, "引数が長すぎます。処理を中断します。"},
    {6, "不明なパラメータ名です(\"%s\")。処理を中断します。"},
    {7, "サポート外のキャラクタセットです(\"%s\")。処理を中断します。"},
    {8, "ファイル数が制限を超えました。処理を中断します。"},
    {100, "データソースファイルがオープンできません。処理を中断します。"},
    {200, "データソースDBMSに接続できません。処理を中断します。"},
    {900, "サポート外のファイルです。処理を中断します。"},
    {901, "パスワード保護されたファイルです。処理を中断します。"},
    {1000, "処理が終了しました。"},
    {2000, "コマンドが不正です。"},
    {2001, "SQL文が不正です。"},
    {2002, "サポート外のSQL文です。"},
    {3000, "Officeファイルオープンエラー(\"%s\")。処理を中断します。"},
    {3001, "一時ファイルオープンエラー。処理を中断します。"},
    {3002, "Officeファイル読み込みエラー。処理を中断します。"},
    {3003, "Officeファイル書込みエラー。処理を中断します。"},
    {3004, "一時ファイル読み込みエラー。処理を中断します。"},
    {3005, "一時ファイル書込みエラー。処理を中断します。"},
    {3006, "マスクファイル書込みエラー。処理を中断します。"},
    {3007, "Officeファイル(ZIP)解凍エラー。処理を中断します。"},
    {3010, "サポート外のファイル形式です。処理を中断します。"},
    {3100, "Excelファイルオープンエラー(\"%s\")。処理を中断します。"},
    {3101, "カードファイルオープンエラー(\"%s\")。処理を中断します。"},
    {3102, "カードファイル読み込みエラー(\"%s\")。処理を中断します。"},
    {3103, "Excelファイル書込みエラー(\"%s\")。処理を中断します。"},
    {3104, "Excelファイル書込みエラー(\"2003形式\")。処理を中断します。"},
    {3105, "イメージファイルオープンエラー(\"%s\")。処理を中断します。"},
    {3106, "サポート外のファイル形式です(\"%s\")。処理を中断します。"},
    {3110, "指定されたシートが見つかりませんでした。処理を中断します。"},
    {3500, "SQLエラー(%s)。処理を中断します。"},
    {4000, "内部処理バッファ(\"%s\")がオーバーフローしました。処理を中断します。"},
    {4090, "内部処理エラー(\"%s\")。"},
    {4100, "圧縮／解凍処理でエラーが発生しました(\"%s\")。処理を中断します。"},
};

const char *diag_template(int code) {
    for (const auto &t : kDiagCatalogue)
        if (t.code == code) return t.text;
    return nullptr;
}

void record(Diag &d, const char *tmpl, va_list ap) {
    char utf8[MESSAGE_MAX + 1];
    if (std::strchr(tmpl, '%')) std::vsnprintf(utf8, sizeof utf8, tmpl, ap);
    else std::snprintf(utf8, sizeof utf8, "%s", tmpl);
    d.recorded = true;
    try {
        d.message.assign(utf8_cut(utf8, MESSAGE_MAX));
    } catch (...) {
        // No memory for the text: the call's code still reports the failure.
    }
}

} // namespace

int vlt_verror(Diag &d, int rc, const char *tmpl, va_list ap) {
    if (tmpl) record(d, tmpl, ap);
    return rc;
}

int vlt_error(Diag &d, int rc, const char *tmpl, ...) {
    va_list ap;
    va_start(ap, tmpl);
    vlt_verror(d, rc, tmpl, ap);
    va_end(ap);
    return rc;
}

int vlt_verror_keep(Diag &d, int rc, const char *tmpl, va_list ap) {
    if (!d.recorded && tmpl) record(d, tmpl, ap);
    return rc;
}

int vlt_error_keep(Diag &d, int rc, const char *tmpl, ...) {
    va_list ap;
    va_start(ap, tmpl);
    vlt_verror_keep(d, rc, tmpl, ap);
    va_end(ap);
    return rc;
}

std::string vlt_diag_line(int code, std::string_view text) {
    text = utf8_cut(text, DIAG_LINE_LEN);
    if (size_t lf = text.find('\n'); lf != std::string_view::npos) text = text.substr(0, lf);
    if (code == 0) return std::string(text);

    char head[16];
    std::snprintf(head, sizeof head, "VEL-%05d: ", code);
    std::string line = head;
    const char *tmpl = diag_template(code);
    if (!tmpl) {
        line.append(text);
    } else {
        std::string_view t = tmpl;
        size_t at = t.find("%s");
        if (at == std::string_view::npos) {
            line.append(t);
            line.append(text);
        } else {
            line.append(t.substr(0, at));
            line.append(text);
            line.append(t.substr(at + 2));
        }
    }
    return std::string(utf8_cut(line, DIAG_LINE_LEN));
}

void vlt_diag_code(Diag &d, int code) { d.pending = code; }

void vlt_diag(Diag &d, int code, std::string_view text) {
    if (code != 0) d.pending = code;
    std::string line = vlt_diag_line(d.pending, text);
    d.pending = 0;
    if (d.line_count == DIAG_LINES) {
        std::move(std::begin(d.lines) + 1, std::end(d.lines), std::begin(d.lines));
        --d.line_count;
    }
    d.lines[d.line_count++] = std::move(line);
}

} // namespace vel
