# Ansible local fact for Windows hosts: put it in the fact directory (C:\ProgramData\Ansible\facts.d is a common
# choice; pass it as fact_path to the setup module) and the parsed document becomes ansible_local.devlist, the
# same shape as on Linux ("platform": "windows"): the setup sweep, devices not present now included.
#
# devlist.exe is looked up in $env:DEVLIST, then on PATH, then beside this script. The document is read as
# UTF-8 whatever the console's code page, because devlist writes JSON as UTF-8 bytes in binary mode.
# Not tested here: the project's tests run the .exe under Wine, not Ansible on Windows.
$ErrorActionPreference = 'Stop'
$exe = $env:DEVLIST
if (-not $exe) {
    $found = Get-Command devlist.exe -ErrorAction SilentlyContinue
    if ($found) { $exe = $found.Source } else { $exe = Join-Path $PSScriptRoot 'devlist.exe' }
}
if (-not (Test-Path $exe)) {
    @{ error = 'devlist not found' }
    return
}
$info = New-Object System.Diagnostics.ProcessStartInfo
$info.FileName = $exe
$info.Arguments = 'json not-present'
$info.UseShellExecute = $false
$info.RedirectStandardOutput = $true
$info.StandardOutputEncoding = [System.Text.Encoding]::UTF8
$process = [System.Diagnostics.Process]::Start($info)
$text = $process.StandardOutput.ReadToEnd()
$process.WaitForExit()
$text | ConvertFrom-Json
