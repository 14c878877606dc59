// VBA source of the video workbook's project. On opening, the workbook asks
// whether to play; on Yes it selects every sheet in turn, pausing about
// 100 ms after each, so that the sheets play as an animation.
#include <cstdio>

#include "xlsx/vba/vba_build.h"

namespace vel {

namespace {

// No Declare and no conditional compilation: LibreOffice, which imports the
// project too, hides Workbook_Open behind a Declare line, runs every branch
// of #If, and has no kernel32 Sleep. The pause waits on Timer, letting
// events through, once Timer has shown a fraction of a second (Excel); where
// it counts whole seconds (LibreOffice) Application.Wait takes the pause.
// Me.Sheets is this workbook's sheets whichever book is active.
constexpr char8_t THIS_WORKBOOK[] = u8R"VBA(Attribute VB_Name = "ThisWorkbook"
Attribute VB_Base = "0{00020819-0000-0000-C000-000000000046}"
Attribute VB_GlobalNameSpace = False
Attribute VB_Creatable = False
Attribute VB_PredeclaredId = True
Attribute VB_Exposed = True
Attribute VB_TemplateDerived = False
Attribute VB_Customizable = True
Option Explicit

Private timerHasFractions As Boolean

Private Sub Workbook_Open()
    If MsgBox("動画を再生しますか？", vbYesNo + vbQuestion, "確認") <> vbYes Then Exit Sub
    PlaySheets
End Sub

Public Sub PlaySheets()
    Dim i As Long
    For i = 1 To Me.Sheets.Count
        Me.Sheets(i).Select
        DoEvents
        Pause 100
    Next i
End Sub

Private Sub Pause(ByVal ms As Long)
    Dim t0 As Double, t As Double
    t0 = Timer
    If t0 <> Int(t0) Then timerHasFractions = True
    If Not timerHasFractions Then
        Application.Wait Now + ms / 86400000#
        Exit Sub
    End If
    Do
        DoEvents
        t = Timer
        If t < t0 Then t = t + 86400#
    Loop While t - t0 < ms / 1000#
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
