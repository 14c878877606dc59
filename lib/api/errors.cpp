// Recording messages into error_info, the readers' diagnostic log, the debug
// trace file, and the exported calls that only report or do nothing.
#include <cstdio>
#include <cstring>
#include <iterator>

#include "api/book.h"

namespace vel {

namespace {

int record(XLS_BOOK *book, int rc, const char *tmpl, va_list ap) {
    if (!book || !tmpl) return rc;
    char utf8[XLS_ERROR_LEN];
    if (std::strchr(tmpl, '%')) std::vsnprintf(utf8, sizeof utf8, tmpl, ap);
    else std::snprintf(utf8, sizeof utf8, "%s", tmpl);
    std::string_view text = utf8;
    std::string converted;
    try {
        converted = from_utf8(book, utf8);
        text = converted;
    } catch (...) {
        // No memory for the conversion: the UTF-8 text is better than none.
    }
    size_t n = text.size() < XLS_ERROR_LEN - 1 ? text.size() : XLS_ERROR_LEN - 1;
    std::memcpy(book->error_info, text.data(), n);
    book->error_info[n] = '\0';
    return rc;
}

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

// Longest prefix of `s` of at most `max` bytes that does not end inside a
// UTF-8 sequence.
std::string_view utf8_prefix(std::string_view s, size_t max) {
    if (s.size() <= max) return s;
    size_t n = max;
    while (n > 0 && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80) --n;
    return s.substr(0, n);
}

} // namespace

int vlt_error(XLS_BOOK *book, int rc, const char *tmpl, ...) {
    va_list ap;
    va_start(ap, tmpl);
    record(book, rc, tmpl, ap);
    va_end(ap);
    return rc;
}

int vlt_error_keep(XLS_BOOK *book, int rc, const char *tmpl, ...) {
    if (!book || book->error_info[0] != '\0') return rc;
    va_list ap;
    va_start(ap, tmpl);
    record(book, rc, tmpl, ap);
    va_end(ap);
    return rc;
}

std::string vlt_diag_line(int code, std::string_view text) {
    text = utf8_prefix(text, DIAG_LINE_LEN);
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
    return std::string(utf8_prefix(line, DIAG_LINE_LEN));
}

void vlt_diag_code(XLS_BOOK *book, int code) {
    if (book_is_open(book)) env(book)->diag_pending = code;
}

void vlt_diag(XLS_BOOK *book, int code, const char *text) {
    if (!book_is_open(book)) return;
    Env &e = *env(book);
    if (code != 0) e.diag_pending = code;
    std::string line = vlt_diag_line(e.diag_pending, text ? text : "");
    e.diag_pending = 0;
    if (e.diag_count == DIAG_LINES) {
        std::move(std::begin(e.diag) + 1, std::end(e.diag), std::begin(e.diag));
        --e.diag_count;
    }
    e.diag[e.diag_count++] = std::move(line);
}

} // namespace vel

using namespace vel;

extern "C" {

char *VXLS_error_mesg(XLS_BOOK *book) {
    static char empty[1] = "";
    return book ? book->error_info : empty;
}

int VXLS_debug(const char *text) {
    if (!text) return 0;
    std::FILE *f = std::fopen("DEBUG.log", "a");
    if (!f) return 0;
    std::fprintf(f, "%s\n", text);
    std::fclose(f);
    return 0;
}

int VXLS_set_property(XLS_BOOK *, const char *, const char *) { return 0; }
int VXLS_open_datasource(XLS_BOOK *, const char *) { return 0; }
int VXLS_close_datasource(XLS_BOOK *) { return 0; }
int VXLS_paste_datasource(XLS_BOOK *, const char *) { return 0; }

} // extern "C"
