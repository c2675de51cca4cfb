// The seeder's file types and shell: what installers write in the classes,
// the user's sound events and the registered applications.
#include "bench/ovraSeeder.h"

namespace ovra {

namespace {

// Where shell handlers of all kinds of objects are registered.
const char* const kHandlerLists[] = {
    "*\\shellex\\ContextMenuHandlers",         "Directory\\shellex\\ContextMenuHandlers",
    "Directory\\Background\\shellex\\ContextMenuHandlers", "Folder\\shellex\\ContextMenuHandlers",
    "AllFileSystemObjects\\shellex\\PropertySheetHandlers", "Drive\\shellex\\ContextMenuHandlers",
};

} // namespace

// A document type per program file: a ProgID with a friendly name, an open
// verb (a print verb on a third), an icon in the program and now and then a
// CurVer; its extension names it and lists it among the types that open
// it, a few with an Open With program too. A fifth are the user's own.
bool Seeder::SeedFileTypes()
{
    Area& types = m_areas[14];
    types.name = "document types";
    Area& extensions = m_areas[15];
    extensions.name = "extensions";
    RegKey machine, user;
    if (!CreateKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes", machine) ||
        !CreateKey(HKEY_CURRENT_USER, "Software\\Classes", user))
        return m_bOk = false;
    for (int i = 0; i < 3000; ++i, ++types.nEntries, ++extensions.nEntries) {
        const bool dead = Chance(100);
        const std::string program = ProductDir(Pick(dead ? kRemovedProducts : kLiveProducts), !dead) + "\\app.exe";
        const HKEY classes = i % 5 == 0 ? user.Get() : machine.Get();
        const std::string progId = Format("Bench.Doc%04d", i);
        RegKey type, open, print, icon, curVer, extension, progIds, openWith;
        if (!CreateKey(classes, progId, type) || !CreateKey(type.Get(), "shell\\open\\command", open) ||
            !CreateKey(type.Get(), "DefaultIcon", icon))
            return m_bOk = false;
        SetText(type.Get(), nullptr, Format("Bench Document %04d", i));
        SetText(open.Get(), nullptr, "\"" + program + "\" \"%1\"");
        SetText(icon.Get(), nullptr, program + Format(",%d", Pick(4)));
        if (Pick(3) == 0 && CreateKey(type.Get(), "shell\\print\\command", print))
            SetText(print.Get(), nullptr, "\"" + program + "\" /p \"%1\"");
        if (Chance(100) && CreateKey(type.Get(), "CurVer", curVer))
            SetText(curVer.Get(), nullptr, progId + ".1");
        types.nDead += dead ? 1 : 0;

        if (!CreateKey(classes, Format(".bn%04d", i), extension) ||
            !CreateKey(extension.Get(), "OpenWithProgids", progIds))
            return m_bOk = false;
        SetText(extension.Get(), nullptr, progId);
        SetNone(progIds.Get(), progId.c_str());
        bool gone = false;
        if (Chance(60)) { // a type whose program was removed before
            SetNone(progIds.Get(), Format("Bench.Gone%04d", i).c_str());
            gone = true;
        }
        if (Chance(200) && CreateKey(extension.Get(), "OpenWithList", openWith)) {
            // A program of App Paths, or one found nowhere.
            const bool nowhere = Chance(200);
            SetNone(openWith.Get(),
                    (nowhere ? Format("benchgone%04d.exe", i) : Format("benchapp%04d.exe", Pick(500))).c_str());
            gone = gone || nowhere;
        }
        extensions.nDead += gone ? 1 : 0;
    }
    return m_bOk;
}

bool Seeder::SeedApplications()
{
    Area& area = m_areas[16];
    area.name = "Applications entries";
    for (int i = 0; i < 300; ++i, ++area.nEntries) {
        const bool dead = Chance(100);
        const std::string program = ProductDir(Pick(dead ? kRemovedProducts : kLiveProducts), !dead) + "\\app.exe";
        const std::string key = Format(i % 4 ? "SOFTWARE\\Classes\\Applications\\benchtool%04d.exe"
                                             : "Software\\Classes\\Applications\\benchtool%04d.exe", i);
        RegKey entry, command, types;
        if (!CreateKey(i % 4 ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER, key, entry) ||
            !CreateKey(entry.Get(), "shell\\open\\command", command) ||
            !CreateKey(entry.Get(), "SupportedTypes", types))
            return m_bOk = false;
        SetText(entry.Get(), "FriendlyAppName", Format("Bench Tool %04d", i));
        SetText(command.Get(), nullptr, "\"" + program + "\" \"%1\"");
        SetText(types.Get(), Format(".bn%04d", Pick(3000)).c_str(), "");
        area.nDead += dead ? 1 : 0;
    }
    return m_bOk;
}

// Handlers for the shell's objects and for document types, each named by
// its class in the default value; the machine's overlays; every handler on
// the approved list. A class that was never registered stands for a
// removed program's.
bool Seeder::SeedShellHandlers()
{
    Area& area = m_areas[17];
    area.name = "shell handlers";
    RegKey classes, overlays, approved;
    if (!CreateKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes", classes) ||
        !CreateKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ShellIconOverlayIdentifiers",
                   overlays) ||
        !CreateKey(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved",
                   approved))
        return m_bOk = false;
    for (int i = 0; i < 220; ++i, ++area.nEntries) {
        const bool dead = Chance(100);
        const std::string classId = dead ? Guid() : m_classIds[static_cast<size_t>(Pick(static_cast<int>(m_classIds.size())))];
        RegKey handler;
        bool made;
        if (i >= 200)
            made = CreateKey(overlays.Get(), Format("  BenchOverlay%02d", i - 200), handler);
        else if (i % 2)
            made = CreateKey(classes.Get(), Format("%s\\Bench Handler %03d", kHandlerLists[Pick(6)], i), handler);
        else
            made = CreateKey(classes.Get(), Format("Bench.Doc%04d\\shellex\\ContextMenuHandlers\\Bench Handler %03d",
                                                   5 * Pick(600) + 1, i),
                             handler);
        if (!made)
            return m_bOk = false;
        SetText(handler.Get(), nullptr, classId);
        SetText(approved.Get(), classId.c_str(), Format("Bench Handler %03d", i));
        area.nDead += dead ? 1 : 0;
    }
    return m_bOk;
}

// Thirty programs' sound events: each plays a sound in its program's folder
// by default and falls back to a bare name the Media folder holds.
bool Seeder::SeedSoundEvents()
{
    Area& area = m_areas[18];
    area.name = "sound events";
    for (int i = 0; i < 300; ++i, ++area.nEntries) {
        const bool dead = Chance(100);
        const std::string sound = ProductDir(Pick(dead ? kRemovedProducts : kLiveProducts), !dead) +
                                  Format("\\Media\\event%02d.wav", i % 10);
        if (!dead)
            MakeFile(sound);
        const std::string event = Format("AppEvents\\Schemes\\Apps\\BenchApp%02d\\Event%02d", i / 10, i % 10);
        RegKey current, fallback;
        if (!CreateKey(HKEY_CURRENT_USER, event + "\\.Current", current) ||
            !CreateKey(HKEY_CURRENT_USER, event + "\\.Default", fallback))
            return m_bOk = false;
        SetText(current.Get(), nullptr, sound);
        SetText(fallback.Get(), nullptr, "ding.wav");
        area.nDead += dead ? 1 : 0;
    }
    return m_bOk;
}

bool Seeder::SeedRegisteredApps()
{
    Area& area = m_areas[19];
    area.name = "registered apps";
    RegKey registered;
    if (!CreateKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\RegisteredApplications", registered))
        return m_bOk = false;
    for (int i = 0; i < 50; ++i, ++area.nEntries) {
        const bool dead = Chance(100);
        const std::string capabilities = Format("SOFTWARE\\Bench Vendor %02d\\App %02d\\Capabilities", i % 40, i);
        RegKey key;
        if (!dead && (!CreateKey(HKEY_LOCAL_MACHINE, capabilities, key) ||
                      !SetText(key.Get(), "ApplicationDescription", Format("Bench App %02d", i))))
            return m_bOk = false;
        SetText(registered.Get(), Format("Bench App %02d", i).c_str(), capabilities);
        area.nDead += dead ? 1 : 0;
    }
    return m_bOk;
}

} // namespace ovra
