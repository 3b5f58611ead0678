@echo off
rem Quillmark's test pack: runs its test programs one after another on this
rem Windows and prints one summary, PASS or FAIL for each program, then
rem ALL PASSED (exit code 0) or "N FAILED" (exit code 1).
rem
rem   run-tests.cmd [GoogleTest options]    e.g. --gtest_filter=Conversion.*
rem
rem The options go to every program. Leave the mouse and keyboard alone while
rem the tests run: they drive real windows, the clipboard and keystrokes.
setlocal EnableExtensions DisableDelayedExpansion
cd /d "%~dp0"
set "programs=@QUILL_PACK_TESTS@"
set "options=%*"
set failed=0
set "summary=%TEMP%\quillmark-tests-%RANDOM%.txt"
type nul > "%summary%"

rem The tests read and write text in code page 932, as Quillmark does on a
rem Japanese system.
set acp=
for /f "tokens=3" %%c in ('reg query "HKLM\SYSTEM\CurrentControlSet\Control\Nls\CodePage" /v ACP 2^>nul') do set "acp=%%c"
if "%acp%"=="932" goto run_all
echo The tests need Japanese as the language for non-Unicode programs
echo (code page 932); this system's is %acp%.
echo NOT RUN
exit /b 1

:run_all
for %%p in (%programs%) do call :run %%p
echo.
echo ==== Summary
type "%summary%"
del "%summary%"
if not "%failed%"=="0" goto failures
echo ALL PASSED
exit /b 0
:failures
echo %failed% FAILED
exit /b 1

rem Runs one program and notes PASS or FAIL for it in the summary.
:run
echo.
echo ==== %1
if exist "%1.exe" goto start
>>"%summary%" echo FAIL  %1 (missing)
set /a failed+=1
goto :eof
:start
rem Through a file: a test that looks for a console of its own lets go of
rem this one, and would lose what it prints after that.
"%1.exe" %options% > "%summary%.%1.log" 2>&1
set "code=%errorlevel%"
type "%summary%.%1.log"
del "%summary%.%1.log"
if "%code%"=="0" goto passed
>>"%summary%" echo FAIL  %1 (exit code %code%)
set /a failed+=1
goto :eof
:passed
>>"%summary%" echo PASS  %1
goto :eof
