  ; The sign-in task the setup made, if it made one. The settings stay in the registry.
  nsExec::ExecToLog '"$SYSDIR\schtasks.exe" /Delete /F /TN "VALTORA"'
  Pop $R4
