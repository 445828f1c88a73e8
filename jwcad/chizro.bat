@REM 数値地図を下図として読み込む（chizro）
@echo off
REM #jww
REM #cd
REM #1 地図の左上を置く点を指示してください
REM #e
REM JW_CAD writes JWC_TEMP.TXT here (#cd) and waits for this file to end.
REM chizro writes temp.txt; it becomes the JWC_TEMP.TXT that JW_CAD reads
REM back. Without a new temp.txt the request keeps its "hq" line and
REM JW_CAD reports the step as not executed.
REM Start in this folder also when JW_CAD runs us from another one.
cd /d "%~dp0"
if exist temp.txt del temp.txt
start /w chizro.exe
if exist temp.txt copy /y temp.txt JWC_TEMP.TXT > nul
