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

Sub Identity()
    Set mf = CreateObject("OrvFields.MainForm")
    Check mf.InputNeed = "XML TREEVIEW", "InputNeed"
    Check mf.INPUTNEED = "XML TREEVIEW", "member names in any letter case"
    Check mf.Reload = False And VarType(mf.Reload) = vbBoolean, "Reload is the Boolean False"
End Sub

Function ErrorOfLanguageText()
    On Error Resume Next
    mf.Language = "English"
    ErrorOfLanguageText = Err.Number
    Err.Clear
End Function

Sub Languages()
    Dim value
    Check mf.Language = 0, "a new MainForm speaks language 0"
    For Each value In Array(0, 1, 2, -1)
        mf.Language = value
        Check mf.Language = value And VarType(mf.Language) = vbLong, "Language " & value
    Next
    Check ErrorOfLanguageText() = 13, "a Language that is no number: error 13"
End Sub

Sub LastErrorRecord()
    Dim record
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
    Dim text, host, value
    Check mf.CreateLogFile = False, "CreateLogFile starts False"
    mf.CreateLogFile = True
    Check mf.CreateLogFile = True, "CreateLogFile as set"
    ' wine's VBScript has no ChrW: the characters beyond ASCII are comcheck's.
    text = "Creator of the books"
    Check mf.CreatorField = "", "CreatorField starts empty"
    mf.CreatorField = text
    Check mf.CreatorField = text, "CreatorField as set"
    Check IsEmpty(mf.PluginVariable), "PluginVariable starts Empty"
    For Each value In Array(42, 2.5, text, Now, Null, CCur(12.3456), CByte(200), Array(1, "a"))
        mf.PluginVariable = value
        Check Described(mf.PluginVariable) = Described(value), "PluginVariable keeps " & Described(value)
    Next
    Set host = CreateObject("Scripting.Dictionary")
    Set mf.PluginVariable = host
    Check mf.PluginVariable Is host, "Set PluginVariable keeps the object"
End Sub

Function ErrorOfValueIntoObject()
    On Error Resume Next
    mf.PluginObject = 5
    ErrorOfValueIntoObject = Err.Number
    Err.Clear
End Function

Sub ObjectProperties()
    Dim host
    Set host = CreateObject("Scripting.Dictionary")
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
    Check ErrorOfValueIntoObject() = 438, "an object property takes no value: error 438"
End Sub

Function ErrorOfSettings(byVariable)
    Dim application
    application = "Orvane"
    On Error Resume Next
    If byVariable Then
        mf.LoadSettings application
    Else
        mf.LoadSettings (application)
        If application <> "Orvane" Then ErrorOfSettings = -1 : Exit Function
        mf.SaveSettings "Orvane"
    End If
    ErrorOfSettings = Err.Number
    Err.Clear
End Function

Sub Settings()
    Check ErrorOfSettings(False) = 0, "LoadSettings and SaveSettings take the application's name"
    ' The parameter is a typed [in, out] BSTR: a script variable (a Variant by
    ' reference) does not convert to it, as on Windows.
    Check ErrorOfSettings(True) = 13, "LoadSettings with a script variable: error 13"
End Sub

Function ErrorOfUnknown(access)
    Dim value
    On Error Resume Next
    Select Case access
        Case "get": value = mf.NoSuchMember
        Case "put": mf.NoSuchMember = 1
        Case "call": mf.NoSuchMember 1
    End Select
    ErrorOfUnknown = Err.Number
    Err.Clear
End Function

Sub UnknownMembers()
    Dim access
    For Each access In Array("get", "put", "call")
        Check ErrorOfUnknown(access) = 438, "unknown member (" & access & "): error 438"
    Next
End Sub

Function ErrorOfLines(list)
    On Error Resume Next
    list.LinesCount = -1
    ErrorOfLines = Err.Number & "|" & Err.Source & "|" & Err.Description
    Err.Clear
End Function

Sub ComponentErrors()
    Dim list, record
    Set list = CreateObject("OrvFields.VrnFieldList")
    list.AddElem "Title", "Report", False
    Check list.Count = 1, "VrnFieldList by its programmatic identifier"
    Check ErrorOfLines(list) = "5|OrvFields.VrnFieldList|Invalid procedure call or argument", _
        "a component's error reaches the script: " & ErrorOfLines(list)
    Set record = CreateObject("OrvFields.ErrorObject")
    Check record.Number = 0, "ErrorObject by its programmatic identifier"
End Sub

On Error Resume Next
Identity
Report "Identity"
If IsObject(mf) Then
    Languages
    Report "Languages"
    LastErrorRecord
    Report "LastErrorRecord"
    StoredProperties
    Report "StoredProperties"
    ObjectProperties
    Report "ObjectProperties"
    Settings
    Report "Settings"
    UnknownMembers
    Report "UnknownMembers"
End If
ComponentErrors
Report "ComponentErrors"
Set mf = Nothing
Report "releasing MainForm"
WScript.Echo "contract: " & checks & " checks, " & failures & " failed"
WScript.Quit failures
