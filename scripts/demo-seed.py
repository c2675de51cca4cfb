#!/usr/bin/env python3
"""Seeds a Wine prefix with a realistic registry for a first look at the
program: two applications, one cleanly installed (Northwind Office) and one
removed by deleting its folder (Fabrikam Imaging), which left entries behind
in every section. Writes a version 5 .reg file (UTF-16) for `wine regedit /s` and creates
the healthy programs' files on the prefix's C: drive. Some programs have
names in other scripts than the system's.

usage: demo-seed.py PREFIX OUT.reg"""
import os
import sys

prefix, out = sys.argv[1], sys.argv[2]
drive_c = os.path.join(prefix, "drive_c")

NORTHWIND = r"C:\Program Files\Northwind Office"
FABRIKAM = r"C:\Program Files\Fabrikam Imaging"  # removed: never created
COMMON = r"C:\Program Files\Common Files\Northwind"

healthy_files = [
    NORTHWIND + r"\nwword.exe", NORTHWIND + r"\nwtray.exe", NORTHWIND + r"\uninstall.exe",
    NORTHWIND + r"\nwcore.dll", NORTHWIND + r"\Help\nwoffice.chm", COMMON + r"\nwshared.dll",
]
for path in healthy_files:
    unix = os.path.join(drive_c, *path[3:].split("\\"))
    os.makedirs(os.path.dirname(unix), exist_ok=True)
    with open(unix, "wb") as f:
        f.write(b"MZ")


def q(text):
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'


def expand(text):
    data = (text + "\0").encode("utf-16-le")
    return "hex(2):" + ",".join("%02x" % b for b in data)


# The version 5 format, in UTF-16: names in any script.
lines = ["Windows Registry Editor Version 5.00", ""]


def key(path, *values):
    lines.append("[" + path + "]")
    for name, data in values:
        lines.append(("@" if name is None else q(name)) + "=" + data)
    lines.append("")


HKLM, HKCU = "HKEY_LOCAL_MACHINE", "HKEY_CURRENT_USER"
CV = r"SOFTWARE\Microsoft\Windows\CurrentVersion"

# Shared files: one removed with Fabrikam, one still there.
key(HKLM + "\\" + CV + r"\SharedDLLs",
    (FABRIKAM + r"\fabcodec.dll", "dword:00000001"),
    (r"C:\Program Files\Common Files\Fabrikam\fabshared.dll", "dword:00000002"),
    (COMMON + r"\nwshared.dll", "dword:00000001"))

# Programs started at logon.
key(HKLM + "\\" + CV + r"\Run",
    ("FabrikamUpdater", q(FABRIKAM + r"\fabupd.exe")),
    ("NorthwindTray", q(NORTHWIND + r"\nwtray.exe")),
    ("NorthwindSync", q(NORTHWIND + r"\nwtray.exe /sync")))

# Fonts: a font file deleted from the fonts folder.
key(HKLM + r"\SOFTWARE\Microsoft\Windows NT\CurrentVersion\Fonts",
    ("Fabrikam Sans (TrueType)", q("fabsans.ttf")),
    ("Fabrikam Sans Bold (TrueType)", q("fabsansb.ttf")))

# Help files.
key(HKLM + r"\SOFTWARE\Microsoft\Windows\Help", ("fabimg.hlp", q(FABRIKAM + r"\Help")))
key(HKLM + r"\SOFTWARE\Microsoft\Windows\HTML Help",
    ("fabimg.chm", q(FABRIKAM + r"\Help")), ("nwoffice.chm", q(NORTHWIND + r"\Help")))

# COM classes: a realistic number of them, most served from the system
# folder, some from Northwind, some from the removed Fabrikam folder.
for i in range(8000):
    clsid = "{%08X-4F56-4E41-9A3D-%012X}" % (0x5A000000 + i, 0x1000 + i)
    if i % 20 == 7:
        server = FABRIKAM + r"\fabimg%d.dll" % (i % 3)
    elif i % 8 == 3:
        # Libraries deleted from the system folder by an old uninstaller.
        server = r"C:\windows\system32\fabcomp%04d.dll" % i
    elif i % 5 == 1:
        server = NORTHWIND + r"\nwcore.dll"
    else:
        server = r"C:\windows\system32\ole32.dll"
    key(HKLM + r"\SOFTWARE\Classes\CLSID" + "\\" + clsid, (None, q("Demo Component %d" % i)))
    key(HKLM + r"\SOFTWARE\Classes\CLSID" + "\\" + clsid + r"\InprocServer32",
        (None, q(server)), ("ThreadingModel", q("Apartment")))

# Shell folders of the user: an archive folder on a removed path.
key(HKCU + r"\Software\Microsoft\Windows\CurrentVersion\Explorer\User Shell Folders",
    ("Fabrikam Scans", expand(r"%USERPROFILE%\Fabrikam Scans")),
    ("Northwind Documents", expand(NORTHWIND)))

# Application paths and the shell's program name cache.
key(HKLM + "\\" + CV + r"\App Paths\fabview.exe", (None, q(FABRIKAM + r"\fabview.exe")),
    ("Path", q(FABRIKAM)))
key(HKLM + "\\" + CV + r"\App Paths\nwword.exe", (None, q(NORTHWIND + r"\nwword.exe")))
key(HKCU + r"\SOFTWARE\Microsoft\Windows\ShellNoRoam\MUICache",
    (FABRIKAM + r"\fabview.exe", q("Fabrikam Viewer")),
    (NORTHWIND + r"\nwword.exe", q("Northwind Word")),
    ("@shell32.dll,-8964", q("Desktop")))

# Add/Remove Programs and the installer's folders.
key(HKLM + "\\" + CV + r"\Uninstall\Fabrikam Imaging 4",
    ("DisplayName", q("Fabrikam Imaging 4")), ("Publisher", q("Fabrikam")),
    ("UninstallString", q(FABRIKAM + r"\uninst.exe /S")))
key(HKLM + "\\" + CV + r"\Uninstall\Fabrikam Codec Pack",
    ("DisplayName", q("Fabrikam Codec Pack")),
    ("UninstallString", q(r'C:\WINDOWS\IsUninst.exe -f"' + FABRIKAM + r'\Codecs\Uninst.isu"')))
key(HKLM + "\\" + CV + r"\Uninstall\Northwind Office",
    ("DisplayName", q("Northwind Office")), ("Publisher", q("Northwind Traders")),
    ("UninstallString", q('"' + NORTHWIND + r'\uninstall.exe" /remove')))
key(HKLM + "\\" + CV + r"\Uninstall\{5A1B2C3D-0000-4000-8000-00000000C0DE}",
    ("DisplayName", q("Northwind Runtime")),
    ("UninstallString", q("MsiExec.exe /X{5A1B2C3D-0000-4000-8000-00000000C0DE}")))
key(HKLM + "\\" + CV + r"\Installer\Folders",
    (FABRIKAM + "\\", q("")), (FABRIKAM + r"\Help" + "\\", q("")), (NORTHWIND + "\\", q("")))

# Where Windows Vista to 11 keep what programs leave behind: the user's own
# startup and uninstall lists, the shell's newer program-name cache, the
# compatibility lists and a type library.
key(HKCU + "\\" + CV + r"\Run",
    ("FabrikamQuickLaunch", q('"' + FABRIKAM + r'\fabquick.exe" --minimized')),
    ("NorthwindHelper", q('"' + NORTHWIND + r'\nwtray.exe" --background')))
key(HKCU + "\\" + CV + r"\Uninstall\Fabrikam Cloud Sync",
    ("DisplayName", q("Fabrikam Cloud Sync")),
    ("UninstallString", q('"' + FABRIKAM + r'\Sync\unins000.exe"')))
key(HKCU + r"\Software\Classes\Local Settings\Software\Microsoft\Windows\Shell\MuiCache",
    (FABRIKAM + r"\fabview.exe.FriendlyAppName", q("Fabrikam Viewer")),
    (FABRIKAM + r"\fabview.exe.ApplicationCompany", q("Fabrikam")),
    (NORTHWIND + r"\nwword.exe.FriendlyAppName", q("Northwind Word")),
    ("LangID", "hex:09,04"))
key(HKCU + r"\Software\Microsoft\Windows NT\CurrentVersion\AppCompatFlags\Layers",
    (FABRIKAM + r"\fabview.exe", q("~ HIGHDPIAWARE")),
    (NORTHWIND + r"\nwword.exe", q("~ WIN7RTM")))
key(HKLM + r"\SOFTWARE\Classes\TypeLib\{5A7E0001-0000-4000-8000-00000000FAB1}\1.0\0\win32",
    (None, q(FABRIKAM + r"\fabimg.tlb")))

# Programs whose names are in other scripts than the system's: a Russian
# photo editor and a Chinese picture helper, both removed, and a Russian
# dictionary still installed.
FOTO = r"C:\Program Files\Фотомастер"
TUPIAN = r"C:\Program Files\图片助手"
SLOVAR = r"C:\Program Files\Словарь"
for path in [SLOVAR + r"\slovar.exe"]:
    unix = os.path.join(drive_c, *path[3:].split("\\"))
    os.makedirs(os.path.dirname(unix), exist_ok=True)
    with open(unix, "wb") as f:
        f.write(b"MZ")
key(HKLM + "\\" + CV + r"\App Paths\Фотомастер.exe", (None, q(FOTO + r"\foto.exe")))
key(HKLM + "\\" + CV + r"\App Paths\图片助手.exe", (None, q(TUPIAN + r"\tupian.exe")))
key(HKLM + "\\" + CV + r"\App Paths\Словарь.exe", (None, q(SLOVAR + r"\slovar.exe")))
key(HKCU + "\\" + CV + r"\Run",
    ("Фотомастер", q('"' + FOTO + r'\fototray.exe" /tray')),
    ("图片助手", q('"' + TUPIAN + r'\tupian.exe" --background')),
    ("Словарь", q('"' + SLOVAR + r'\slovar.exe" /hidden')))

# Windows links East Asian fonts to Tahoma, the cards' face, so that its
# text in those scripts is drawn. Wine's fonts have no such glyphs: the demo
# links the font the setup script installs (WenQuanYi Micro Hei) to Tahoma
# and Verdana, and to DejaVu Sans, which Wine draws for Tahoma where its own
# fonts are not installed.
def multi(*texts):
    data = "".join(t + "\0" for t in texts).encode("utf-16-le") + b"\0\0"
    return "hex(7):" + ",".join("%02x" % b for b in data)


key(HKLM + r"\SOFTWARE\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink",
    ("Tahoma", multi("wqy-microhei.ttc,WenQuanYi Micro Hei")),
    ("Verdana", multi("wqy-microhei.ttc,WenQuanYi Micro Hei")),
    ("DejaVu Sans", multi("wqy-microhei.ttc,WenQuanYi Micro Hei")))


# File types and the shell: Fabrikam's document type, its Open With
# entries, its shell extension and its sound, left behind with its folder,
# beside Northwind's working ones.
CLS = HKCU + r"\Software\Classes"
NOWHERE = "{5AFAB000-0000-4000-8000-00000000DEAD}"  # Fabrikam's handler, unregistered
key(CLS + r"\Fabrikam.Image.4", (None, q("Fabrikam Image")))
key(CLS + r"\Fabrikam.Image.4\DefaultIcon", (None, q(FABRIKAM + r"\fabview.exe,1")))
key(CLS + r"\Fabrikam.Image.4\shell\open\command", (None, q('"' + FABRIKAM + r'\fabview.exe" "%1"')))
key(CLS + r"\.fab", (None, q("Fabrikam.Image.4")))
key(CLS + r"\.fab\OpenWithProgids", ("Fabrikam.Image.4", "hex(0):"), ("Fabrikam.Image.3", "hex(0):"))
key(CLS + r"\.jpg\OpenWithList", ("fabview.exe", "hex(0):"))
key(CLS + r"\Applications\fabview.exe", ("FriendlyAppName", q("Fabrikam Viewer")))
key(CLS + r"\Applications\fabview.exe\shell\open\command", (None, q('"' + FABRIKAM + r'\fabview.exe" "%1"')))
key(CLS + r"\fabscan", (None, q("URL:Fabrikam Scan")), ("URL Protocol", q("")))
key(CLS + r"\fabscan\shell\open\command", (None, q('"' + FABRIKAM + r'\fabscan.exe" "%1"')))
key(CLS + r"\Northwind.Document.1\DefaultIcon", (None, q(NORTHWIND + r"\nwword.exe,0")))
key(CLS + r"\Northwind.Document.1\shell\open\command", (None, q('"' + NORTHWIND + r'\nwword.exe" "%1"')))
key(CLS + r"\Northwind.Document.1\shell\print\command", (None, q('"' + FABRIKAM + r'\fabprint.exe" "%1"')))
key(HKLM + r"\SOFTWARE\Classes\*\shellex\ContextMenuHandlers\FabrikamShare", (None, q(NOWHERE)))
key(HKLM + "\\" + CV + r"\Shell Extensions\Approved", (NOWHERE, q("Fabrikam Share Menu")))
key(HKCU + r"\AppEvents\Schemes\Apps\Fabrikam\ScanDone\.Current", (None, q(FABRIKAM + r"\Media\done.wav")))
key(HKCU + r"\AppEvents\Schemes\Apps\Fabrikam\ScanDone\.Default", (None, q("Windows Ding.wav")))
key(HKLM + r"\SOFTWARE\RegisteredApplications", ("Fabrikam Imaging", q(r"Software\Fabrikam\Imaging\Capabilities")))


with open(out, "w", encoding="utf-16", newline="\r\n") as f:
    f.write("\n".join(lines) + "\n")
