// The reference card of VXLS_help: every property key in English and in
// Japanese with the values it takes, grouped by subject.
#include <cstdio>
#include <string>

#include "property/help.h"

#include "core/charset.h"

namespace vel {

namespace {

constexpr int RULE_WIDTH = 76;

struct Entry {
    const char *english;   // key path with its target placeholder
    const char *japanese;
    const char *values;    // value words, "|" between alternatives; may be empty
};

struct Section {
    const char *title;
    const char *note;      // one line of values shared by the section, may be empty
    const Entry *entries;
    size_t count;
};

// Target placeholders: (*) any target, (Cell) a cell, (Range) a cell range,
// [Cell|Column] a cell or a column, [Cell|Row] a cell or a row.

constexpr const char *kColours =
    "BLACK(黒) GRAY(灰) SILVER(銀) WHITE(白) RED(赤) YELLOW(黄) LIME(黄緑) AQUA(水) "
    "BLUE(青) FUCHSIA(赤紫) MAROON(赤茶) OLIVE(オリーブ) GREEN(緑) TEAL(青緑) NAVY(紺) "
    "PURPLE(紫) LIGHT_RED(薄紅) LIGHT_YELLOW(肌) LIGHT_GREEN(若葉) LIGHT_CYAN(淡水) "
    "LIGHT_BLUE(藤) LIGHT_MAGENTA(桜) NONE(なし)  ※日本語名は「色」を付けても可(赤色)";

constexpr Entry kColourEntries[] = {
    {"(Color)", "(色)", "色名|#rrggbb|rrggbb"},
};

constexpr Entry kFontEntries[] = {
    {"(Cell).FONT.NAME", "(セル).フォント.名", "ゴシック|明朝|ポップ|教科書|行書|(フォント名)"},
    {"(Cell).FONT.SIZE", "(セル).フォント.サイズ", "(ポイント数)"},
    {"(Cell).FONT.STYLE", "(セル).フォント.スタイル",
     "REGULAR|UNDERLINE|ITALIC|ITALIC_UNDERLINE|BOLD|BOLD_UNDERLINE|BOLD_ITALIC|"
     "BOLD_ITALIC_UNDERLINE (標準|下線|斜体|斜体下線|強調|強調下線|強調斜体|強調斜体下線)"},
    {"(Cell).FONT.COLOR", "(セル).フォント.色", "(色)"},
};

constexpr Entry kAlignEntries[] = {
    {"(Cell).ALIGN", "(セル).配置",
     "TOP_LEFT|TOP_CENTER|TOP_RIGHT|CENTER_LEFT|CENTER_CENTER|CENTER_RIGHT|"
     "BOTTOM_LEFT|BOTTOM_CENTER|BOTTOM_RIGHT (左上|中上|右上|左中|中中|右中|左下|中下|右下)"},
    {"(Cell).WRAP", "(セル).折り返し", "TRUE|FALSE (する|しない)"},
    {"(Cell).SHRINK", "(セル).縮小", "TRUE|FALSE (する|しない)"},
    {"(Cell).縦書き", "(セル).縦書き", "TRUE|FALSE (する|しない)"},
    {"(Range).MERGE", "(範囲).結合", "TRUE|FALSE (する|しない)"},
};

constexpr Entry kFormatEntries[] = {
    {"(*).FORMAT", "(*).書式",
     "文字列|小数点以下[n]|パーセント|パーセント小数点以下[n]|赤マイナス|カンマ|コンマ|"
     "円|赤円|日付|日時|時刻|時分秒|年月日|西暦|月日|和暦|郵便番号|正負記号|漢数字|大字|"
     "全角|全角桁区切り"},
};

constexpr Entry kBorderEntries[] = {
    {"(Cell).BORDER", "(セル).罫線", "(線種)"},
    {"(Cell).BORDER.LEFT", "(セル).罫線.左", "(線種)"},
    {"(Cell).BORDER.RIGHT", "(セル).罫線.右", "(線種)"},
    {"(Cell).BORDER.TOP", "(セル).罫線.上", "(線種)"},
    {"(Cell).BORDER.BOTTOM", "(セル).罫線.下", "(線種)"},
    {"(Cell).BORDER.DIAGONAL_UP", "(セル).罫線.斜上", "(線種)"},
    {"(Cell).BORDER.DIAGONAL_DOWN", "(セル).罫線.斜下", "(線種)"},
    {"(Cell).BORDER.COLOR", "(セル).罫線.色", "(色)"},
};

constexpr Entry kFillEntries[] = {
    {"(Cell).FILL.COLOR", "(セル).塗りつぶし.色", "(色)"},
    {"(Cell).FILL.PATTERN.NAME", "(セル).塗りつぶし.パターン.名", "(パターン)"},
    {"(Cell).FILL.PATTERN.COLOR", "(セル).塗りつぶし.パターン.色", "(色)"},
    {"(Cell).FILL.GRADATION.COLOR1", "(セル).塗りつぶし.グラデーション.色1", "(色)"},
    {"(Cell).FILL.GRADATION.COLOR2", "(セル).塗りつぶし.グラデーション.色2", "(色)"},
    {"(Cell).FILL.GRADATION.KIND", "(セル).塗りつぶし.グラデーション.種類",
     "HORIZONTAL|VERTICAL|DIAG_R_TOP|DIAG_R_BOTTOM|CORNER|CENTER "
     "(右上対角線|右下対角線|角から|中央から)"},
    {"(Cell).FILL.GRADATION.VARIATION", "(セル).塗りつぶし.グラデーション.バリエーション", "(番号)"},
};

constexpr Entry kOtherEntries[] = {
    {"(Cell)", "(セル)", "(値)|\"(文字列)\"|=(計算式)"},
    {"(Cell).COMMENT", "(セル).コメント", "(文字列)"},
    {"(Cell).HYPERLINK", "(セル).ハイパーリンク", "(アドレス)"},
    {"(Cell).IMAGE.PATH", "(セル).イメージ.ファイル名", "(画像ファイル名)"},
    {"(Cell).IMAGE.RATIO", "(セル).イメージ.倍率", "(倍率)"},
    {"(Cell).IMAGE.OFFSET.X", "(セル).イメージ.オフセット.Ｘ", "(数値)"},
    {"(Cell).IMAGE.OFFSET.Y", "(セル).イメージ.オフセット.Ｙ", "(数値)"},
    {"(Range).CHART", "(範囲).グラフ",
     "COLUMN|COLUMN_STACKED|COLUMN_PERCENT|COLUMN_3D|BAR|BAR_STACKED|BAR_PERCENT|BAR_3D|"
     "LINE|LINE_STACKED|LINE_PERCENT|LINE_3D|PIE|PIE_3D|AREA|AREA_STACKED|AREA_PERCENT|"
     "AREA_3D|SCATTER|DOUGHNUT|RADAR|STOCK|SURFACE|BUBBLE "
     "(縦棒|積み上げ縦棒|100%積み上げ縦棒|3-D縦棒|横棒|積み上げ横棒|100%積み上げ横棒|3-D横棒|"
     "折れ線|積み上げ折れ線|100%積み上げ折れ線|3-D折れ線|円|3-D円|面|積み上げ面|"
     "100%積み上げ面|3-D面|散布図|ドーナツ|レーダー|株価|等高線|バブル) "
     "TITLE= LEGEND= TYPE= STYLE= LOCATION= MAX= MIN= BACKCOLOR= GRADATIONCOLOR1= "
     "GRADATIONCOLOR2= 3D_ROTATE_X= 3D_ROTATE_Y= 3D_DEPTH= 3D_PERSPECTIVE="},
    {"(Range).CHART.SWITCH", "(範囲).グラフ.行列切替", "TRUE|FALSE (する|しない)"},
    {"(Range).CHART.LEGEND_POSITION", "(範囲).グラフ.凡例表示位置", "(位置)"},
    {"(Range).CHART.LEGEND_FONT_SIZE", "(範囲).グラフ.凡例フォントサイズ", "(ポイント数)"},
    {"(Range).CHART.SERIES_LINE", "(範囲).グラフ.区分線表示", "TRUE|FALSE (する|しない)"},
    {"(Range).CHART.MAJOR_UNIT", "(範囲).グラフ.目盛間隔", "(数値)"},
    {"(Range).CHART.DATA_LABEL", "(範囲).グラフ.データラベル", "TRUE|FALSE (する|しない)"},
    {"(Range).CHART.GAP_WIDTH", "(範囲).グラフ.棒の間隔", "(数値)"},
    {"(Range).SPARKLINE", "(範囲).スパークライン", "(データ範囲)"},
    {"(Range).SPARKLINE.KIND", "(範囲).スパークライン.種類", "LINE|BAR|STACK (折れ線|縦棒|勝敗)"},
    {"(Range).SPARKLINE.DISPLAY", "(範囲).スパークライン.表示",
     "HIGH|LOW|START|END|NEGATIVE|MARKER (山|谷|始点|終点|負|マーカー)"},
    {"(Range).SPARKLINE.HIGH.COLOR", "(範囲).スパークライン.山.色", "(色)"},
    {"(Range).SPARKLINE.LOW.COLOR", "(範囲).スパークライン.谷.色", "(色)"},
    {"(Range).SPARKLINE.START.COLOR", "(範囲).スパークライン.始点.色", "(色)"},
    {"(Range).SPARKLINE.END.COLOR", "(範囲).スパークライン.終点.色", "(色)"},
    {"(Range).SPARKLINE.NEGATIVE.COLOR", "(範囲).スパークライン.負.色", "(色)"},
    {"(Range).SPARKLINE.MARKER.COLOR", "(範囲).スパークライン.マーカー.色", "(色)"},
    {"(Range).TABLE_FORMAT", "(範囲).表書式", "Light1-21|Medium1-28|Dark1-11"},
    {"(Range).TABLE_FORMAT.COLUMN_NAME", "(範囲).表書式.列名", "(列名,...)"},
    {"(Range).FILTER", "(範囲).フィルター", "TRUE|FALSE (する|しない)"},
    {"(Cell).AUTOSHAPE", "(セル).オートシェイプ", "(図形名)"},
    {"(Cell).AUTOSHAPE.TEXT", "(セル).オートシェイプ.文字列", "(文字列)"},
    {"(Cell).AUTOSHAPE.TEXT.ALIGN", "(セル).オートシェイプ.文字列.配置", "(配置)"},
    {"(Cell).AUTOSHAPE.END", "(セル).オートシェイプ.終点", "(セル)"},
    {"(Cell).AUTOSHAPE.WIDTH", "(セル).オートシェイプ.幅", "(数値)"},
    {"(Cell).AUTOSHAPE.HEIGHT", "(セル).オートシェイプ.高さ", "(数値)"},
    {"(Cell).AUTOSHAPE.OFFSET.X|Y", "(セル).オートシェイプ.オフセット.Ｘ|Ｙ", "(数値)"},
    {"(Cell).AUTOSHAPE.ADJUST.X|Y", "(セル).オートシェイプ.アジャスト.Ｘ|Ｙ", "(数値)"},
    {"(Cell).AUTOSHAPE.ROTATION", "(セル).オートシェイプ.回転", "(角度)"},
    {"(Cell).AUTOSHAPE.FILL.KIND|COLOR|STYLE|TRANSPARENT|ACCENT",
     "(セル).オートシェイプ.塗りつぶし.種類|色|スタイル|透過性|アクセント", ""},
    {"(Cell).AUTOSHAPE.LINE.STYLE|COLOR|WIDTH", "(セル).オートシェイプ.枠線.スタイル|色|幅", ""},
    {"(Cell).AUTOSHAPE.ARROW", "(セル).オートシェイプ.矢印",
     "ARROW|TRIANGLE|DIAMOND|OVAL (矢印|三角|四角|丸) SMALL|MEDIUM|LARGE (小|中|大)"},
    {"(Cell).AUTOSHAPE.SHADOW.KIND|COLOR|TRANSPARENT|BLUR|DEGREE|DIST|ALIGN",
     "(セル).オートシェイプ.影.種類|色|透過性|ぼかし|角度|距離|配置", ""},
    {"(Cell).AUTOSHAPE.BLUR|EFFECT|RESET|VERSION", "(セル).オートシェイプ.ぼかし|効果|リセット|バージョン", ""},
    {"(Cell).CSV", "(セル).CSV", "(CSVファイル名)"},
    {"(Cell).TSV", "(セル).TSV", "(TSVファイル名)"},
    {"AUTO_WIDTH", "列幅自動調整", "TRUE|FALSE (する|しない)"},
};

constexpr Entry kBookEntries[] = {
    {"BOOK", "ブック", "(ファイル名)"},
    {"TEMPLATE", "テンプレート", "(テンプレートファイル名)"},
    {"BOOK.COMPANY", "ブック.会社名", "(文字列)"},
    {"BOOK.CREATOR", "ブック.作成者", "(文字列)"},
    {"BOOK.MANAGER", "ブック.管理者", "(文字列)"},
    {"BOOK.TITLE", "ブック.タイトル", "(文字列)"},
    {"BOOK.SUBJECT", "ブック.サブタイトル", "(文字列)"},
    {"BOOK.WRITE_PASSWORD", "ブック.書込パスワード", "(パスワード)"},
    {"BOOK.RECALC", "ブック.再計算", "TRUE|FALSE (する|しない)"},
    {"BOOK.BACKUP", "ブック.バックアップ", "TRUE|FALSE (する|しない)"},
    {"BOOK.FINAL", "ブック.最終版", "TRUE|FALSE (する|しない)"},
    {"BOOK.THUMBNAIL.PATH", "ブック.サムネイル.ファイル名", "(画像ファイル名)"},
};

constexpr Entry kSheetEntries[] = {
    {"SHEET", "シート", "(シート名)"},
    {"SHEET.HIDDEN", "シート.非表示", "TRUE|FALSE (する|しない)"},
    {"SHEET.PASSWORD", "シート.パスワード", "(パスワード)"},
    {"SHEET.PROTECT", "シート.保護", "TRUE|FALSE (する|しない)"},
    {"SHEET.ORDER", "シート.順", "ASC|DESC (正|逆)"},
    {"SHEET.TAB.COLOR", "シート.タブ.色", "(色)"},
    {"SHEET.BACKGROUND.PATH", "シート.背景.ファイル名", "(画像ファイル名)"},
    {"SHEET.SCROLL_ROW", "シート.スクロール開始行", "(行番号)"},
    {"[Cell|Column].WIDTH", "[セル|列].幅", "(文字数)"},
    {"[Cell|Row].HEIGHT", "[セル|行].高さ", "(ポイント数)"},
    {"[Cell|Row].NEWPAGE", "[セル|行].改ページ", "TRUE"},
};

constexpr Entry kPrintEntries[] = {
    {"ZOOM", "ズーム", "(倍率%)"},
    {"SHEET.HIDDEN_GRID", "シート.枠線非表示", "TRUE|FALSE (する|しない)"},
    {"SHEET.HIDDEN_HEADER", "シート.ヘッダー非表示", "TRUE|FALSE (する|しない)"},
    {"SHEET.FROZEN_TOP", "シート.先頭行固定", "TRUE|FALSE (する|しない)"},
    {"SHEET.FROZEN_LEFT", "シート.先頭列固定", "TRUE|FALSE (する|しない)"},
    {"PAPER.SIZE", "用紙.サイズ", "A0|A1|A2|A3|A4|A5|B1|B2|B3|B4|B5"},
    {"PAPER.ORIENTATION", "用紙.方向", "PORTRAIT|LANDSCAPE (縦|横)"},
    {"PAPER.SCALE", "用紙.拡大／縮小", "(倍率%)"},
    {"PAPER.DPI", "用紙.印刷品質", "(解像度)"},
    {"PAPER.MARGIN.TOP|BOTTOM|LEFT|RIGHT", "用紙.余白.上|下|左|右", "(cm)"},
    {"PAPER.MARGIN.HEADER|FOOTER", "用紙.余白.ヘッダー|フッター", "(cm)"},
    {"SHEET.HEADER.LEFT|CENTER|RIGHT", "シート.ヘッダー.左|中央部|右", "(文字列)"},
    {"SHEET.FOOTER.LEFT|CENTER|RIGHT", "シート.フッター.左|中央部|右", "(文字列)"},
    {"SHEET.HEADER|FOOTER.(*).FONT.NAME", "シート.ヘッダー|フッター.(*).フォント.名", "(フォント名)"},
    {"SHEET.HEADER|FOOTER.(*).FONT.SIZE", "シート.ヘッダー|フッター.(*).フォント.サイズ", "(ポイント数)"},
    {"SHEET.HEADER|FOOTER.(*).FONT.STYLE", "シート.ヘッダー|フッター.(*).フォント.スタイル", "(スタイル)"},
    {"SHEET.HEADER|FOOTER.(*).FONT.COLOR", "シート.ヘッダー|フッター.(*).フォント.色", "(色)"},
};

constexpr Entry kVariableEntries[] = {
    {"(Name)", "(変数名)", "(値)  ※$(変数名)で参照"},
    {"$SYSDATE", "$SYSDATE", "現在日付"},
    {"$SYSDATETIME", "$SYSDATETIME", "現在日時"},
    {"$ROWNUM", "$ROWNUM", "CSV/SQLロード行数"},
};

constexpr const char *kBorderStyles =
    "(線種) HAIR|DOTTED|DASHDOTDOT|DASHDOT|DASHED|THIN|MEDIUMDASHDOTDOT|SLANTDASHDOT|"
    "MEDIUMDASHDOT|MEDIUMDASHED|MEDIUM|THICK|DOUBLE (細線|点線|二点鎖線|一点鎖線|破線|実線|"
    "中二点鎖線|斜二点鎖線|中鎖線|中破線|中太線|太線|二重線)";

constexpr const char *kPatterns =
    "(パターン) none|solid|darkGray|mediumGray|lightGray|gray125|gray0625|darkHorizontal|"
    "darkVertical|darkDown|darkUp|darkGrid|darkTrellis|lightHorizontal|lightVertical|lightDown|"
    "lightUp|lightGrid|lightTrellis (なし|塗りつぶし|75%灰色|50%灰色|25%灰色|12.5%灰色|6.25%灰色|"
    "横縞|縦縞|右下がり斜線縞|左下がり斜線縞|左下がり斜線格子|極太線左下がり斜線格子|実線横縞|"
    "実線縦縞|実線右下がり斜線縞|実線左下がり斜線縞|実線横格子|実線左下がり斜線格子)";

constexpr const char *kTargets =
    "(*)=セル|範囲|行|列  (Cell)=A1  (Range)=A1:C3  [Cell|Column]=A1|A  [Cell|Row]=A1|1";

template <size_t N>
constexpr Section section(const char *title, const char *note, const Entry (&entries)[N]) {
    return Section{title, note, entries, N};
}

const Section kSections[] = {
    section("■色", kColours, kColourEntries),
    section("■フォント", kTargets, kFontEntries),
    section("■配置", "", kAlignEntries),
    section("■書式", "", kFormatEntries),
    section("■罫線", kBorderStyles, kBorderEntries),
    section("■塗りつぶし", kPatterns, kFillEntries),
    section("■その他", "", kOtherEntries),
    section("■ブック", "", kBookEntries),
    section("■シート", "", kSheetEntries),
    section("■印刷/表示", "", kPrintEntries),
    section("■変数", "", kVariableEntries),
};

std::string card_utf8() {
    std::string rule(RULE_WIDTH, '-');
    std::string out = "\n";
    char head[64];
    std::snprintf(head, sizeof head, "%s: Release %s\n", "VELMORA", VXLS_VERSION_TEXT);
    out += head;
    out += "\n";
    out += rule + "\n";
    for (const Section &s : kSections) {
        out += s.title;
        out += "\n";
        if (*s.note) {
            out += "  ";
            out += s.note;
            out += "\n";
        }
        for (size_t i = 0; i < s.count; ++i) {
            const Entry &e = s.entries[i];
            out += "  ";
            out += e.english;
            out += " / ";
            out += e.japanese;
            if (*e.values) {
                out += " = ";
                out += e.values;
            }
            out += "\n";
        }
        out += rule + "\n";
    }
    return out;
}

} // namespace

std::string vlt_help_text(int charset) {
    std::string text;
    convert_charset(text, card_utf8(), VXLS_CHARSET_UTF8, charset);
    return text;
}

} // namespace vel
