  ; Start at sign-in with the right to set the clock, without a prompt each time: a task
  ; of the Task Scheduler, run at every user's sign-in with the highest rights that user
  ; has (an administrator's full rights, which setting the clock needs). A shortcut in the
  ; Startup folder could only start it without them. The task never stops after a time
  ; limit or on battery, as the scheduler's defaults would. Asked when installing by hand;
  ; a silent install (/S) makes it unless /NOSIGNIN is given.
  StrLen $R2 $CMDLINE
  StrCpy $R0 0
  valtora_scan:
    IntCmp $R0 $R2 valtora_scan_done 0 valtora_scan_done
    StrCpy $R1 $CMDLINE 9 $R0
    StrCmp $R1 "/NOSIGNIN" valtora_signin_done
    IntOp $R0 $R0 + 1
    Goto valtora_scan
  valtora_scan_done:
  MessageBox MB_YESNO|MB_ICONQUESTION \
    "Start VALTORA at every sign-in, with the right to set the clock?" \
    /SD IDYES IDNO valtora_signin_done
  InitPluginsDir
  FileOpen $R3 "$PLUGINSDIR\valtora-task.xml" w
  FileWriteWord $R3 0xFEFF
  FileWriteUTF16LE $R3 '<?xml version="1.0" encoding="UTF-16"?>$\r$\n'
  FileWriteUTF16LE $R3 '<Task version="1.2" xmlns="http://schemas.microsoft.com/windows/2004/02/mit/task">$\r$\n'
  FileWriteUTF16LE $R3 '  <RegistrationInfo><Description>Starts VALTORA at sign-in with the right to set the clock.</Description></RegistrationInfo>$\r$\n'
  FileWriteUTF16LE $R3 '  <Triggers><LogonTrigger><Enabled>true</Enabled></LogonTrigger></Triggers>$\r$\n'
  FileWriteUTF16LE $R3 '  <Principals><Principal id="Users"><GroupId>S-1-5-32-545</GroupId><RunLevel>HighestAvailable</RunLevel></Principal></Principals>$\r$\n'
  FileWriteUTF16LE $R3 '  <Settings><MultipleInstancesPolicy>IgnoreNew</MultipleInstancesPolicy><DisallowStartIfOnBatteries>false</DisallowStartIfOnBatteries><StopIfGoingOnBatteries>false</StopIfGoingOnBatteries><ExecutionTimeLimit>PT0S</ExecutionTimeLimit><Enabled>true</Enabled></Settings>$\r$\n'
  FileWriteUTF16LE $R3 '  <Actions Context="Users"><Exec><Command>"$INSTDIR\valtora.exe"</Command></Exec></Actions>$\r$\n'
  FileWriteUTF16LE $R3 '</Task>$\r$\n'
  FileClose $R3
  nsExec::ExecToLog '"$SYSDIR\schtasks.exe" /Create /F /TN "VALTORA" /XML "$PLUGINSDIR\valtora-task.xml"'
  Pop $R4
  StrCmp $R4 "0" valtora_signin_done
    DetailPrint "The sign-in task could not be made ($R4): start VALTORA with $\"Run as administrator$\"."
  valtora_signin_done:
