' convertEx late-bound from Windows Script Host, as a program that knows
' nothing of the converter's headers calls it: the size comes back in w and h.
Option Explicit
Dim c, w, h
Set c = CreateObject("Dravimo.Compendium")
w = 640
h = 480
c.convertEx WScript.Arguments(0), WScript.Arguments(1), w, h, True, 100
WScript.Echo w & "x" & h
