// xl/workbook.xml: file version, write reservation, workbook properties,
// the window, the sheet list and the calculation settings.
#include "xlsx/package.h"

#include <cstdio>
#include <cstring>

namespace vel {

uint16_t legacy_password_hash(std::string_view password) {
    uint16_t hash = 0;
    for (size_t i = password.size(); i-- > 0;) {
        hash = static_cast<uint16_t>(((hash >> 14) & 0x01) | ((hash << 1) & 0x7fff));
        hash ^= static_cast<unsigned char>(password[i]);
    }
    hash = static_cast<uint16_t>(((hash >> 14) & 0x01) | ((hash << 1) & 0x7fff));
    hash ^= static_cast<uint16_t>(password.size());
    hash ^= 0xCE4B;
    return hash;
}

namespace {

// <fileVersion .../>
void write_file_version(const SaveContext &ctx, XmlWriter &w) {
    if (ctx.macro)
        w.raw("<fileVersion codeName=\"{8C4F1C90-05EB-6A55-5F09-09C24B55AC0B}\" rupBuild=\"9303\" "
              "lowestEdited=\"4\" lastEdited=\"5\" appName=\"xl\"/>");
    else
        w.raw("<fileVersion appName=\"xl\" lastEdited=\"4\" lowestEdited=\"4\" rupBuild=\"4506\"/>");
}

// <fileSharing userName="..." reservationPassword="...."/>
void write_file_sharing(const SaveContext &ctx, XmlWriter &w) {
    std::string_view pw = ctx.book->write_password;
    if (pw.empty()) return;
    char hex[8];
    std::snprintf(hex, sizeof hex, "%04x", legacy_password_hash(pw));
    w.raw("<fileSharing");
    w.attr("userName", ctx.book->creator);
    w.attr("reservationPassword", hex);
    w.raw("/>");
}

// <workbookPr .../>
void write_workbook_pr(const SaveContext &ctx, XmlWriter &w) {
    w.raw("<workbookPr");
    if (ctx.macro) w.raw(" codeName=\"ThisWorkbook\"");
    if (ctx.backup) w.raw(" backupFile=\"1\"");
    w.raw(" defaultThemeVersion=\"124226\"/>");
}

// <sheets> with one <sheet> per sheet.
void write_sheets(const SaveContext &ctx, XmlWriter &w) {
    w.raw("<sheets>");
    for (size_t i = 0; i < ctx.sheets.size(); ++i) {
        const Sheet &s = *ctx.sheets[i];
        w.raw("<sheet");
        w.attr("name", s.name);
        w.attr("sheetId", static_cast<int64_t>(i + 1));
        w.raw(" r:id=\"rId");
        w.num(static_cast<int64_t>(i + 1));
        w.raw(s.sw_hidden == VXLS_ON ? "\" state=\"hidden\"/>" : "\"/>");
    }
    w.raw("</sheets>");
}

} // namespace

void write_workbook(const SaveContext &ctx, XmlWriter &w) {
    w.declaration();
    w.raw("<workbook xmlns=\"");
    w.raw(NS_MAIN);
    w.raw("\" xmlns:r=\"");
    w.raw(NS_REL);
    w.raw("\">");
    write_file_version(ctx, w);
    write_file_sharing(ctx, w);
    write_workbook_pr(ctx, w);
    w.raw("<bookViews><workbookView xWindow=\"120\" yWindow=\"120\" windowWidth=\"19110\" "
          "windowHeight=\"11025\"/></bookViews>");
    write_sheets(ctx, w);
    // A book whose formulas the library did not compute asks to be recalculated on opening.
    w.raw(ctx.book->recalc ? "<calcPr calcId=\"145621\"/></workbook>"
                           : "<calcPr calcId=\"145621\" fullCalcOnLoad=\"1\"/></workbook>");
}

} // namespace vel
