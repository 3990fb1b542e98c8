Attribute VB_Name = "FileUtils"
Option Explicit

' File helpers that need nothing but VB itself.

Public Function FileExists(ByVal Path As String) As Boolean
    On Error Resume Next
    FileExists = (GetAttr(Path) And vbDirectory) = 0
    If Err.Number <> 0 Then FileExists = False
    Err.Clear
End Function

Public Function FolderExists(ByVal Path As String) As Boolean
    On Error Resume Next
    FolderExists = (GetAttr(Path) And vbDirectory) = vbDirectory
    If Err.Number <> 0 Then FolderExists = False
    Err.Clear
End Function

Public Function ParentFolder(ByVal Path As String) As String
    Dim Pos As Long
    Pos = InStrRev(Path, "\")
    If Pos > 0 Then ParentFolder = Left$(Path, Pos - 1)
End Function

Public Function FileNamePart(ByVal Path As String) As String
    FileNamePart = Mid$(Path, InStrRev(Path, "\") + 1)
End Function

Public Function ReadTextFile(ByVal Path As String) As String
    Dim FileNo As Integer
    FileNo = FreeFile
    Open Path For Binary Access Read As #FileNo
    ReadTextFile = Space$(LOF(FileNo))
    Get #FileNo, , ReadTextFile
    Close #FileNo
End Function

Public Sub WriteTextFile(ByVal Path As String, ByVal Text As String)
    Dim FileNo As Integer
    If FileExists(Path) Then Kill Path
    FileNo = FreeFile
    Open Path For Binary Access Write As #FileNo
    Put #FileNo, , Text
    Close #FileNo
End Sub
