// Value vocabularies of the property keywords: colours, fill patterns, line
// styles, font faces and styles, alignments, gradient directions, arrows and
// the smaller word lists (switches, paper, sheet order, chart, sparkline,
// table-style and shape words). All lookups are pure functions of a UTF-8
// text: English words compare without regard to case, Japanese words byte
// for byte, and the first word of a table that matches wins.
#pragma once
#include <cstdint>
#include <string_view>

namespace vel {

// Colour codes: 0..36 palette colours, and the special codes below.
constexpr int32_t COLOR_RGB = -1;   // the value is in the three rgb bytes
constexpr int32_t COLOR_NONE = -2;  // "NONE" / "なし"
constexpr int32_t COLOR_BAD = -9;   // not a colour

struct Rgb {
    uint8_t r = 0, g = 0, b = 0;
};

// Colour word or value -> colour code; `rgb` receives the value for COLOR_RGB
// (and is cleared otherwise).
int32_t color_of(std::string_view text, Rgb &rgb);
// The value a colour code stands for (000000 for codes outside the palette).
Rgb color_value(int32_t code);
// Exactly six hex digits, or "#" and exactly six hex digits.
bool parse_hex_color(std::string_view text, Rgb &rgb);

// Fill pattern code 0..18 (a word not in the table gives 0); the name written
// for a code ("none" for codes outside the table).
int pattern_of(std::string_view text);
const char *pattern_name(int code);
constexpr int PATTERN_GRADIENT = 100;

// Border line style code, -1 for an unknown word; name written for a code
// (nullptr when the code is not a line style).
int line_style_of(std::string_view text);
const char *line_style_name(int code);

// Font style code 0..7 (bit 0 italic, bit 1 bold, bit 2 underline), -1 unknown.
int font_style_of(std::string_view text);
constexpr int FONT_STYLE_HYPERLINK = 10;

// Face code of a face word, or FACE_OWN (255) when the word is not a coded
// face (it is then the font's own face name). The face name of a code.
constexpr int FACE_DEFAULT = 10;
constexpr int FACE_OWN = 255;
int face_code_of(std::string_view text);
const char *face_name(int code);

// Alignment code 11..33, -1 unknown.
int align_of(std::string_view text);

// Gradient direction code 1..6 (HORIZONTAL, VERTICAL, DIAG_R_TOP,
// DIAG_R_BOTTOM, CORNER, CENTER), -1 unknown.
int gradient_dir_of(std::string_view text);

// Arrow heads 1..4 (-1 unknown) and arrow sizes 1..3 (2 for an unknown word).
int arrow_head_of(std::string_view text);
int arrow_size_of(std::string_view text);

// Switch words: 1 on ("TRUE", "する"), 0 off ("FALSE", "しない"), -1 other.
int switch_of(std::string_view text);

// Paper code ("A0".."A5", "B1".."B5"), 4 for any other word.
int paper_size_of(std::string_view text);
// 1 landscape ("LANDSCAPE", "横"), 0 otherwise.
int paper_orientation_of(std::string_view text);
// Sheet order: 0 ascending ("ASC", "正"), 1 descending ("DESC", "逆"), -1 other.
int sheet_order_of(std::string_view text);

// Sparkline kind: 1 line, 2 column, 3 win/loss; -1 unknown.
int sparkline_kind_of(std::string_view text);

// Formatted-table style: family 1 light, 2 medium, 3 dark and the number
// within the family; false for an unknown style word.
bool table_style_of(std::string_view text, int &family, int &number);

// Chart type code (see the table in vocab.cpp), -1 unknown.
int chart_type_of(std::string_view text);

// Shape preset of a shape word ("rect", "ellipse", ...), nullptr when unknown.
const char *shape_preset_of(std::string_view text);


} // namespace vel
