' SPDX-License-Identifier: Apache-2.0
' OrvFields.MainForm as a script host sees it: created by its programmatic identifier,
' reached late-bound through the type library. Prints each failed check, then
' "contract: N checks, F failed", and ends with F. A group that raises an error it did
' not expect fails as a whole.
Option Explicit

Dim checks, failures, mf
checks = 0
failures = 0

Sub Check(ok, what)
    checks = checks + 1
    ' Only True passes: "Not Null" is Null, which If takes for False.
    If VarType(ok) <> vbBoolean Then ok = False
    If Not ok Then
        failures = failures + 1
        WScript.Echo "FAIL: " & what
    End If
End Sub

Sub Report(group)
    If Err.Number <> 0 Then
        failures = failures + 1
        WScript.Echo "FAIL: " & group & " raised " & Err.Number & " " & Err.Description
        Err.Clear
    End If
End Sub

' The errors a group expects: "On Error Resume Next" around the statement, "On Error
' GoTo 0" after the check, which clears Err and lets any later error end the group.
Sub Identity()
    Dim record, value
    Set mf = CreateObject("OrvFields.MainForm")
    Check mf.InputNeed = "XML TREEVIEW", "InputNeed"
    Check mf.INPUTNEED = "XML TREEVIEW", "member names in any letter case"
    Check mf.Reload = False And VarType(mf.Reload) = vbBoolean, "Reload is the Boolean False"
    Check mf.Language = 0, "a new MainForm speaks language 0"
    mf.Language = 2
    Check mf.Language = 2 And VarType(mf.Language) = vbLong, "Language 2"
    On Error Resume Next
    mf.Language = "English"
    Check Err.Number = 13, "a Language that is no number: error 13"
    Err.Clear
    value = mf.NoSuchMember
    Check Err.Number = 438, "an unknown member: error 438"
    On Error GoTo 0
    Set record = mf.LastError
    Check record.Number = 0 And VarType(record.Number) = vbLong, "LastError.Number is the Long 0"
    Check record.Source = "" And record.Description = "", "LastError's texts are empty"
    Check record Is mf.LastError, "LastError is one object"
End Sub

' A value's type and value; an array's bounds and elements. wine's VBScript has no Join.
Function Described(value)
    Dim element
    If IsArray(value) Then
        Described = VarType(value) & ":" & LBound(value) & " To " & UBound(value)
        For Each element In value
            Described = Described & "|" & Described(element)
        Next
    Else
        Described = VarType(value) & ":" & value
    End If
End Function

Sub StoredProperties()
    Dim text, value
    Check mf.CreateLogFile = False, "CreateLogFile starts False"
    mf.CreateLogFile = True
    Check mf.CreateLogFile = True, "CreateLogFile as set"
    text = "Creator of the books"
    Check mf.CreatorField = "", "CreatorField starts empty"
    mf.CreatorField = text
    Check mf.CreatorField = text, "CreatorField as set"
    Check IsEmpty(mf.PluginVariable), "PluginVariable starts Empty"
    ' How each kind of value crosses Invoke is tst_automation's; here the type library's.
    For Each value In Array(text, Null, Array(1, "a"))
        mf.PluginVariable = value
        Check Described(mf.PluginVariable) = Described(value), "PluginVariable keeps " & Described(value)
    Next
End Sub

Sub ObjectProperties()
    Dim host
    Set host = CreateObject("Scripting.Dictionary")
    Set mf.PluginVariable = host
    Check mf.PluginVariable Is host, "Set PluginVariable keeps the object"
    Set mf.PluginState = host
    Check mf.PluginState Is host, "Set PluginState"
    Set mf.PluginPercent = host
    Check mf.PluginPercent Is host, "Set PluginPercent"
    Set mf.PluginObject = host
    Check mf.PluginObject Is host, "Set PluginObject"
    Set mf.Parent = host
    Check mf.Parent Is host, "Set Parent"
    mf.PluginObject.Add "key", "value"
    Check host.Item("key") = "value", "calls through PluginObject reach the host's object"
    Set mf.PluginObject = Nothing
    Check mf.PluginObject Is Nothing, "Set PluginObject = Nothing"
    On Error Resume Next
    mf.PluginObject = 5
    Check Err.Number = 438, "an object property takes no value: error 438"
    On Error GoTo 0
End Sub

Sub Settings()
    Dim application
    application = "Orvane"
    mf.LoadSettings (application)
    mf.SaveSettings "Orvane"
    Check application = "Orvane", "LoadSettings and SaveSettings take the application's name"
    ' The parameter is a typed [in, out] BSTR: a script variable (a Variant by
    ' reference) does not convert to it, as on Windows.
    On Error Resume Next
    mf.LoadSettings application
    Check Err.Number = 13, "LoadSettings with a script variable: error 13"
    On Error GoTo 0
End Sub

Sub ComponentErrors()
    Dim list, record
    Set list = CreateObject("OrvFields.VrnFieldList")
    list.AddElem "Title", "Report", False
    Check list.Count = 1, "VrnFieldList by its programmatic identifier"
    On Error Resume Next
    list.LinesCount = -1
    Check Err.Number & "|" & Err.Source & "|" & Err.Description = _
        "5|OrvFields.VrnFieldList|Invalid procedure call or argument", _
        "a component's error reaches the script: " & Err.Number & "|" & Err.Source
    On Error GoTo 0
    Set record = CreateObject("OrvFields.ErrorObject")
    Check record.Number = 0, "ErrorObject by its programmatic identifier"
End Sub

On Error Resume Next
Identity
Report "Identity"
If IsObject(mf) Then
    StoredProperties
    Report "StoredProperties"
    ObjectProperties
    Report "ObjectProperties"
    Settings
    Report "Settings"
End If
ComponentErrors
Report "ComponentErrors"
Set mf = Nothing
Report "releasing MainForm"
WScript.Echo "contract: " & checks & " checks, " & failures & " failed"
WScript.Quit failures
