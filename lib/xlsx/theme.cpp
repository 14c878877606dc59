// xl/theme/theme1.xml: the one fixed theme of every package ("Office Theme":
// the Office colour and font schemes and a plain format scheme).
#include "xlsx/package.h"

namespace vel {

namespace {

constexpr std::string_view THEME_HEAD =
    "<a:theme xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\" name=\"Office Theme\">"
    "<a:themeElements>";

// Colour scheme "Office".
constexpr std::string_view COLOR_SCHEME =
    "<a:clrScheme name=\"Office\">"
    "<a:dk1><a:sysClr val=\"windowText\" lastClr=\"000000\"/></a:dk1>"
    "<a:lt1><a:sysClr val=\"window\" lastClr=\"FFFFFF\"/></a:lt1>"
    "<a:dk2><a:srgbClr val=\"1F497D\"/></a:dk2>"
    "<a:lt2><a:srgbClr val=\"EEECE1\"/></a:lt2>"
    "<a:accent1><a:srgbClr val=\"4F81BD\"/></a:accent1>"
    "<a:accent2><a:srgbClr val=\"C0504D\"/></a:accent2>"
    "<a:accent3><a:srgbClr val=\"9BBB59\"/></a:accent3>"
    "<a:accent4><a:srgbClr val=\"8064A2\"/></a:accent4>"
    "<a:accent5><a:srgbClr val=\"4BACC6\"/></a:accent5>"
    "<a:accent6><a:srgbClr val=\"F79646\"/></a:accent6>"
    "<a:hlink><a:srgbClr val=\"0000FF\"/></a:hlink>"
    "<a:folHlink><a:srgbClr val=\"800080\"/></a:folHlink>"
    "</a:clrScheme>";

// Font scheme "Office": Latin faces with the Japanese face for Jpan.
constexpr std::string_view FONT_SCHEME =
    "<a:fontScheme name=\"Office\">"
    "<a:majorFont><a:latin typeface=\"Cambria\"/><a:ea typeface=\"\"/><a:cs typeface=\"\"/>"
    "<a:font script=\"Jpan\" typeface=\"ＭＳ Ｐゴシック\"/></a:majorFont>"
    "<a:minorFont><a:latin typeface=\"Calibri\"/><a:ea typeface=\"\"/><a:cs typeface=\"\"/>"
    "<a:font script=\"Jpan\" typeface=\"ＭＳ Ｐゴシック\"/></a:minorFont>"
    "</a:fontScheme>";

// Format scheme: three fills, lines, effects and background fills, each a
// plain variation of the placeholder colour.
constexpr std::string_view FORMAT_SCHEME =
    "<a:fmtScheme name=\"Office\">"
    "<a:fillStyleLst>"
    "<a:solidFill><a:schemeClr val=\"phClr\"/></a:solidFill>"
    "<a:solidFill><a:schemeClr val=\"phClr\"><a:tint val=\"50000\"/></a:schemeClr></a:solidFill>"
    "<a:solidFill><a:schemeClr val=\"phClr\"><a:shade val=\"80000\"/></a:schemeClr></a:solidFill>"
    "</a:fillStyleLst>"
    "<a:lnStyleLst>"
    "<a:ln w=\"9525\" cap=\"flat\" cmpd=\"sng\" algn=\"ctr\"><a:solidFill><a:schemeClr val=\"phClr\">"
    "<a:shade val=\"95000\"/></a:schemeClr></a:solidFill><a:prstDash val=\"solid\"/></a:ln>"
    "<a:ln w=\"25400\" cap=\"flat\" cmpd=\"sng\" algn=\"ctr\"><a:solidFill><a:schemeClr val=\"phClr\"/>"
    "</a:solidFill><a:prstDash val=\"solid\"/></a:ln>"
    "<a:ln w=\"38100\" cap=\"flat\" cmpd=\"sng\" algn=\"ctr\"><a:solidFill><a:schemeClr val=\"phClr\"/>"
    "</a:solidFill><a:prstDash val=\"solid\"/></a:ln>"
    "</a:lnStyleLst>"
    "<a:effectStyleLst>"
    "<a:effectStyle><a:effectLst/></a:effectStyle>"
    "<a:effectStyle><a:effectLst/></a:effectStyle>"
    "<a:effectStyle><a:effectLst><a:outerShdw blurRad=\"40000\" dist=\"23000\" dir=\"5400000\" "
    "rotWithShape=\"0\"><a:srgbClr val=\"000000\"><a:alpha val=\"35000\"/></a:srgbClr></a:outerShdw>"
    "</a:effectLst></a:effectStyle>"
    "</a:effectStyleLst>"
    "<a:bgFillStyleLst>"
    "<a:solidFill><a:schemeClr val=\"phClr\"/></a:solidFill>"
    "<a:solidFill><a:schemeClr val=\"phClr\"><a:tint val=\"95000\"/></a:schemeClr></a:solidFill>"
    "<a:solidFill><a:schemeClr val=\"phClr\"><a:shade val=\"90000\"/></a:schemeClr></a:solidFill>"
    "</a:bgFillStyleLst>"
    "</a:fmtScheme>";

constexpr std::string_view THEME_TAIL =
    "</a:themeElements><a:objectDefaults/><a:extraClrSchemeLst/></a:theme>";

} // namespace

void write_theme(XmlWriter &w) {
    w.declaration();
    w.raw(THEME_HEAD);
    w.raw(COLOR_SCHEME);
    w.raw(FONT_SCHEME);
    w.raw(FORMAT_SCHEME);
    w.raw(THEME_TAIL);
}

} // namespace vel
