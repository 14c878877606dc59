// VBA source of the video workbook's project. On opening, the workbook asks
// whether to play; on Yes it selects every sheet in turn, pausing 100 ms
// after each, so that the sheets play as an animation.
#include <cstdio>

#include "xlsx/vba/vba_build.h"

namespace vel {

namespace {

// The Sleep declaration is PtrSafe for VBA7 (Office 2010 and later, 32- and
// 64-bit) and plain for older hosts; a Declare in an object module must be
// Private. Me.Sheets is this workbook's sheets whichever book is active.
constexpr char8_t THIS_WORKBOOK[] = u8R"VBA(Attribute VB_Name = "ThisWorkbook"
Attribute VB_Base = "0{00020819-0000-0000-C000-000000000046}"
Attribute VB_GlobalNameSpace = False
Attribute VB_Creatable = False
Attribute VB_PredeclaredId = True
Attribute VB_Exposed = True
Attribute VB_TemplateDerived = False
Attribute VB_Customizable = True
Option Explicit

#If VBA7 Then
Private Declare PtrSafe Sub Sleep Lib "kernel32" (ByVal dwMilliseconds As Long)
#Else
Private Declare Sub Sleep Lib "kernel32" (ByVal dwMilliseconds As Long)
#End If

Private Sub Workbook_Open()
    Dim i As Long
    If MsgBox("動画を再生しますか？", vbYesNo + vbQuestion, "確認") <> vbYes Then Exit Sub
    For i = 1 To Me.Sheets.Count
        Me.Sheets(i).Select
        DoEvents
        Sleep 100
    Next i
End Sub
)VBA";

// A worksheet document module holds no code, only the attributes that tie
// it to the Worksheet class.
constexpr char SHEET_MODULE[] = R"VBA(Attribute VB_Name = "Sheet%d"
Attribute VB_Base = "0{00020820-0000-0000-C000-000000000046}"
Attribute VB_GlobalNameSpace = False
Attribute VB_Creatable = False
Attribute VB_PredeclaredId = True
Attribute VB_Exposed = True
Attribute VB_TemplateDerived = False
Attribute VB_Customizable = True
)VBA";

} // namespace

std::string_view vba_this_workbook_source() {
    return {reinterpret_cast<const char *>(THIS_WORKBOOK), sizeof THIS_WORKBOOK - 1};
}

std::string vba_sheet_source(int number) {
    char text[sizeof SHEET_MODULE + 16];
    const int n = std::snprintf(text, sizeof text, SHEET_MODULE, number);
    return n > 0 ? std::string(text, static_cast<size_t>(n)) : std::string();
}

} // namespace vel
